// The eight charts, fed through remplirGraphe: their series, the number of points, pie grouping,
// the octets format, the hourly axis, paging, zoom, the lazy drawing and what a shown chart draws.
#pragma once

#include <QObject>

class TestGraphes : public QObject {
    Q_OBJECT

  private slots:
    void huitGraphesCachesEtLeursSeries();
    void limiteDePointsEtOrdreDeLaTable();
    void tableDUneEntreeVideLeGraphe();
    void seriesInactivesGardentLesPointsSansDessin();

    void regroupementDuCamembert_data();
    void regroupementDuCamembert();
    void camembertsDessines();
    void nomDesAutresEntierOuCourt();

    void formatOctets_data();
    void formatOctets();
    void marquesDuTauxDeChargement();

    void axeHoraireAvecEnteteVide();
    void libellesRepetesEtTexteEchappe();

    void paginationDesAdresses();
    void paginationDesProvenances();
    void zoomEnPourcent();

    void dessinDiffereEtGrapheAffiche();

    void couleursVoisinesDuCamembert();
    void textesLisiblesATouteTaille();
    void bullesDesBarresTranchesEtPoints();
};
