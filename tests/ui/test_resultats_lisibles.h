// "Résultats lisibles" on the real window: its menu item and memory; with it, grids, charts, sorts
// and slice width in readable form (names, orders, units, the average day), the detail text's
// browsers and systems named as the tables name them, a format without an agent said so (grids,
// charts, detail); without, as before.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestResultatsLisibles : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void elementDeMenu();
    void pagesAvecEtSansOption();
    void detailDesLignes();
    void formatSansAgent();
    void camembertsSansDeuxAutres();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
