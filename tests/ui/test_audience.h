// The audience on the "Compléments" page: its grids equal to the core's counts, sorted by their
// headers and filtered, the visitors beside each day, the country database chosen in "Outils"
// (remembered, a file that is none refused), the page switched on after an analysis.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestAudience : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void grillesEgalesAuxComptes();
    void triEtFiltre();
    void baseGeolocalisation();
    void activeeApresUneAnalyse();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
