// Counts the paint events that reach the widgets it filters: the benchmarks wait for a view's
// first painted screen with it.
#pragma once

#include <QEvent>
#include <QObject>

namespace kestrane {

class CompteurPeintures : public QObject {
  public:
    int nombre = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++nombre;
        return false;
    }
};

}  // namespace kestrane
