// The command line: options, the analysis, the outputs and the exit status. No Qt here, so that
// it runs on a server without a display.
#include "cli/LigneDeCommande.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/AnalyseCommande.h"
#include "cli/BaseCommande.h"
#include "cli/FormatCommande.h"
#include "cli/MessagesCommande.h"
#include "cli/Sorties.h"
#include "cli/SuiviCommande.h"
#include "core/analyse/AnalyseFlux.h"
#include "core/analyse/Filtre.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/audience/BasePays.h"
#include "core/export/Export.h"
#include "core/historique/BaseJours.h"
#include "core/journal/Assemblage.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Chemins.h"
#include "core/journal/Erreur.h"
#include "core/journal/LectureFlux.h"
#include "core/journal/Texte.h"

#ifndef KESTRANE_VERSION
#define KESTRANE_VERSION "0"
#endif

namespace kestrane {

namespace {

// What differs between the two programs that run the command line: their name in messages,
// the head of their help and their version line.
struct Identite {
    const char* nom;
    Texte enteteAide;
    const char* version;
};

const Identite kKestrane = {"kestrane", kAideKestrane, "Kestrane " KESTRANE_VERSION "\n"};

const Identite kKestraneRapport = {"kestrane-rapport", kAideKestraneRapport,
                                   "kestrane-rapport (Kestrane) " KESTRANE_VERSION "\n"};

bool lireEntier(std::string_view t, int& v) {
    if (t.empty()) return false;
    v = 0;
    for (const char c : t) {
        if (c < '0' || c > '9') return false;
        // Past the type's range: no number the options take.
        if (v > (INT_MAX - (c - '0')) / 10) return false;
        v = v * 10 + (c - '0');
    }
    return true;
}

// "AAAA-MM-JJ" or "AAAA-MM-JJTHH:MM"; `fin`: the last second of the day or of the minute.
bool lireBorne(std::string_view t, bool fin, Instant& instant) {
    if (t.size() != 10 && t.size() != 16) return false;
    if (t[4] != '-' || t[7] != '-') return false;
    int annee, mois, jour, heure = fin ? 23 : 0, minute = fin ? 59 : 0;
    if (!lireEntier(t.substr(0, 4), annee) || !lireEntier(t.substr(5, 2), mois) ||
        !lireEntier(t.substr(8, 2), jour)) {
        return false;
    }
    if (t.size() == 16) {
        if (t[10] != 'T' || t[13] != ':') return false;
        if (!lireEntier(t.substr(11, 2), heure) || !lireEntier(t.substr(14, 2), minute)) {
            return false;
        }
    }
    // Not 31 April, nor 29 February 2025.
    if (!dateReelle(annee, mois, jour) || heure > 23 || minute > 59) return false;
    instant.secondes = joursDepuisEpoque(annee, mois, jour) * kSecondesParJour + heure * 3600 +
                       minute * 60 + (fin ? 59 : 0);
    return true;
}

struct Arguments {
    std::string rapport, csv, geoip;
    std::vector<std::string> journaux;
    // The report to share is readable unless --resultats-bruts asks for the raw tables.
    OptionsAnalyse analyse = [] {
        OptionsAnalyse o;
        o.resultatsLisibles = true;
        o.uneLigneSuffit = true;
        return o;
    }();
    // --filtre and its shorthands, joined by "and" once every option is read.
    std::vector<std::string> filtres;
    bool aide = false, version = false;
    bool progression = false;
    // The journals loaded whole before they are counted, as the window does (for comparisons).
    bool entiere = false;
    // The base of days: journals added to it, or without journals the report made from it.
    std::string base, serveur;
    std::optional<PeriodeAnalyse> comparer;
    std::size_t limite = kLimiteParDefaut;
    // The journal followed as it grows, its report written again every `intervalle` seconds.
    bool suivre = false;
    int intervalle = 0;
};

// An error's message in UTF-8: the path a file error names between its two parts is the
// system's, as the user typed it.
std::string messageUtf8(const ErreurKestrane& e) {
    const std::string& m = e.message();
    if (const auto* f = dynamic_cast<const ErreurFichier*>(&e)) {
        const std::size_t n = f->debut().size();
        if (m.compare(0, n, f->debut()) == 0) return utf8Depuis1252(f->debut()) + m.substr(n);
    }
    if (const auto* b = dynamic_cast<const ErreurBasePays*>(&e)) {
        return '"' + b->chemin() + '"' + utf8Depuis1252(kBaseIllisible);
    }
    return utf8Depuis1252(m);
}

// Why the options cannot follow their journal as it grows, when they cannot (UTF-8).
std::optional<std::string> refusSuivi(const Arguments& a) {
    if (a.rapport.empty() && a.csv.empty()) return std::string(kSuivreSansSortie);
    if (a.journaux.size() != 1) return std::string(kSuivreUnJournal);
    // A journal loaded whole, in another format than the one a stream reads, or a base's report.
    if (a.entiere) return texteSuivreSans("--lecture-entiere");
    if (!a.analyse.format.estDefaut() || a.analyse.formatAutomatique) {
        return texteSuivreSans("--format");
    }
    if (a.comparer) return texteSuivreSans("--comparer");
    // The base knows a file by its first bytes, read again at each feed.
    if (!a.base.empty() && a.journaux.front() == kEntreeStandard) {
        return std::string(kSuivreBaseEntree);
    }
    return std::nullopt;
}

// The analysis and its report take memory in many pieces, freed and taken again: the heap keeps
// what is freed and serves big arrays too, rather than giving memory back to the system and
// asking for it again, since first touching fresh memory is what costs most here.
void garderLaMemoire() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_TOP_PAD, 16 << 20);
#endif
}

}  // namespace

std::optional<PeriodeAnalyse> lirePeriode(std::string_view texte) {
    const std::size_t p = texte.find("..");
    if (p == std::string_view::npos) return std::nullopt;
    PeriodeAnalyse periode;
    periode.active = true;
    if (!lireBorne(texte.substr(0, p), false, periode.debut) ||
        !lireBorne(texte.substr(p + 2), true, periode.fin) ||
        periode.debut.secondes > periode.fin.secondes) {
        return std::nullopt;
    }
    return periode;
}

bool estLigneDeCommande(int argc, const char* const* argv) {
    // The options Qt reads itself still go to the window.
    static constexpr std::string_view kOptionsQt[] = {"-platform",        "-platformpluginpath",
                                                      "-platformtheme",   "-plugin",
                                                      "-qwindowgeometry", "-qwindowicon",
                                                      "-qwindowtitle",    "-reverse",
                                                      "-session",         "-display",
                                                      "-geometry",        "-style",
                                                      "-stylesheet",      "-widgetcount"};
    if (argc > 1) {
        const std::string_view premier = argv[1];
        if (premier.size() > 1 && premier[0] == '-' &&
            std::find(std::begin(kOptionsQt), std::end(kOptionsQt), premier) ==
                std::end(kOptionsQt)) {
            return true;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a.substr(0, 2) == "--" || a == "-h") return true;
    }
    return false;
}

int executerLigneDeCommande(int argc, const char* const* argv, std::ostream& sortie,
                            std::ostream& erreurs, Programme programme) {
    const Identite& moi = programme == Programme::kestraneRapport ? kKestraneRapport : kKestrane;
    // The language first, so that every message is in it, the refusal of an option before it too.
    std::optional<Langue> langue;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string_view(argv[i]) == "--langue") langue = langueNommee(argv[i + 1]);
    }
    choisirLangue(langue.value_or(langueDuSysteme()));
    const std::string aide = texteRenvoiAide(moi.nom);
    const auto echec = [&](const std::string& message) {
        // A message may quote a log or a path: never a command to the terminal.
        erreurs << remplir(TexteU("{} : {}"), {moi.nom, controlesVisibles(message)}) << '\n';
        return 1;
    };
    Arguments a;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto valeur = [&](std::string& v) {
            if (i + 1 >= argc) return false;
            v = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            a.aide = true;
        } else if (arg == "--langue") {
            std::string nom;
            if (!valeur(nom) || !langueNommee(nom)) {
                return echec(texteOptionIncorrecte("--langue", nom));
            }
        } else if (arg == "--version") {
            a.version = true;
        } else if (arg == "--rapport") {
            if (!valeur(a.rapport)) return echec(kRapportSansFichier);
        } else if (arg == "--csv") {
            if (!valeur(a.csv)) return echec(kCsvSansDossier);
        } else if (arg == "--ignorer-lignes-non-conformes") {
            a.analyse.ignorerNonConformes = true;
        } else if (arg == "--complements") {
            a.analyse.complements = true;
        } else if (arg == "--detail-entrees") {
            a.analyse.complements = true;
            a.analyse.detailEntrees = true;
        } else if (arg == "--progression") {
            a.progression = true;
        } else if (arg == "--lecture-entiere") {
            a.entiere = true;
        } else if (arg == "--tranches") {
            std::string texte;
            int largeur = 0;
            if (!valeur(texte) || !lireEntier(texte, largeur) || largeur < 1 || largeur > 6) {
                return echec(kTranchesSansLargeur);
            }
            a.analyse.largeurTranches = largeur;
        } else if (arg == "--resultats-bruts") {
            a.analyse.resultatsLisibles = false;
        } else if (arg == "--geoip") {
            if (!valeur(a.geoip)) return echec(kGeoipSansFichier);
        } else if (arg == "--periode") {
            std::string texte;
            if (!valeur(texte)) return echec(kPeriodeSansValeur);
            const auto p = lirePeriode(texte);
            if (!p) return echec(textePeriodeIncorrecte(texte));
            a.analyse.periode = *p;
        } else if (arg == "--filtre") {
            std::string texte;
            if (!valeur(texte)) return echec(kFiltreOptionSansValeur);
            a.filtres.push_back(std::move(texte));
        } else if (arg == "--exclure-ip") {
            std::string texte;
            if (!valeur(texte)) return echec(kExclureIpSansValeur);
            const std::string terme = "-ip:" + valeurDeTerme(texte);
            try {
                Filtre::lire(terme);
            } catch (const ErreurFiltre&) {
                return echec(texteOptionIncorrecte("--exclure-ip", texte));
            }
            a.filtres.push_back(terme);
        } else if (arg == "--statut") {
            std::string texte;
            if (!valeur(texte)) return echec(kStatutSansValeur);
            const std::string terme = "statut:" + valeurDeTerme(texte);
            try {
                Filtre::lire(terme);
            } catch (const ErreurFiltre&) {
                return echec(texteOptionIncorrecte("--statut", texte));
            }
            a.filtres.push_back(terme);
        } else if (arg == "--sans-robots") {
            a.filtres.emplace_back("-robot");
        } else if (arg == "--sans-statiques") {
            a.filtres.emplace_back("-statique");
        } else if (arg == "--base") {
            if (!valeur(a.base)) return echec(kBaseSansAdresse);
        } else if (arg == "--serveur") {
            if (!valeur(a.serveur) || a.serveur.empty()) return echec(kServeurSansNom);
        } else if (arg == "--base-limite") {
            std::string texte;
            int limite = 0;
            if (!valeur(texte) || !lireEntier(texte, limite) || limite < 0) {
                return echec(kBaseLimiteSansNombre);
            }
            a.limite = static_cast<std::size_t>(limite);
        } else if (arg == "--comparer") {
            std::string texte;
            if (!valeur(texte)) return echec(kComparerSansPeriode);
            a.comparer = lirePeriode(texte);
            if (!a.comparer) return echec(textePeriodeIncorrecte(texte));
        } else if (arg == "--suivre") {
            a.suivre = true;
        } else if (arg == "--intervalle") {
            std::string texte;
            if (!valeur(texte) || !lireEntier(texte, a.intervalle) || a.intervalle < 1) {
                return echec(kIntervalleSansSecondes);
            }
        } else if (arg == "--format") {
            std::string texte;
            if (!valeur(texte)) return echec(kFormatSansValeur);
            if (const auto erreur = choisirFormat(texte, a.analyse)) return echec(*erreur);
        } else if (arg == "--") {
            for (++i; i < argc; ++i) a.journaux.emplace_back(argv[i]);
        } else if (arg.substr(0, 1) == "-" && arg.size() > 1) {
            return echec(texteOptionInconnue(arg) + aide);
        } else {
            a.journaux.emplace_back(arg);
        }
    }
    if (a.aide) {
        sortie << moi.enteteAide << kAideOptions;
        return 0;
    }
    if (a.version) {
        sortie << moi.version;
        return 0;
    }
    if (a.base.empty() && (!a.serveur.empty() || a.comparer)) return echec(kOptionsSansBase);
    if (a.intervalle > 0 && !a.suivre) return echec(kIntervalleSansSuivre);
    if (a.suivre) {
        if (const auto refus = refusSuivi(a)) return echec(*refus + aide);
    }
    if (!a.base.empty() && !a.journaux.empty() &&
        (!a.analyse.format.estDefaut() || a.analyse.formatAutomatique)) {
        return echec(kBaseFormatCombine);
    }
    if (!a.base.empty() && !a.suivre &&
        (!a.journaux.empty() || !a.rapport.empty() || !a.csv.empty())) {
        DemandeBase b{a.base,          a.serveur,  a.journaux,
                      a.rapport,       a.csv,      a.limite,
                      a.analyse,       a.comparer, dateLocale("%d/%m/%Y %H:%M"),
                      KESTRANE_VERSION};
        try {
            return executerBase(b, sortie, echec);
        } catch (const ErreurFichier& e) {
            return echec(messageUtf8(e));
        } catch (const RefusSortie& e) {
            return echec(e.what());
        } catch (const ErreurKestrane& e) {
            return echec(utf8Depuis1252(e.message()));
        }
    }
    if (a.rapport.empty() && a.csv.empty()) {
        return echec(kSortieManquante + aide);
    }
    if (a.journaux.empty()) return echec(kJournalManquant);
    if (!a.filtres.empty()) {
        try {
            auto filtre = std::make_shared<const Filtre>(Filtre::tous(a.filtres));
            if (!filtre->vide()) a.analyse.filtre = std::move(filtre);
        } catch (const ErreurFiltre& e) {
            return echec(e.messageUtf8());
        }
    }
    const bool pays = a.analyse.filtre && a.analyse.filtre->demandePays();
    // A file named twice would count its lines twice.
    std::vector<std::size_t> ecartes;
    const std::vector<std::string> nommes = a.journaux;
    a.journaux = sansDoublons(nommes, &ecartes);
    if (!ecartes.empty()) {
        erreurs << "kestrane : " << utf8Depuis1252(noteJournauxEcartes(ecartes.size()));
        for (std::size_t k = 0; k < ecartes.size(); ++k) {
            erreurs << (k == 0 ? " : " : ", ")
                    << texteEntreGuillemets(controlesVisibles(nommes[ecartes[k]]));
        }
        erreurs << '\n';
    }

    // The countries of the Compléments: a database that does not open is told, and the
    // analysis goes on without them; a filter on countries cannot.
    if (a.analyse.complements || pays) {
        const std::string base = a.geoip.empty() ? chercherBasePays() : a.geoip;
        try {
            if (!base.empty()) a.analyse.basePays = std::make_shared<const BasePays>(base);
        } catch (const ErreurKestrane& e) {
            echec(messageUtf8(e));
        }
        if (pays && !a.analyse.basePays) return echec(utf8Depuis1252(kFiltrePaysSansBase));
    }

    garderLaMemoire();
    const auto debut = std::chrono::steady_clock::now();
    try {
        const Sorties sorties{a.rapport, a.csv};
        verifierSorties(sorties, a.journaux);
        if (a.suivre) {
            const DemandeSuivi suivi{a.journaux.front(),
                                     sorties,
                                     a.analyse,
                                     a.intervalle > 0 ? a.intervalle : kIntervalleParDefaut,
                                     a.base,
                                     a.serveur,
                                     a.limite,
                                     a.progression,
                                     moi.nom};
            return executerSuivi(suivi, sortie, erreurs, echec);
        }
        const Analyse analyse = a.entiere
                                    ? analyser(a.journaux, a.analyse)
                                    : analyserEnFlux(a.journaux, a.analyse,
                                                     a.progression ? &erreurs : nullptr, moi.nom);
        const ResumeAnalyse resume = resumerAnalyse(analyse);
        if (resume.lignesAnalysees == 0) {
            // Every line skipped: empty tables would hide it.
            return echec(texteAucuneLigneConforme(resume.ignorees));
        }
        const DonneesRapport d = donneesDeLAnalyse(analyse, resume, a.journaux.front());
        ecrireSorties(sorties, d);
        ecrireResume(
            sortie, analyse, resume, d, sorties,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count());
        return 0;
    } catch (const ErreurAnalyse& e) {
        std::string m = utf8Depuis1252(e.message());
        if (e.ligne() > 0) m = texteALaLigne(e.ligne(), m);
        if (!e.fichier().empty()) m = e.fichier() + ", " + m;
        echec(m);
        if (e.clientNonPointe()) {
            echec(kConseilNonConformes);
        }
        return 1;
    } catch (const ErreurFichier& e) {
        return echec(messageUtf8(e));
    } catch (const RefusSortie& e) {
        return echec(e.what());
    } catch (const ErreurKestrane& e) {
        return echec(utf8Depuis1252(e.message()));
    } catch (const std::bad_alloc&) {
        return echec(kMemoireInsuffisante);
    }
}

}  // namespace kestrane
