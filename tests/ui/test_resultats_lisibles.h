// The option "Résultats lisibles" on the real window: its menu item and its memory; with it, the
// grids and charts (names, orders, units, the average day), the sorts and slice width on them;
// without it, the pages as before.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestResultatsLisibles : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void elementDeMenu();
    void pagesAvecEtSansOption();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
