// The format dialog: the preview cut in the chosen format with its red lines, a format string
// refused with its message, the choice applied to the next Analyse and remembered.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestDialogueFormat : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void apercuDecoupeEtLigneEnRouge_data();
    void apercuDecoupeEtLigneEnRouge();
    void chaineIncorrecteRefuseeFormatInchange();
    void choixAppliqueNommeEtRetenu();
    void complementsHotesEtTempsDeReponse();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
