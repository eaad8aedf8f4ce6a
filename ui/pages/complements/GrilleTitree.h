// A grid of the Compléments page under its bold title, the way every sub-page shows its tables.
#pragma once

#include <QFont>
#include <QLabel>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

namespace kestrane {

inline QWidget* grilleTitree(const QString& titre, QWidget* contenu) {
    auto* g = new QWidget;
    auto* l = new QVBoxLayout(g);
    l->setContentsMargins(2, 2, 2, 2);
    auto* t = new QLabel(titre);
    QFont f = t->font();
    f.setBold(true);
    t->setFont(f);
    l->addWidget(t);
    l->addWidget(contenu, 1);
    return g;
}

}  // namespace kestrane
