// The "Détail par entrée" sub-page of the "Compléments" page: the figures of each loaded file
// (visitors, bytes, share of each class of answers), referring site and client address, each
// grid sortable by every column, searched and filtered on like the page's others.
#pragma once

#include <QObject>

#include "core/analyse/Entrees.h"

class QTabWidget;
class QWidget;

namespace kestrane {

class TableauComplements;

class OngletEntrees : public QObject {
    Q_OBJECT
  public:
    // Adds its tab to `onglets`, hidden until figures are shown.
    explicit OngletEntrees(QTabWidget* onglets);

    // The tables of `e`; null hides the tab.
    void afficher(const TablesEntrees* e);
    // The grid a search goes to on the tab `onglet` (null when it is not this one).
    TableauComplements* tableauDeLOnglet(const QWidget* onglet) const;

  private:
    QTabWidget* onglets_;
    QWidget* page_;
    TableauComplements *fichiers_, *sites_, *adresses_;
};

}  // namespace kestrane
