// The window's controls as a user finds them, by name: tests and benchmarks reach a control
// through its objectName, never through the window's members.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include "ui/fenetre/UFormPrincipale.h"
#include "ui/graphes/GraphesStat.h"
#include "ui/pages/rapport/PageRapport.h"
#include "ui/pages/statistiques/PageStatistiques.h"

namespace kestrane {

// The child of `racine` named `nom`, of type T; stops the program when there is none, which
// would mean a control lost its name.
template <typename T>
T* controle(const QObject& racine, const char* nom) {
    T* c = racine.findChild<T*>(QString::fromLatin1(nom));
    if (c == nullptr) qFatal("no control named %s", nom);
    return c;
}

inline PageRapport* pageRapport(const TForm1& w) {
    return controle<PageRapport>(w, "PageRapport");
}

inline PageStatistiques* pageStatistiques(const TForm1& w) {
    return controle<PageStatistiques>(w, "pageStatistiques");
}

inline const GraphesStat& graphes(const TForm1& w) {
    return pageStatistiques(w)->graphes();
}

}  // namespace kestrane
