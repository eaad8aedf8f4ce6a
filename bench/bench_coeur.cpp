// bench_coeur [lines] [--runs N]: times the passes of the core over a synthetic journal of
// `lines` lines (1,000,000 by default), kept in bench/data/ of the source tree, and compares them
// with the floor of the machine, counting the lines of the same bytes.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/Mesures.h"
#include "bench/generateur.h"
#include "core/analyse/ComptesJournal.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"

using namespace kestrane;

namespace {

// First difference between two tables, or an empty text.
std::string ecart(const tableauRapportStat& combinee, const tableauRapportStat& separee) {
    if (combinee.size() != separee.size()) {
        return std::to_string(combinee.size()) + " entries against " +
               std::to_string(separee.size());
    }
    for (std::size_t k = 0; k < combinee.size(); ++k) {
        const rapportStat& a = combinee[k];
        const rapportStat& b = separee[k];
        if (a.libelle != b.libelle || a.complement != b.complement || a.nombre != b.nombre) {
            return "entry " + std::to_string(k) + ": [" + a.libelle + "|" + a.complement + "|" +
                   std::to_string(a.nombre) + "] against [" + b.libelle + "|" + b.complement + "|" +
                   std::to_string(b.nombre) + "]";
        }
    }
    return {};
}

std::string ecart(const std::vector<std::string>& combinee,
                  const std::vector<std::string>& separee) {
    if (combinee == separee) return {};
    return std::to_string(combinee.size()) + " values against " + std::to_string(separee.size());
}

// The tables of the separate tallies, to hold the statistics pass against.
struct Separees {
    const tableauRapportStat &ip, &os, &nav, &precedent, &fichier, &taux, &tranches, &tout;
};

struct Ecart {
    const char* nom;
    std::string texte;
};

// Prints every difference between the pass's tables (and the extra comparisons) and the
// separate tallies; true when there is none.
bool comparer(const char* chemin, const TablesAnalyse& t, const Separees& s,
              const std::vector<Ecart>& autres) {
    std::vector<Ecart> ecarts = {
        {"statIP", ecart(t.statIP, s.ip)},
        {"statOS", ecart(t.statOS, s.os)},
        {"statNav", ecart(t.statNav, s.nav)},
        {"statPrecedent", ecart(t.statPrecedent, s.precedent)},
        {"statFichier", ecart(t.statFichier, s.fichier)},
        {"statTaux", ecart(t.statTaux, s.taux)},
        {"statHoraires", ecart(t.statHoraires, s.tranches)},
        {"statVMensuelles", ecart(t.statVMensuelles, s.tout)},
    };
    ecarts.insert(ecarts.end(), autres.begin(), autres.end());
    bool accord = true;
    for (const Ecart& e : ecarts) {
        if (!e.texte.empty()) {
            accord = false;
            std::printf("check (%s): %s differs: %s\n", chemin, e.nom, e.texte.c_str());
        }
    }
    return accord;
}

int usage(const char* programme) {
    std::fprintf(stderr, "usage: %s [lines] [--runs N]   (1000000 lines and 5 runs by default)\n",
                 programme);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    long lignesDemandees = 1'000'000;
    long runs = 5;
    if (!lireArguments(argc, argv, lignesDemandees, runs)) return usage(argv[0]);
    const int n = static_cast<int>(runs);

    try {
        std::printf(
            "Kestrane core benchmark: core built as %s, %u hardware threads, %d runs per "
            "step\n",
            KESTRANE_TYPE_CONSTRUCTION, std::thread::hardware_concurrency(), n);
        std::printf("load average: %s\n", chargeMachine().c_str());
        const std::filesystem::path chemin =
            preparerJournal(static_cast<std::size_t>(lignesDemandees), KESTRANE_RACINE);

        Journal journal;
        // The previous journal is released first, so that the peak memory is that of one.
        const Mesure chargement = mesurer(
            n, [&] { journal = Journal::charger(chemin.string()); }, [&] { journal = Journal(); });
        const std::size_t lignes = journal.nbLignes();
        const double octets = static_cast<double>(journal.octets().size());
        std::printf("file: %.0f bytes (%.1f MiB), %zu lines, %.1f bytes/line\n\n", octets,
                    mio(octets), lignes, octets / static_cast<double>(lignes));
        if (lignes != static_cast<std::size_t>(lignesDemandees)) {
            std::fprintf(stderr, "the journal holds %zu lines instead of %ld\n", lignes,
                         lignesDemandees);
            return 1;
        }

        std::printf("%-42s %10s %10s %10s %10s\n", "step (seconds)", "first", "median", "min",
                    "max");
        afficher("load (Journal::charger)", chargement);

        std::size_t compte = 0;
        const Mesure plancher = mesurer(n, [&] { compte = compterLignes(journal.octets()); });
        afficher("floor (compterLignes over the bytes)", plancher);
        if (compte != lignes) {
            std::fprintf(stderr, "compterLignes found %zu lines, the journal %zu\n", compte,
                         lignes);
            return 1;
        }

        TableauLog enregistrements;
        ComptesJournal comptes;
        afficher("parse only (TableauLog::memoriser)",
                 mesurer(n, [&] { enregistrements.memoriser(journal); }));
        const Mesure premierePasse =
            mesurer(n, [&] { enregistrements.memoriser(journal, {}, &comptes); });
        afficher("first pass (memoriser + ComptesJournal)", premierePasse);

        tableauRapportStat ip, os, nav, precedent, fichier, taux, tranches, dates, tout;
        afficher("compterAdressesIP", mesurer(n, [&] { compterAdressesIP(journal, ip); }));
        afficher("compterSystemes", mesurer(n, [&] { compterSystemes(journal, os); }));
        afficher("compterNavigateurs", mesurer(n, [&] { compterNavigateurs(journal, nav); }));
        afficher("compterProvenances", mesurer(n, [&] { compterProvenances(journal, precedent); }));
        afficher("compterFichiers", mesurer(n, [&] { compterFichiers(journal, fichier); }));
        afficher("compterOctets", mesurer(n, [&] { compterOctets(journal, taux); }));
        afficher("compterTranchesHoraires (width 1)",
                 mesurer(n, [&] { compterTranchesHoraires(journal, 1, tranches); }));
        afficher("compterRequetes (all dates)",
                 mesurer(n, [&] { compterRequetes(journal, "", "", "", dates); }));

        // The counts are used up by each run: the first pass is made again, untimed, before it.
        TablesAnalyse tablesPasse;
        const Mesure tables = mesurer(
            n, [&] { calculerTables(journal, 1, tablesPasse, &comptes); },
            [&] { enregistrements.memoriser(journal, {}, &comptes); });
        afficher("calculerTables(journal, 1, &counts)", tables);
        afficher("calculerTables without counts (parses)",
                 mesurer(n, [&] { calculerTables(journal, 1, tablesPasse, nullptr); }));

        const double total = premierePasse.mediane() + tables.mediane();
        const double totalPremier = premierePasse.premiere() + tables.premiere();
        const double sol = plancher.mediane();
        std::printf(
            "\ntotal = first pass + calculerTables: %.4f s (medians), %.4f s (first runs)\n", total,
            totalPremier);
        std::printf("floor = compterLignes: %.4f s; ratio total/floor: %.1f\n", sol, total / sol);

        // The combined pass must give exactly the tables of the separate tallies: checked on
        // what the last run without counts left, then once more, untimed, with them.
        compterRequetes(journal, kPeriodeToutLeFichier, "", "", tout);
        const Separees separees{ip, os, nav, precedent, fichier, taux, tranches, tout};
        bool accord = comparer("without records", tablesPasse, separees, {});
        ListesPeriodes listes;
        std::vector<int> etapes;
        enregistrements.memoriser(journal, {}, &comptes);
        calculerTables(
            journal, 1, tablesPasse, &comptes, [&](int e) { etapes.push_back(e); }, &listes);
        const ListesPeriodes listesSeparees = listesPeriodes(dates);
        accord &=
            comparer("with the first pass's counts", tablesPasse, separees,
                     {{"year list", ecart(listes.annees, listesSeparees.annees)},
                      {"month list", ecart(listes.mois, listesSeparees.mois)},
                      {"steps", etapes == std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}
                                    ? std::string()
                                    : "apresEtape was not called for steps 1 to 8 in order"}});
        std::printf(
            "check: calculerTables and the separate tallies %s (entries: IP %zu, OS %zu, "
            "browsers %zu, referrers %zu, files %zu, bytes %zu, slices %zu, dates %zu)\n",
            accord ? "agree" : "DISAGREE", ip.size(), os.size(), nav.size(), precedent.size(),
            fichier.size(), taux.size(), tranches.size(), dates.size());

        if (!accord) return 1;

        std::printf("load average: %s\n", chargeMachine().c_str());
        const double rss = creteRssKio() / 1024.0;
        std::printf("peak RSS: %.1f MiB (file %.1f MiB)\n", rss, mio(octets));
        std::printf("total_s=%.4f floor_s=%.4f ratio=%.2f rss_mib=%.1f lines=%zu\n", total, sol,
                    total / sol, rss, lignes);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_coeur: %s\n", e.what());
        return 1;
    }
}
