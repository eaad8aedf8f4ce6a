// "Résultats lisibles" on the real window: its menu item and memory; with it, grids, charts, sorts
// and slice width in readable form (names, orders, units, the average day); without, as before.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestResultatsLisibles : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void elementDeMenu();
    void pagesAvecEtSansOption();
    void camembertsSansDeuxAutres();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
