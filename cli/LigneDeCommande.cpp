// The command line: options, the analysis, the outputs and the exit status. No Qt here, so that
// it runs on a server without a display.
#include "cli/LigneDeCommande.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/AnalyseCommande.h"
#include "cli/FormatCommande.h"
#include "cli/Sorties.h"
#include "core/analyse/AnalyseFlux.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/audience/BasePays.h"
#include "core/export/Export.h"
#include "core/journal/Assemblage.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Chemins.h"
#include "core/journal/Erreur.h"
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
    const char* enteteAide;
    const char* version;
};

const char* const kOptions =
    "Options :\n"
    "  --rapport FICHIER.html   \u00e9crit le rapport en une page HTML autonome\n"
    "  --csv DOSSIER            \u00e9crit une table CSV par tableau dans DOSSIER\n"
    "  --ignorer-lignes-non-conformes\n"
    "                           ignore les lignes non conformes au lieu de s'arr\u00eater\n"
    "  --periode AAAA-MM-JJ[THH:MM]..AAAA-MM-JJ[THH:MM]\n"
    "                           n'analyse que les lignes de cette p\u00e9riode\n"
    "  --complements            ajoute les tableaux des compl\u00e9ments\n"
    "  --tranches N             tranches horaires de N heures (1 \u00e0 6, 1 par d\u00e9faut)\n"
    "  --progression            affiche l'avancement chaque seconde sur la sortie d'erreur\n"
    "  --resultats-bruts        \u00e9crit les tableaux bruts (ordre d'apparition, sans noms "
    "ni unit\u00e9s)\n"
    "  --format NOM|auto|'CHA\u00ceNE'\n"
    "                           lit les journaux dans ce format : combine (par d\u00e9faut),\n"
    "                           auto, commun, vhost, nginx-hote, combine-plus, w3c, json,\n"
    "                           ou une cha\u00eene LogFormat d'Apache ou log_format de nginx\n"
    "  --geoip FICHIER          base des pays des compl\u00e9ments (MaxMind DB, .mmdb) ;\n"
    "                           par d\u00e9faut la premi\u00e8re *ountry*.mmdb de\n"
    "                           /usr/share/GeoIP ou de /var/lib/GeoIP\n"
    "  --help                   affiche cette aide\n"
    "  --version                affiche la version\n"
    "\n"
    "Les journaux sont lus en flux, sans \u00eatre charg\u00e9s en m\u00e9moire ; \u00ab - \u00bb "
    "lit "
    "l'entr\u00e9e standard.\n"
    "Code de sortie : 0 en cas de succ\u00e8s, 1 en cas d'erreur (message sur la sortie "
    "d'erreur).\n";

const Identite kKestrane = {
    "kestrane",
    "Usage : kestrane [options] journal...\n"
    "        kestrane                      (ouvre la fen\u00eatre)\n"
    "\n"
    "Analyse un ou plusieurs journaux d'acc\u00e8s (format combin\u00e9, .gz accept\u00e9s) sans "
    "ouvrir de fen\u00eatre\net \u00e9crit le rapport.\n"
    "\n",
    "Kestrane " KESTRANE_VERSION "\n"};

const Identite kKestraneRapport = {
    "kestrane-rapport",
    "Usage : kestrane-rapport [options] journal...\n"
    "\n"
    "Analyse un ou plusieurs journaux d'acc\u00e8s (format combin\u00e9, .gz accept\u00e9s) et "
    "\u00e9crit le rapport,\n"
    "sans fen\u00eatre ni affichage : l'analyse de Kestrane pour un serveur ou un script (cron).\n"
    "\n",
    "kestrane-rapport (Kestrane) " KESTRANE_VERSION "\n"};

bool lireEntier(std::string_view t, int& v) {
    if (t.empty()) return false;
    v = 0;
    for (const char c : t) {
        if (c < '0' || c > '9') return false;
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

std::string dateCreation() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&t, &local);
    char texte[32];
    std::strftime(texte, sizeof texte, "%d/%m/%Y %H:%M", &local);
    return texte;
}

std::string nomSansDossier(const std::string& chemin) {
    const std::size_t p = chemin.find_last_of('/');
    return p == std::string::npos ? chemin : chemin.substr(p + 1);
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
    bool aide = false, version = false;
    bool progression = false;
    // The journals loaded whole before they are counted, as the window does (for comparisons).
    bool entiere = false;
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
    const std::string aide = std::string(" (") + moi.nom + " --help pour l'aide)";
    const auto echec = [&](const std::string& message) {
        // A message may quote a log or a path: never a command to the terminal.
        erreurs << moi.nom << " : " << controlesVisibles(message) << '\n';
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
        } else if (arg == "--version") {
            a.version = true;
        } else if (arg == "--rapport") {
            if (!valeur(a.rapport)) return echec("l'option --rapport demande un nom de fichier");
        } else if (arg == "--csv") {
            if (!valeur(a.csv)) return echec("l'option --csv demande un nom de dossier");
        } else if (arg == "--ignorer-lignes-non-conformes") {
            a.analyse.ignorerNonConformes = true;
        } else if (arg == "--complements") {
            a.analyse.complements = true;
        } else if (arg == "--progression") {
            a.progression = true;
        } else if (arg == "--lecture-entiere") {
            a.entiere = true;
        } else if (arg == "--tranches") {
            std::string texte;
            int largeur = 0;
            if (!valeur(texte) || !lireEntier(texte, largeur) || largeur < 1 || largeur > 6) {
                return echec("l'option --tranches demande une largeur de 1 \u00e0 6 heures");
            }
            a.analyse.largeurTranches = largeur;
        } else if (arg == "--resultats-bruts") {
            a.analyse.resultatsLisibles = false;
        } else if (arg == "--geoip") {
            if (!valeur(a.geoip)) return echec("l'option --geoip demande un nom de fichier");
        } else if (arg == "--periode") {
            std::string texte;
            if (!valeur(texte)) return echec("l'option --periode demande une p\u00e9riode");
            const auto p = lirePeriode(texte);
            if (!p) {
                return echec("p\u00e9riode incorrecte \u00ab " + texte +
                             " \u00bb (attendu : AAAA-MM-JJ[THH:MM]..AAAA-MM-JJ[THH:MM])");
            }
            a.analyse.periode = *p;
        } else if (arg == "--format") {
            std::string texte;
            if (!valeur(texte)) return echec("l'option --format demande un format");
            if (const auto erreur = choisirFormat(texte, a.analyse)) return echec(*erreur);
        } else if (arg == "--") {
            for (++i; i < argc; ++i) a.journaux.emplace_back(argv[i]);
        } else if (arg.substr(0, 1) == "-" && arg.size() > 1) {
            return echec("option inconnue \u00ab " + std::string(arg) + " \u00bb" + aide);
        } else {
            a.journaux.emplace_back(arg);
        }
    }
    if (a.aide) {
        sortie << moi.enteteAide << kOptions;
        return 0;
    }
    if (a.version) {
        sortie << moi.version;
        return 0;
    }
    if (a.rapport.empty() && a.csv.empty()) {
        return echec("indiquez --rapport FICHIER.html ou --csv DOSSIER" + aide);
    }
    if (a.journaux.empty()) return echec("aucun fichier journal indiqu\u00e9");
    // A file named twice would count its lines twice.
    std::vector<std::size_t> ecartes;
    const std::vector<std::string> nommes = a.journaux;
    a.journaux = sansDoublons(nommes, &ecartes);
    if (!ecartes.empty()) {
        erreurs << "kestrane : " << utf8Depuis1252(noteJournauxEcartes(ecartes.size()));
        for (std::size_t k = 0; k < ecartes.size(); ++k) {
            erreurs << (k == 0 ? " : \u00ab " : ", \u00ab ")
                    << controlesVisibles(nommes[ecartes[k]]) << " \u00bb";
        }
        erreurs << '\n';
    }

    // The countries of the Compléments: a database that does not open is told, and the
    // analysis goes on without them.
    if (a.analyse.complements) {
        const std::string base = a.geoip.empty() ? chercherBasePays() : a.geoip;
        try {
            if (!base.empty()) a.analyse.basePays = std::make_shared<const BasePays>(base);
        } catch (const ErreurKestrane& e) {
            echec(messageUtf8(e));
        }
    }

    garderLaMemoire();
    const auto debut = std::chrono::steady_clock::now();
    try {
        const Sorties sorties{a.rapport, a.csv};
        verifierSorties(sorties, a.journaux);
        const Analyse analyse = a.entiere
                                    ? analyser(a.journaux, a.analyse)
                                    : analyserEnFlux(a.journaux, a.analyse,
                                                     a.progression ? &erreurs : nullptr, moi.nom);
        const ResultatAnalyse& r = analyse.resultat;
        const ResumeAnalyse resume = resumerAnalyse(analyse);
        if (resume.lignesAnalysees == 0) {
            // Every line skipped: empty tables would hide it.
            return echec("aucune ligne conforme sur " + std::to_string(resume.ignorees) +
                         " : format non reconnu ?");
        }
        DonneesRapport d = donneesRapport(r);
        d.lignes = static_cast<int64_t>(resume.lignesAnalysees);
        d.lignesIgnorees = static_cast<int64_t>(resume.ignorees);
        d.nomJournal = nomSansDossier(a.journaux.front());
        if (analyse.journaux.size() > 1) {
            for (const std::string& j : analyse.journaux) d.journaux.push_back(nomSansDossier(j));
        }
        d.dateCreation = dateCreation();
        d.version = KESTRANE_VERSION;
        ecrireSorties(sorties, d);
        const double secondes =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
        char duree[32];
        std::snprintf(duree, sizeof duree, "%.2f", secondes);
        std::string texteDuree = duree;
        for (char& c : texteDuree) {
            if (c == '.') c = ',';
        }
        const auto nombre = [](std::size_t n) { return static_cast<int64_t>(n); };
        sortie << quantite(nombre(resume.lignesAnalysees), "ligne analys\u00e9e",
                           "lignes analys\u00e9es");
        if (resume.ignorees > 0) {
            sortie << ", " << quantite(nombre(resume.ignorees), "ignor\u00e9e", "ignor\u00e9es");
        }
        if (resume.horsPeriode > 0) sortie << ", " << resume.horsPeriode << " hors p\u00e9riode";
        if (!d.format.empty()) sortie << ", " << utf8Depuis1252(texteFormatCourt(r));
        sortie << ", " << quantite(nombre(resume.adresses), "adresse IP", "adresses IP");
        if (!a.rapport.empty()) sortie << " ; rapport : " << a.rapport;
        if (!a.csv.empty()) sortie << " ; tables CSV : " << a.csv;
        sortie << " (" << texteDuree << " s)\n";
        return 0;
    } catch (const ErreurAnalyse& e) {
        std::string m = utf8Depuis1252(e.message());
        if (e.ligne() > 0) m = "ligne " + std::to_string(e.ligne()) + " : " + m;
        if (!e.fichier().empty()) m = e.fichier() + ", " + m;
        echec(m);
        if (e.clientNonPointe()) {
            echec(
                "l'option --ignorer-lignes-non-conformes lit les adresses IPv6 et les noms "
                "d'h\u00f4tes");
        }
        return 1;
    } catch (const ErreurFichier& e) {
        return echec(messageUtf8(e));
    } catch (const RefusSortie& e) {
        return echec(e.what());
    } catch (const ErreurKestrane& e) {
        return echec(utf8Depuis1252(e.message()));
    } catch (const std::bad_alloc&) {
        return echec("m\u00e9moire insuffisante");
    }
}

}  // namespace kestrane
