// The Analyse command on the real window: the detail view and its export, the report grids, the
// charts, the reveal of the results, and what each failure leaves behind.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestAnalyse : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void pasDeFichierAAnalyser();
    void analyseCompleteDeTroisLignes();
    void texteDeDetailEtExportation();
    void troisiemeLigneVideArretePremierePasse();
    void premiereLigneFautive();
    void premiereLigneFautiveDUnGrandJournal();
    void deuxFenetresGardentLeurDetail();
    void debordementDesOctets();
    void octetsAuDelaDeQuatreGio();
    void nombreDAdressesDuGraphe();
    void deuxAnalysesEtJournalPlusPetit();
    void grandJournalEnDeuxMoities();
    void echantillonReel();
    void grapheSeulParTouche();
    void commandesDuRapportApresAnalyse();
    void redimensionnerDisposeLesGraphes();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
