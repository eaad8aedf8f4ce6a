// The command line: options, the analysis, the outputs and the exit status. No Qt here, so that
// it runs on a server without a display.
#include "cli/LigneDeCommande.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <ostream>
#include <string>
#include <vector>

#include "core/analyse/AnalyseAutonome.h"
#include "core/export/Export.h"
#include "core/journal/Erreur.h"

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
    "  --help                   affiche cette aide\n"
    "  --version                affiche la version\n"
    "\n"
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
    if (mois < 1 || mois > 12 || jour < 1 || heure > 23 || minute > 59) return false;
    const int64_t n = numeroJour(annee, mois, jour);
    int32_t a, m, j;
    dateDuJour(n, a, m, j);
    if (a != annee || m != mois || j != jour) return false;  // 31 April, 29 February 2025
    instant.secondes = n * 86400 + heure * 3600 + minute * 60 + (fin ? 59 : 0);
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

// The folder a path would be written in.
std::string dossierDe(const std::string& chemin) {
    const std::size_t p = chemin.find_last_of('/');
    return p == std::string::npos ? "." : p == 0 ? "/" : chemin.substr(0, p);
}

// Whether a file can be made in the folder of `chemin` (for a CSV folder not made yet, in the
// folder above it): checked for every output before any is written, so that a run that cannot
// write its second output does not leave its first one behind.
void verifierEcriture(const std::string& chemin, bool dossier) {
    struct stat infos {};
    const std::string lieu =
        dossier && ::stat(chemin.c_str(), &infos) == 0 && S_ISDIR(infos.st_mode)
            ? chemin
            : dossierDe(chemin);
    if (::access(lieu.c_str(), W_OK | X_OK) != 0) {
        leverErreurFichier(dossier ? "Impossible de cr\xE9"
                                     "er le dossier "
                                   : "Impossible de cr\xE9"
                                     "er le fichier ",
                           chemin, std::strerror(errno));
    }
}

struct Arguments {
    std::string rapport, csv;
    OptionsAnalyse analyse;
    bool aide = false, version = false;
};

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
        erreurs << moi.nom << " : " << message << '\n';
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
        } else if (arg == "--periode") {
            std::string texte;
            if (!valeur(texte)) return echec("l'option --periode demande une p\u00e9riode");
            const auto p = lirePeriode(texte);
            if (!p) {
                return echec("p\u00e9riode incorrecte \u00ab " + texte +
                             " \u00bb (attendu : AAAA-MM-JJ[THH:MM]..AAAA-MM-JJ[THH:MM])");
            }
            a.analyse.periode = *p;
        } else if (arg == "--") {
            for (++i; i < argc; ++i) a.analyse.journaux.emplace_back(argv[i]);
        } else if (arg.substr(0, 1) == "-" && arg.size() > 1) {
            return echec("option inconnue \u00ab " + std::string(arg) + " \u00bb" + aide);
        } else {
            a.analyse.journaux.emplace_back(arg);
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
    if (a.analyse.journaux.empty()) return echec("aucun fichier journal indiqu\u00e9");

    const auto debut = std::chrono::steady_clock::now();
    try {
        const ResultatAnalyse r = analyserSansFenetre(a.analyse);
        if (r.lignesAnalysees == 0) {
            // Every line skipped: empty tables would hide it.
            return echec("aucune ligne conforme sur " + std::to_string(r.ignorees) +
                         " : format non reconnu ?");
        }
        DonneesRapport d;
        d.nomJournal = nomSansDossier(a.analyse.journaux.front());
        if (r.journaux.size() > 1) {
            for (const std::string& j : r.journaux) d.journaux.push_back(nomSansDossier(j));
        }
        if (a.analyse.periode.active) {
            d.periode = " du " + texteInstant(a.analyse.periode.debut) + " au " +
                        texteInstant(a.analyse.periode.fin);
        }
        d.dateCreation = dateCreation();
        d.version = KESTRANE_VERSION;
        d.lignes = static_cast<int64_t>(r.lignesAnalysees);
        d.lignesLues = static_cast<int64_t>(r.lignesJournal);
        d.lignesIgnorees = static_cast<int64_t>(r.ignorees);
        d.lignesHorsPeriode = static_cast<int64_t>(r.horsPeriode);
        d.tables = tablesDeLAnalyse();
        if (r.complements) {
            for (auto& t : tablesComplements(*r.complements)) d.tables.push_back(std::move(t));
        }
        if (!a.csv.empty()) verifierEcriture(a.csv, true);
        if (!a.rapport.empty()) verifierEcriture(a.rapport, false);
        if (!a.csv.empty()) ecrireTablesCsv(a.csv, d);
        if (!a.rapport.empty()) ecrireRapportHtml(a.rapport, d);
        const double secondes =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
        char duree[32];
        std::snprintf(duree, sizeof duree, "%.2f", secondes);
        std::string texteDuree = duree;
        for (char& c : texteDuree) {
            if (c == '.') c = ',';
        }
        const auto nombre = [](std::size_t n) { return static_cast<int64_t>(n); };
        sortie << quantite(nombre(r.lignesAnalysees), "ligne analys\u00e9e",
                           "lignes analys\u00e9es");
        if (r.ignorees > 0) {
            sortie << ", " << quantite(nombre(r.ignorees), "ignor\u00e9e", "ignor\u00e9es");
        }
        if (r.horsPeriode > 0) sortie << ", " << r.horsPeriode << " hors p\u00e9riode";
        sortie << ", " << quantite(nombre(statIP.size()), "adresse IP", "adresses IP");
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
        // The path between the two parts is the system's (UTF-8), as the user typed it.
        const std::string& m = e.message();
        const std::size_t n = e.debut().size(), fin = e.description().size();
        if (m.size() >= n + fin && m.compare(0, n, e.debut()) == 0) {
            return echec(utf8Depuis1252(e.debut()) + m.substr(n, m.size() - n - fin) +
                         utf8Depuis1252(e.description()));
        }
        return echec(utf8Depuis1252(m));
    } catch (const ErreurKestrane& e) {
        return echec(utf8Depuis1252(e.message()));
    } catch (const std::bad_alloc&) {
        return echec("m\u00e9moire insuffisante");
    }
}

}  // namespace kestrane
