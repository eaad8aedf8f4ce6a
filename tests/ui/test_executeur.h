// The command executor on its own, without a window: the error of each kind in the box, one
// command at a time, the worker thread, and what arrives while a computation runs (a command, a
// tick of the clock, a close) kept for the end in its order.
#pragma once

#include <QObject>

class TestExecuteurCommandes : public QObject {
    Q_OBJECT
  private slots:
    void erreursDansLaBoite_data();
    void erreursDansLaBoite();
    void commandeImbriqueeToutDeSuite();
    void commandesDemandeesPendantUnCalculAttendent();
    void calculSurUnAutreFil();
    void ticEtFermetureApresLesCommandes();
};
