// bench_complements [lines] [--runs N]: the statistics pass (first pass + calculerTables) with the
// supplementary counts of the "Compléments" page and without them, on the synthetic journal of
// `lines` lines (1,000,000 by default). The two variants run in turns, so that a change of the
// machine's load weighs on both alike.

#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "bench/Mesures.h"
#include "core/analyse/Complements.h"
#include "core/analyse/UFonctionsKestrane.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"

using namespace kestrane;

int main(int argc, char** argv) {
    long lignesDemandees = 1'000'000;
    long runs = 9;
    if (!lireArguments(argc, argv, lignesDemandees, runs)) {
        std::fprintf(stderr, "usage: %s [lines] [--runs N]   (1000000 lines, 9 runs)\n", argv[0]);
        return 2;
    }
    try {
        std::printf(
            "Statistics pass with and without the supplementary counts, %u hardware "
            "threads, %ld runs each\n",
            std::thread::hardware_concurrency(), runs);
        std::printf("load average: %s\n", chargeMachine().c_str());
        const Journal journal = Journal::charger(
            preparerJournal(static_cast<std::size_t>(lignesDemandees), KESTRANE_RACINE).string());
        std::printf("journal: %zu lines, %.1f MiB\n", journal.nbLignes(),
                    mio(static_cast<double>(journal.octets().size())));

        Mesure sans, avec;
        TableauLog enregistrements;
        ComptesJournal comptes;
        ComptesComplements complements;
        Complements resultat;
        TablesAnalyse tables;
        const auto passeSans = [&] {
            sans.secondes.push_back(chronometrer([&] {
                enregistrements.memoriser(journal, {}, &comptes);
                calculerTables(journal, 1, tables, &comptes);
            }));
        };
        const auto passeAvec = [&] {
            avec.secondes.push_back(chronometrer([&] {
                LecteursEnSerie deux({&comptes, &complements});
                enregistrements.memoriser(journal, {}, &deux);
                calculerTables(journal, 1, tables, &comptes);
                resultat = complements.resultat(static_cast<int64_t>(tables.statIP.size()));
            }));
        };
        // The order changes every run: the second of two passes in a row finds the machine in
        // another state (caches, memory just freed) than the first.
        for (long k = 0; k < runs; ++k) {
            if (k % 2 == 0) {
                passeSans();
                passeAvec();
            } else {
                passeAvec();
                passeSans();
            }
        }
        std::printf("%-42s %10s %10s %10s %10s\n", "step (seconds)", "first", "median", "min",
                    "max");
        afficher("statistics pass, page off", sans);
        afficher("statistics pass, page on", avec);
        std::printf("ratio on/off (medians): %.3f\n", avec.mediane() / sans.mediane());

        // What a period costs before the first pass: the lines of the middle half of the
        // journal's time span copied into a journal of their own.
        Instant premiere, derniere;
        if (!instantDeLigne(journal.ligne(0), premiere) ||
            !instantDeLigne(journal.ligne(journal.nbLignes() - 1), derniere)) {
            std::fprintf(stderr, "the journal's first or last date cannot be read\n");
            return 1;
        }
        const int64_t quart = (derniere.secondes - premiere.secondes) / 4;
        const PeriodeAnalyse periode{true, Instant{premiere.secondes + quart},
                                     Instant{derniere.secondes - quart}};
        std::size_t hors = 0;
        Journal dansLaPeriode;
        afficher("period filter (lignesDeLaPeriode)",
                 mesurer(
                     static_cast<int>(runs),
                     [&] { dansLaPeriode = lignesDeLaPeriode(journal, periode, hors); },
                     [&] { dansLaPeriode = Journal(); }));
        std::printf("period: %zu lines kept, %zu outside\n", dansLaPeriode.nbLignes(), hors);
        std::printf("check: %lld requests, %zu status codes, %zu days, %zu files answered 404\n",
                    static_cast<long long>(resultat.requetes), resultat.codes.size(),
                    resultat.jours.size(), resultat.introuvables.size());
        std::printf("load average: %s\n", chargeMachine().c_str());
        return resultat.requetes == static_cast<int64_t>(journal.nbLignes()) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_complements: %s\n", e.what());
        return 1;
    }
}
