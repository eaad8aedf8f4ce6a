// The audience's sub-pages of the "Compléments" page: referring sites and searches, robots,
// methods and protocols, countries. Each grid sorts by its headers and is searched like the
// page's others; a chart beside a grid where a picture reads better.
#pragma once

#include <QObject>
#include <QString>

#include "core/audience/Audience.h"

class QChartView;
class QLabel;
class QStackedWidget;
class QTabWidget;
class QWidget;

namespace kestrane {

class TableauComplements;

class TablesAudience : public QObject {
    Q_OBJECT
  public:
    // Adds its tabs to `onglets`, hidden until an audience is shown.
    explicit TablesAudience(QTabWidget* onglets);

    // The tables of `a`; null hides the tabs.
    void afficher(const Audience* a);
    // The grid a search goes to on the tab `onglet` when no grid holds the focus; null when the
    // tab is none of these.
    TableauComplements* tableauDeLOnglet(const QWidget* onglet) const;

  private:
    QTabWidget* onglets_;
    QWidget *provenances_, *pageRobots_, *methodesProtocoles_, *pagePays_;
    TableauComplements *sites_, *recherches_, *robots_, *methodes_, *protocoles_, *pays_;
    QChartView *grapheSites_, *grapheRobots_, *grapheMethodes_, *graphePays_;
    QLabel *resumeRobots_, *sansBase_;
    QStackedWidget* pilePays_;
};

}  // namespace kestrane
