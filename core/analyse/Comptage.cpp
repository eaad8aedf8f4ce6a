#include "core/analyse/Comptage.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "core/journal/DeuxFils.h"
#include "core/journal/FilAuxiliaire.h"
#include "core/lecture/LectureFormatee.h"

namespace kestrane {

namespace {

// A format without an agent names no system nor browser: one entry says so, with every line,
// where the catalogue would have named each of them "Inconnu".
void direSansAgent(TablesAnalyse& t, ResultatsLisibles& lisibles) {
    lisibles.sansAgent = true;
    lisibles.robots.clear();
    lisibles.robotsConnus = false;
    for (tableauRapportStat* table : {&t.statOS, &t.statNav}) {
        int64_t lignes = 0;
        for (const rapportStat& e : *table) lignes += e.nombre;
        *table = {{std::string(kPasDAgent), {}, lignes}};
    }
}

// Below this many lines a run is counted on this thread alone.
constexpr std::size_t kLignesDeuxFils = 4096;

enum class Lue : uint8_t { gardee, ignoree, horsFiltre };

// A line of the default format read once for the filter and the readers, as the rule of kept lines
// and lireLigne read it one after the other: the record with its whole agent, the filter (a line
// that does not read passes it, then raises or is skipped), the examination of the lenient
// reading, the agent cut as the readers want it. Raises the parse's error as lireLigne does.
Lue lireFiltree(std::string_view ligne, TriFiltre& filtre, LecteurEnregistrements& lecteur,
                int tranche, ExamenLigne examen, CoupeAgent coupe) {
    RLog r;
    if (examen) {
        std::string_view fautif;
        if (!analyserLigneSouple(ligne, r, fautif, CoupeAgent::agentEntier)) return Lue::ignoree;
    } else {
        r = analyserLigne(ligne, CoupeAgent::agentEntier);
    }
    if (!filtre.garde(r, nullptr)) return Lue::horsFiltre;
    if (examen && !examen(r, nullptr)) return Lue::ignoree;
    if (coupe == CoupeAgent::navigateurEtSysteme) {
        const std::string_view agent = r.navigateur;
        r.navigateur = extraireNavigateur(agent);
        r.systeme = extraireSysteme(agent);
    }
    lecteur.lire(tranche, r);
    return Lue::gardee;
}

// How long f() takes, in seconds.
template <typename F>
double chronometrer(F&& f) {
    const auto debut = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
}

}  // namespace

Comptage::Comptage(const OptionsAnalyse& options, const FormatJournal& format,
                   LecteurEnregistrements* appelant)
    : options_(options), format_(format) {
    // The statistics first: the readers after them take each line's entries from them (its
    // file, client and agent) instead of looking its texts up again. The referrers are counted
    // once, by the statistics: the audience makes its referring sites and searches from that
    // table.
    std::vector<LecteurEnregistrements*> lecteurs{&statistiques_};
    if (options.complements) {
        complements_.emplace();
        audience_.emplace();
        audience_->regler({robotsDuCatalogue(options.memoireAgents), options.basePays, false,
                           options.ordreDApparition});
        complements_->suivre(&statistiques_);
        audience_->suivre(&statistiques_);
        lecteurs.push_back(&*complements_);
        lecteurs.push_back(&*audience_);
        if (options.detailEntrees) {
            entrees_.emplace();
            entrees_->suivre(&statistiques_);
            lecteurs.push_back(&*entrees_);
        }
    }
    // Each distinct agent cut once at the end rather than every line's agent: unless readable
    // results replace the tables of systems and browsers and no audience asks for the agents.
    statistiques_.agentsEntiers(options.complements || !options.resultatsLisibles);
    if (options.resultatsLisibles) {
        // The readable tables of systems and browsers come from the whole agents.
        statistiques_.sansAgents(true);
        lisibles_.emplace();
        lisibles_->suivre(&statistiques_);
        lisibles_->nommerAvec(options.memoireAgents);
        lecteurs.push_back(&*lisibles_);
    }
    if (!format_.estDefaut()) {
        enPlus_.emplace();
        enPlus_->suivre(&statistiques_);
        lecteurs.push_back(&*enPlus_);
    }
    if (appelant) lecteurs.push_back(appelant);
    if (lecteurs.size() == 1) {
        lecteur_ = lecteurs[0];
    } else {
        serie_ = std::make_unique<LecteursEnSerie>(std::move(lecteurs));
        lecteur_ = serie_.get();
    }
}

Comptage::~Comptage() = default;

void Comptage::commencer(const Journal& journal) {
    lecteur_->commencer(journal, 2, options_.ignorerNonConformes);
    for (auto& p : periodes_) p.reset();
    if (choisitDesLignes(options_)) {
        for (auto& p : periodes_) p.emplace(options_, format_);
    }
}

Comptage::Bilan Comptage::compter(const std::vector<std::string_view>& lignes,
                                  std::string_view octets, std::size_t premiere) {
    const ExamenLigne examen = options_.ignorerNonConformes ? examinerLigne : nullptr;
    const CoupeAgent coupe = coupePour(lecteur_);
    Bilan moities[2];
    // Where a half stopped: the line that raised, and what its message needs to know of it.
    const auto arreter = [](Bilan& m, std::size_t i, std::string_view ligne) {
        m.erreur = std::current_exception();
        m.arret = i;
        m.clientNonPointe = !adressePointee(ligne);
        m.ligneVide = ligne.empty();
    };
    const auto compterMoitie = [&](std::size_t debut, std::size_t fin, int tranche, Bilan& m) {
        for (std::size_t i = debut; i < fin; ++i) {
            const std::string_view ligne = lignes[i];
            if (TriFiltre* filtre = periodes_[tranche] ? periodes_[tranche]->filtre() : nullptr) {
                // The line read once for the filter and the counts.
                if (!periodes_[tranche]->dansLaPeriode(ligne)) {
                    ++m.horsPeriode;
                    continue;
                }
                try {
                    switch (lireFiltree(ligne, *filtre, *lecteur_, tranche, examen, coupe)) {
                        case Lue::gardee:
                            ++m.gardees;
                            break;
                        case Lue::ignoree:
                            ++m.ignorees;
                            break;
                        case Lue::horsFiltre:
                            ++m.horsFiltre;
                            break;
                    }
                } catch (...) {
                    arreter(m, i, ligne);
                    return;
                }
                continue;
            }
            if (periodes_[tranche]) {
                const PlaceLigne place = periodes_[tranche]->place(ligne, premiere + i);
                if (place == PlaceLigne::horsPeriode) {
                    ++m.horsPeriode;
                    continue;
                }
                if (place == PlaceLigne::horsFiltre) {
                    ++m.horsFiltre;
                    continue;
                }
            }
            try {
                if (lireLigne(ligne, lecteur_, tranche, examen, nullptr, coupe)) {
                    ++m.gardees;
                } else {
                    ++m.ignorees;
                }
            } catch (...) {
                arreter(m, i, ligne);
                return;
            }
        }
    };
    const std::size_t n = lignes.size();
    const std::size_t milieu =
        n >= kLignesDeuxFils ? static_cast<std::size_t>(static_cast<double>(n) * part_) : n;
    lecteur_->bloc(octets);
    double dureeA = 0, dureeB = 0;
    const auto premiereMoitie = [&] {
        dureeA = chronometrer([&] { compterMoitie(0, milieu, 0, moities[0]); });
    };
    const auto secondeMoitie = [&] {
        dureeB = chronometrer([&] { compterMoitie(milieu, n, 1, moities[1]); });
    };
    if (fil_) {
        fil_->enParallele(milieu < n, premiereMoitie, secondeMoitie);
    } else {
        enParallele(milieu < n, premiereMoitie, secondeMoitie);
    }
    if (milieu < n && dureeA > 0 && dureeB > 0) {
        const double vitesseA = static_cast<double>(milieu) / dureeA;
        const double vitesseB = static_cast<double>(n - milieu) / dureeB;
        part_ = std::clamp(0.5 * part_ + 0.5 * vitesseA / (vitesseA + vitesseB), 0.2, 0.8);
    }
    Bilan b;
    for (const Bilan& m : moities) {
        b.horsPeriode += m.horsPeriode;
        b.horsFiltre += m.horsFiltre;
        b.ignorees += m.ignorees;
        b.gardees += m.gardees;
        if (m.erreur && !b.erreur) {
            b.erreur = m.erreur;
            b.arret = m.arret;
            b.clientNonPointe = m.clientNonPointe;
            b.ligneVide = m.ligneVide;
        }
    }
    // A half's error first: the fold would count the lines waiting in the readers, past it.
    if (!b.erreur) lecteur_->replier();
    return b;
}

void Comptage::fusionner(Comptage& suite) {
    // Stretch by stretch, as a stream's folds take them: each reader's in series order, so that
    // the readers after the statistics find the statistics' fold of the same stretch.
    for (int tranche = 0; tranche < 2; ++tranche) {
        lecteur_->adopter(*suite.lecteur_, tranche);
        lecteur_->replier();
    }
}

bool Comptage::resultat(ResultatAnalyse& r, std::size_t lues, std::size_t horsPeriode,
                        std::optional<std::size_t> ignorees, std::size_t horsFiltre) {
    r.journal = Journal();
    r.enregistrements = TableauLog();
    r.retenues = TableauLog();
    r.lignesJournal = lues;
    r.periode = options_.periode;
    r.horsPeriode = horsPeriode;
    r.filtre = options_.filtre && !options_.filtre->vide() ? options_.filtre : nullptr;
    r.horsFiltre = horsFiltre;
    r.format = format_;
    const std::size_t analysees = lues - horsPeriode - horsFiltre - ignorees.value_or(0);
    if (!tablesDesComptes(statistiques_, analysees, options_.largeurTranches, r.tables,
                          &r.listes) ||
        octetsIncertains()) {
        return false;
    }
    r.periodeChoisie = std::string(kPeriodeToutLeFichier);
    r.enPlus = tablesEnPlus();
    completer(r, ignorees);
    return true;
}

void Comptage::completer(ResultatAnalyse& r, std::optional<std::size_t> ignorees,
                         const Execution& enFond) {
    const auto calculer = [&](const std::function<void()>& travail) {
        if (enFond) {
            enFond(travail);
        } else {
            travail();
        }
    };
    if (complements_) {
        calculerComplements(r, &*complements_, enFond, options_.basePays, &*audience_,
                            !options_.ordreDApparition);
        if (ignorees) r.complements->lignesIgnorees = static_cast<int64_t>(*ignorees);
    } else {
        r.complements.reset();
        r.audience.reset();
    }
    r.entrees.reset();
    if (entrees_) calculer([&] { r.entrees = entrees_->resultat(options_.basePays.get()); });
    r.lisibles = ResultatsLisibles{};
    if (lisibles_) {
        calculer([&] {
            if (lisibles_->complet()) {
                rendreLisibles(r.tables, *lisibles_, options_.largeurTranches, r.lisibles,
                               !options_.ordreDApparition);
            } else {
                rendreLisibles(r.tables, r.lignes(), options_.largeurTranches, r.lisibles);
            }
        });
        if (!porteAgent(format_)) direSansAgent(r.tables, r.lisibles);
    }
}

std::vector<CompteDuJour> compterParJour(const OptionsAnalyse& options, const Journal& journal,
                                         std::size_t premiere, std::size_t derniere) {
    std::vector<CompteDuJour> jours;
    std::vector<std::string_view> lignes;
    std::optional<int64_t> courant;
    const std::size_t fin = std::min(derniere, journal.nbLignes());
    std::size_t debut = premiere;
    const auto fermer = [&](std::size_t fin) {
        CompteDuJour j;
        j.jour = courant.value_or(0);
        j.premiere = debut;
        j.lignes = fin - debut;
        j.comptes = std::make_unique<Comptage>(options, FormatJournal());
        j.comptes->commencer(journal);
        j.bilan = j.comptes->compter(lignes, journal.octets(), debut);
        const bool erreur = j.bilan.erreur != nullptr;
        jours.push_back(std::move(j));
        lignes.clear();
        debut = fin;
        return !erreur;
    };
    for (std::size_t i = premiere; i < fin; ++i) {
        const std::string_view ligne = journal.ligne(i);
        Instant t;
        if (instantDeLigne(ligne, t, options.ignorerNonConformes)) {
            const int64_t jour =
                std::chrono::floor<std::chrono::days>(std::chrono::seconds(t.secondes)).count();
            if (courant && jour != *courant && !lignes.empty() && !fermer(i)) return jours;
            courant = jour;
        }
        lignes.push_back(ligne);
    }
    if (!lignes.empty()) fermer(fin);
    return jours;
}

}  // namespace kestrane
