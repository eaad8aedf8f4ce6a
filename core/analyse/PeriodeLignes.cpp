#include "core/analyse/PeriodeLignes.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/analyse/ServiceAnalyse.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Memoire.h"
#include "core/lecture/LecteurLignes.h"

namespace kestrane {

PeriodeDesLignes::PeriodeDesLignes(const PeriodeAnalyse& periode, bool souple,
                                   const FormatJournal& format)
    : periode_(periode), souple_(souple) {
    periode_.active = true;
    if (!format.estDefaut()) lecteur_ = std::make_unique<LecteurLignes>(format);
}

PeriodeDesLignes::PeriodeDesLignes(const OptionsAnalyse& options, const FormatJournal& format)
    : periode_(options.periode), souple_(options.ignorerNonConformes) {
    if (!format.estDefaut()) lecteur_ = std::make_unique<LecteurLignes>(format);
    if (options.filtre && !options.filtre->vide())
        filtre_.emplace(*options.filtre, options.basePays);
}

PeriodeDesLignes::~PeriodeDesLignes() = default;

PlaceLigne PeriodeDesLignes::place(std::string_view ligne, std::size_t numero) {
    RLog r;
    bool lue = false;
    if (lecteur_) {
        r.date = r.heure = {};
        const Lecture lecture = lecteur_->lire(ligne, numero, r);
        if (lecture == Lecture::Directive) return PlaceLigne::gardee;
        lue = lecture == Lecture::Requete;
        if (periode_.active) {
            Instant t;
            if (!lireInstant(r.date, r.heure, t) || t.secondes < periode_.debut.secondes ||
                t.secondes > periode_.fin.secondes) {
                return PlaceLigne::horsPeriode;
            }
        }
        if (!filtre_ || !lue) return PlaceLigne::gardee;
        return filtre_->garde(r, &lecteur_->enPlus()) ? PlaceLigne::gardee : PlaceLigne::horsFiltre;
    }
    if (periode_.active) {
        Instant t;
        if (!instantDeLigne(ligne, t, souple_) || t.secondes < periode_.debut.secondes ||
            t.secondes > periode_.fin.secondes) {
            return PlaceLigne::horsPeriode;
        }
    }
    if (!filtre_) return PlaceLigne::gardee;
    if (souple_) {
        std::string_view fautif;
        lue = analyserLigneSouple(ligne, r, fautif, CoupeAgent::agentEntier);
    } else {
        try {
            r = analyserLigne(ligne, CoupeAgent::agentEntier);
            lue = true;
        } catch (const ErreurKestrane&) {
            lue = false;
        }
    }
    if (!lue) return PlaceLigne::gardee;
    return filtre_->garde(r, nullptr) ? PlaceLigne::gardee : PlaceLigne::horsFiltre;
}

bool PeriodeDesLignes::dansLaPeriode(std::string_view ligne) {
    if (!periode_.active) return true;
    Instant t;
    return instantDeLigne(ligne, t, souple_) && t.secondes >= periode_.debut.secondes &&
           t.secondes <= periode_.fin.secondes;
}

bool choisitDesLignes(const OptionsAnalyse& options) {
    return options.periode.active || (options.filtre && !options.filtre->vide());
}

Journal lignesDeLaPeriode(const Journal& journal, const PeriodeAnalyse& periode,
                          std::size_t& horsPeriode, bool souple, const FormatJournal& format) {
    OptionsAnalyse options;
    options.periode = periode;
    options.periode.active = true;
    options.ignorerNonConformes = souple;
    std::size_t horsFiltre = 0;
    return lignesGardees(journal, options, format, horsPeriode, horsFiltre);
}

namespace {

// Below this many lines a filter is applied on this thread alone.
constexpr std::size_t kLignesDeuxFils = 65536;

struct Moitie {
    std::vector<std::size_t> gardees;
    std::size_t octets = 0, horsPeriode = 0, horsFiltre = 0;
};

}  // namespace

Journal lignesGardees(const Journal& journal, const OptionsAnalyse& options,
                      const FormatJournal& format, std::size_t& horsPeriode,
                      std::size_t& horsFiltre, std::vector<std::size_t>* numeros) {
    horsPeriode = horsFiltre = 0;
    if (numeros) numeros->clear();
    const std::size_t n = journal.nbLignes();
    // W3C's columns are learnt in order: one reader from the first line.
    const bool filtre = options.filtre && !options.filtre->vide();
    const bool deux = filtre && n >= kLignesDeuxFils && !format.aDirectives();
    const std::size_t milieu = deux ? n / 2 : n;
    Moitie moities[2];
    // On one thread the lines go straight into the copy.
    std::string texte;
    if (!deux) texte.reserve(journal.octets().size());
    const auto trier = [&](std::size_t debut, std::size_t fin, Moitie& m) {
        PeriodeDesLignes dans(options, format);
        for (std::size_t i = debut; i < fin; ++i) {
            const std::string_view ligne = journal.ligne(i);
            switch (dans.place(ligne, i)) {
                case PlaceLigne::gardee:
                    if (deux) {
                        m.gardees.push_back(i);
                        m.octets += ligne.size() + 1;
                    } else {
                        texte.append(ligne);
                        texte += '\n';
                        if (numeros) numeros->push_back(i);
                    }
                    break;
                case PlaceLigne::horsPeriode:
                    ++m.horsPeriode;
                    break;
                case PlaceLigne::horsFiltre:
                    ++m.horsFiltre;
                    break;
            }
        }
    };
    enParallele(
        deux, [&] { trier(0, milieu, moities[0]); }, [&] { trier(milieu, n, moities[1]); });
    for (const Moitie& m : moities) {
        horsPeriode += m.horsPeriode;
        horsFiltre += m.horsFiltre;
    }
    if (!deux) return Journal::depuisTexte(std::move(texte));
    if (numeros) {
        numeros->reserve(moities[0].gardees.size() + moities[1].gardees.size());
        for (const Moitie& m : moities)
            numeros->insert(numeros->end(), m.gardees.begin(), m.gardees.end());
    }
    // Each half copies its lines into its own part of the new journal's memory.
    const std::size_t total = moities[0].octets + moities[1].octets;
    if (total == 0) return Journal();
    auto bloc = std::make_unique<BlocMemoire>(total);
    const auto copier = [&](const Moitie& m, char* p) {
        for (const std::size_t i : m.gardees) {
            const std::string_view ligne = journal.ligne(i);
            std::memcpy(p, ligne.data(), ligne.size());
            p += ligne.size();
            *p++ = '\n';
        }
    };
    char* debut = bloc->donnees();
    enParallele(
        true, [&] { copier(moities[0], debut); },
        [&] { copier(moities[1], debut + moities[0].octets); });
    return Journal::depuisBloc(std::move(bloc), total);
}

}  // namespace kestrane
