// Counts the paint events that reach the widgets it filters while it is armed: the benchmarks
// wait for a view's first painted screen with it, tests count the paints during a command.
#pragma once

#include <QEvent>
#include <QObject>

namespace kestrane {

class CompteurPeintures : public QObject {
  public:
    int nombre = 0;
    bool arme = true;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (arme && event->type() == QEvent::Paint) ++nombre;
        return false;
    }
};

}  // namespace kestrane
