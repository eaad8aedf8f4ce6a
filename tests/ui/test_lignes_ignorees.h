// The option that skips the lines that do not conform, on the real window: its menu items and
// their memory, the analysis with the option in its two states, the list of skipped lines.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestLignesIgnorees : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void elementsDeMenu();
    void optionDecocheeCommeAvant();
    void lignesGardeesEtListe();
    void formatNonReconnu();
    void journalPropreCommeSansOption();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
