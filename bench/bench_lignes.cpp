// bench_lignes [lines] [--runs N]: the cost of skipping the lines that do not conform on a clean
// journal. Times the Analyse command's computations (the first pass with its counts, then the
// statistics pass) with the option unchecked and checked, one run of each in turn so that both
// see the same load of the machine, and prints their medians and the ratio checked/unchecked:
// in elapsed time, and in processor time (both threads), which the other programs of a shared
// machine disturb less.

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/Mesures.h"
#include "core/analyse/ComptesJournal.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"

using namespace kestrane;

namespace {

struct Tables {
    std::vector<tableauRapportStat> t;
    bool operator==(const Tables& o) const {
        if (t.size() != o.t.size()) return false;
        for (std::size_t k = 0; k < t.size(); ++k) {
            if (t[k].size() != o.t[k].size()) return false;
            for (std::size_t e = 0; e < t[k].size(); ++e) {
                if (t[k][e].libelle != o.t[k][e].libelle ||
                    t[k][e].complement != o.t[k][e].complement ||
                    t[k][e].nombre != o.t[k][e].nombre) {
                    return false;
                }
            }
        }
        return true;
    }
};

Tables tablesDe(const TablesAnalyse& s) {
    return {{s.statIP, s.statOS, s.statNav, s.statPrecedent, s.statFichier, s.statTaux,
             s.statHoraires, s.statVMensuelles}};
}

double tempsProcesseur() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Elapsed and processor seconds of one run.
void mesurerUneFois(const std::function<void()>& f, Mesure& ecoule, Mesure& processeur) {
    const double p0 = tempsProcesseur();
    const auto debut = std::chrono::steady_clock::now();
    f();
    ecoule.secondes.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count());
    processeur.secondes.push_back(tempsProcesseur() - p0);
}

}  // namespace

int main(int argc, char** argv) {
    long lignesDemandees = 1'000'000;
    long runs = 7;
    if (!lireArguments(argc, argv, lignesDemandees, runs)) {
        std::fprintf(stderr, "usage: %s [lines] [--runs N]   (1000000 lines, 7 runs)\n", argv[0]);
        return 2;
    }
    try {
        std::printf("Skipping non-conforming lines: %u hardware threads, %ld runs of each\n",
                    std::thread::hardware_concurrency(), runs);
        std::printf("load average: %s\n", chargeMachine().c_str());
        const Journal journal = Journal::charger(
            preparerJournal(static_cast<std::size_t>(lignesDemandees), KESTRANE_RACINE).string());
        std::printf("journal: %zu lines\n\n", journal.nbLignes());

        TableauLog enregistrements;
        ComptesJournal comptes;
        TablesAnalyse tables;
        const auto sansOption = [&] {
            enregistrements.memoriser(journal, {}, &comptes);
            calculerTables(journal, 1, tables, &comptes);
        };
        const auto avecOption = [&] {
            enregistrements.memoriser(journal, {}, &comptes, examinerLigne);
            calculerTables(enregistrements, 1, tables, &comptes);
        };
        Mesure sans, avec, sansProcesseur, avecProcesseur;
        for (long r = 0; r < runs; ++r) {
            // Each order half of the time: neither is always the one after the other.
            if (r % 2 == 0) {
                mesurerUneFois(sansOption, sans, sansProcesseur);
                mesurerUneFois(avecOption, avec, avecProcesseur);
            } else {
                mesurerUneFois(avecOption, avec, avecProcesseur);
                mesurerUneFois(sansOption, sans, sansProcesseur);
            }
        }
        std::printf("%-42s %10s %10s %10s %10s\n", "first pass + tables (seconds)", "first",
                    "median", "min", "max");
        afficher("option unchecked, elapsed", sans);
        afficher("option checked, elapsed", avec);
        afficher("option unchecked, processor", sansProcesseur);
        afficher("option checked, processor", avecProcesseur);

        // A clean journal: the same tables either way, and no line skipped.
        sansOption();
        const Tables attendues = tablesDe(tables);
        avecOption();
        const bool memes = tablesDe(tables) == attendues && enregistrements.nbIgnorees() == 0 &&
                           enregistrements.taille() == journal.nbLignes();
        std::printf("\ncheck: %s\n", memes ? "same tables, no line skipped"
                                           : "the tables DIFFER or lines were skipped");
        std::printf("load average: %s\n", chargeMachine().c_str());
        std::printf("elapsed: unchecked_s=%.4f checked_s=%.4f ratio=%.3f\n", sans.mediane(),
                    avec.mediane(), avec.mediane() / sans.mediane());
        std::printf("processor: unchecked_s=%.4f checked_s=%.4f ratio=%.3f lines=%zu\n",
                    sansProcesseur.mediane(), avecProcesseur.mediane(),
                    avecProcesseur.mediane() / sansProcesseur.mediane(), journal.nbLignes());
        return memes ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_lignes: %s\n", e.what());
        return 1;
    }
}
