// The models behind the report grids and the Compléments grids, checked by Qt's own model
// tester while they are filled, grown, shrunk, emptied, sorted and filtered: a row count, an
// index or a signal out of step with the data would mislead the views and the accessibility
// tools that read them.
#pragma once

#include <QObject>

class TestModelesGrilles : public QObject {
    Q_OBJECT
  private slots:
    void grilleDuRapport();
    void grillesDesComplements();
};
