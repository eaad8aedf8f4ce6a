// The Compléments page's grids as the window tests read them.
#pragma once

#include <QLatin1Char>
#include <QStringList>
#include <QTableView>

#include "tests/commun/Controles.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/pages/complements/PageComplements.h"

namespace kestrane::test {

// The grid whose view is named `nom`.
inline TableauComplements* tableau(const TForm1& w, const char* nom) {
    return qobject_cast<TableauComplements*>(controle<QTableView>(w, nom)->parentWidget());
}

// Rows of a grid as shown (hidden columns left out), cells joined by "|".
inline QStringList lignes(const TableauComplements& t) {
    QStringList r;
    for (int l = 0; l < t.nbLignes(); ++l) {
        QStringList c;
        for (int k = 0; k < t.vue()->model()->columnCount(); ++k) {
            if (!t.vue()->isColumnHidden(k)) c << t.texte(l, k);
        }
        r << c.join(QLatin1Char('|'));
    }
    return r;
}

}  // namespace kestrane::test
