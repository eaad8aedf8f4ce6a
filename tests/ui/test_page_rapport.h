// The report page: its grids as the core fills, sorts and searches them, its named controls and
// their places, the radio sets and their silent uncheck, and the report's own scrolling.
#pragma once

#include <QObject>

class TestPageRapport : public QObject {
    Q_OBJECT
  private slots:
    void bullesDesCellulesCoupees();
    void remplissageDeGrille();
    void ecrituresAnnonceesUneFoisParTour();
    void triEtRechercheSurLaGrille();
    void choisirLigneSelectionneEtMontre();
    void reglagesDesGrilles_data();
    void reglagesDesGrilles();

    void controlesNommesEtMembres();
    void placesEtVisibilite_data();
    void placesEtVisibilite();
    void largeurSuitLaPage();
    void polices();
    void radiosExclusivesEtDecocherSansAction();
    void boiteATranchesParPasSeulement();
    void editionsListesEtDates();

    void boutonsDeDefilement();
    void moletteDixPixelsParEvenement();
    void moletteSurLesControles();
};
