// Long commands keep the window painted while they compute; what arrives meanwhile (a tick of
// the clock, another command, a resize, the closing of the window) waits for their end, as it
// would if the window did nothing else.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestCommandesLongues : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void lAnalyseEtLeChargementPeignentEnCours();
    void leTicDeLHorlogeAttendLaFin();
    void uneCommandeDemandeeAttendLaFin();
    void unRedimensionnementAttendLaFin();
    void laFermetureAttendLaFin();
    void lErreurDuCalculRevientALaCommande();

  private:
    QString ecrireJournal(int lignes);
    kestrane::tests::DossierDeTest dossier_;
};
