// The main window driven as a user would: start-up, status line, menus, About, quitting and
// the file commands, through the seams of its dialogs, boxes, clock and beep.
#pragma once

#include <QObject>
#include <QTemporaryDir>

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
    QString ecrire(const QString& nom, const QByteArray& octets);
    QScopedPointer<QTemporaryDir> dossier_;
};
