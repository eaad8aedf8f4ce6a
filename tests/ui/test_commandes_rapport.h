// The report page's commands, driven through its controls: sorts with their charts, searches,
// the address edit's key filter, the hourly slices and the requests by period.
#pragma once

#include <QObject>

class TestCommandesRapport : public QObject {
    Q_OBJECT
  private slots:

    void triDesGroupesStandard_data();
    void triDesGroupesStandard();
    void rechercheEtEffacement();
    void filtreDuChampAdresse_data();
    void filtreDuChampAdresse();
    void menuDuChampAdresseSansCollage();

    void ordresDesTranches();
    void largeurDesTranches();
    void largeurIllisibleGardeGrilleEtGraphe();

    void triDesRequetes();
    void calculsLongsConfiesALaFenetre();
    void periodesEtActualiser();
    void actualiserEnEchec();
    void uneCommandeParSelection();
};
