// The filter bar on the real window: hidden until Ctrl+L, an expression applied by Enter to every
// table at once, a wrong one refused with its position and the filter in force kept, rows of the
// report's grids filtered on or left out, Échap and a new journal clearing it; the figures of each
// file, site and address in the Compléments, and the kept lines' numbers in the detail view.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestBarreFiltre : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void saisieErreurEtEffacement();
    void lignesDesGrillesFiltrees();
    void grillesDesComplements();
    void detailParEntreeEtNumerosDesLignes();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
