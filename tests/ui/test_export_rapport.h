// Fichier > Exporter le rapport... and the command line's report: the HTML's tables are the
// report grids of the window, the CSV tables read back to them.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestExportRapport : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void elementDuMenu();
    void tablesDuHtmlEgalesAuxGrilles_data();
    void tablesDuHtmlEgalesAuxGrilles();
    void tablesCsvEgalesAuxGrilles();
    void grapheDesAdressesAuDernierNombre();
    void complementsSelonLaPage_data();
    void complementsSelonLaPage();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
