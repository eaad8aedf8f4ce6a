// Opening logs as users keep them: compressed, rotated into several files, dropped on the window,
// reopened from the recent journals.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestOuverture : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void journalCompresse();
    void compresseIllisibleGardeLeJournal_data();
    void compresseIllisibleGardeLeJournal();
    void plusieursFichiers_data();
    void plusieursFichiers();
    void dialogueReel_data();
    void dialogueReel();
    void depot();
    void fichiersRecents();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
