// What a page of the window reaches beyond itself, handed to it when it is made. The window owns
// all of it and outlives the pages.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "core/analyse/ComptesJournal.h"
#include "core/analyse/Filtre.h"
#include "core/analyse/ResultatAnalyse.h"

namespace kestrane {

class Bip;

struct ContexteFenetre {
    Bip* bip = nullptr;                                  // the refused key's signal
    std::function<void(const QString&)> afficherStatut;  // the window's status line
    // Runs a command and shows its error, if any: no exception leaves a command of a page.
    std::function<void(const std::function<void()>&)> executer;
    Execution enFond;  // a long computation, the window painted (empty: in place)
    // The window's analysis, which the pages show and whose tables their commands sort and
    // recount (null: a page's own, empty).
    std::shared_ptr<ResultatAnalyse> resultat;
    // Adds to the window's filter the term that keeps (or, `exclure`, leaves out) the lines of a
    // table's entry, and analyses again (empty: the pages offer no filtering).
    std::function<void(SorteEntree sorte, const std::string& libelle, bool exclure)> filtrerSur;
    // Brings the detail view, which lists the lines analysed, to the front.
    std::function<void()> montrerLignes;
};

}  // namespace kestrane
