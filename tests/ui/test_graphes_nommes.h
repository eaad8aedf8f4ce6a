// Every bar and every day of the window's charts is named: the referring pages' bars by their
// tooltip anywhere in their row (and a legend with readable results), the bytes per address on an
// axis in the unit of their marks, each day of a short traffic chart on its axis.
#pragma once

#include <QObject>
#include <QStringList>
#include <string>
#include <vector>

#include "tests/commun/DossierDeTest.h"

class TestGraphesNommes : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void provenancesNommeesDansLeurRangee();
    void axeDesOctetsDansLUniteDesBarres();
    void chaqueJourSurLAxeDuTrafic();

  private:
    QStringList datesDuTrafic(const std::vector<std::string>& lignes);
    kestrane::tests::DossierDeTest dossier_;
};
