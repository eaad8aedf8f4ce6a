// A grid of the Compléments page under its bold title, the way every sub-page shows its tables.
#pragma once

#include <QAbstractItemView>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

namespace kestrane {

// The lists and search fields within `contenu` that a screen reader would name by nothing, named
// after the title the user reads above them.
inline void nommerPourLecteur(QWidget* contenu, const QString& titre) {
    for (QAbstractItemView* v : contenu->findChildren<QAbstractItemView*>()) {
        if (v->accessibleName().isEmpty()) v->setAccessibleName(titre);
    }
    for (QLineEdit* e : contenu->findChildren<QLineEdit*>()) {
        if (e->accessibleName().isEmpty())
            e->setAccessibleName(QStringLiteral("Rechercher : ") + titre);
    }
}

inline QWidget* grilleTitree(const QString& titre, QWidget* contenu) {
    nommerPourLecteur(contenu, titre);
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
