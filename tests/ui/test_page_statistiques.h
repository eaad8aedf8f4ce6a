// The statistics page on its own: the layout pass and its placements, the parameter boxes, the
// address count and its up-down, the zoom of the referring-pages chart.
#pragma once

#include <QObject>

class TestPageStatistiques : public QObject {
    Q_OBJECT
  private slots:
    void etatInitialSansPassage();
    void aucunGrapheCoche();
    void unGrapheParClicOuClavier();
    void placement_data();
    void placement();
    void ancrageSuitLePanneau();
    void redimensionneePendantUneAutrePage();
    void boitesDeParametresEmpilees();
    void grapheSeul();
    void grapheDeLibelleExact();
    void decocherSansDisposerGardeLesGraphes();
    void touchesRefusees();
    void entreeNombreAdresses_data();
    void entreeNombreAdresses();
    void erreurDeConversion();
    void flechesDuNombreAdresses();
    void zoomProvenances();
};
