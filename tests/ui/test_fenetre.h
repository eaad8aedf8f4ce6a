// The main window driven as a user would: start-up, status line, menus, About, quitting and
// the file commands, through the seams of its dialogs, boxes, clock and beep.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestFenetre : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void etatAuDemarrage();
    void panneauDuMessageJusquAuBout();
    void touchesDeFonctionMortesSansAnalyse();
    void ligneDeStatutEtHorloge();
    void aPropos();
    void airDeSortieAlaFermetureEtParQuitter();
    void chargementAnnuleEchoueOuReussi();
    void enregistrementAllerRetour_data();
    void enregistrementAllerRetour();
    void enregistrementSurLeFichierCharge();
    void nomsDExportation();
    void annulationsEnregistrementEtExportation();
    void chargerCeQuiNEstPasUnFichier();
    void leJournalNeDependPlusDuFichier();
    void enregistrementImpossibleGardeLOriginal();
    void ouvertureEnLigneDeCommande();
    void nomFichierDeChemins();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
