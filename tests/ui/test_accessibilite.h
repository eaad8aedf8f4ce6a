// The window for a screen reader and the keyboard alone, after an analysis with its Compléments:
// every control, grid, chart and page shown has an accessible name; every menu command has a
// mnemonic or a shortcut; every control shown can take the focus from the keyboard. Under a dark
// palette, the text the window draws on colours of its own stays readable.
#pragma once

#include <QObject>

class TestAccessibilite : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void chaqueControleANomEtClavier();
    void lisibleSurUnePaletteSombre();
};
