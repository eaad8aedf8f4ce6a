// The window against what users and hostile logs did to it: a period that followed the next
// journal, relative recent files, duplicate mnemonics, the window's place forgotten, markup from a
// log read as rich text, a report written over its journal, loads and analyses that could not be
// stopped, a journal named twice, a close lost behind a start-up error box.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestFenetreDurcie : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void mnemoniquesUniquesDansChaqueMenu();
    void periodeOublieeAuChargement();
    void fichiersRecentsAbsolusEtIntrouvables();
    void geometrieRetenue();
    void singuliers();
    void titreDeTousLesJournaux();
    void textePlatPartout();
    void rapportRefuseSurLeJournal();
    void annulerChargementEtAnalyse();
    void complementsEnUtf8OuWindows1252();
    void journalNommeDeuxFois();
    void fermetureApresLaBoiteDErreurDuDemarrage();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
