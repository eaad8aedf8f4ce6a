#include "core/analyse/PeriodeLignes.h"

#include <string>

#include "core/lecture/LecteurLignes.h"

namespace kestrane {

PeriodeDesLignes::PeriodeDesLignes(const PeriodeAnalyse& periode, bool souple,
                                   const FormatJournal& format)
    : periode_(periode), souple_(souple) {
    if (!format.estDefaut()) lecteur_ = std::make_unique<LecteurLignes>(format);
}

PeriodeDesLignes::~PeriodeDesLignes() = default;

bool PeriodeDesLignes::contient(std::string_view ligne, std::size_t numero) {
    Instant t;
    if (lecteur_) {
        RLog r;
        r.date = r.heure = {};
        if (lecteur_->lire(ligne, numero, r) == Lecture::Directive) return true;
        if (!lireInstant(r.date, r.heure, t)) return false;
    } else if (!instantDeLigne(ligne, t, souple_)) {
        return false;
    }
    return t.secondes >= periode_.debut.secondes && t.secondes <= periode_.fin.secondes;
}

Journal lignesDeLaPeriode(const Journal& journal, const PeriodeAnalyse& periode,
                          std::size_t& horsPeriode, bool souple, const FormatJournal& format) {
    horsPeriode = 0;
    PeriodeDesLignes dans(periode, souple, format);
    std::string texte;
    texte.reserve(journal.octets().size());
    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
        const std::string_view ligne = journal.ligne(i);
        if (!dans.contient(ligne, i)) {
            ++horsPeriode;
            continue;
        }
        texte.append(ligne);
        texte += '\n';
    }
    return Journal::depuisTexte(std::move(texte));
}

}  // namespace kestrane
