// The chart engine's layout rules on plain numbers: zoom ranges, font sizes, margins,
// graduations, the category labels' room and spacing, the legend's rows, the value marks, the
// pie's size and the columns of its labels; and the pie's grouping when slices tie.
#pragma once

#include <QObject>

class TestGeometrieGraphes : public QObject {
    Q_OBJECT
  private slots:
    void taillesEtPlages();
    void margesEtGraduations();
    void libellesDeLAxe();
    void rangeesDeLaLegende();
    void marquesSansChevauchement();
    void colonnesDesEtiquettesDuCamembert();
    void egalitesDuCamembertDansLOrdreDesPoints();
};
