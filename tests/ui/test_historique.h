// The base of days in the window: a base opened from "Fichier" shows its page with the periods,
// the chart and the tables of the range; another server, granularity or range read again; a
// second range compared; a day's tables opened by a double click; the journal loaded added to the
// base once however often it is added; the same page over a real PostgreSQL server.
#pragma once

#include <QObject>

#include "tests/commun/DossierDeTest.h"

class TestHistorique : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void pageDUneBase();
    void ajoutDuJournalCharge();
    void basePostgres();

  private:
    kestrane::tests::DossierDeTest dossier_;
};
