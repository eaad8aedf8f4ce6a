// bench_lisibles [lines] [--runs N]: the cost of readable results. Times the Analyse command's
// computations through the analysis service (first pass, statistics pass) with the option off
// and on, one run of each in turn so that both see the same load of the machine; each run with
// the option on starts with an empty cache of the catalogue (the compiled catalogue is shared,
// as in the program). Then the catalogue alone on every distinct agent of the bundled sample and
// of the real sample of ../shared, when there: the time per distinct agent.

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <string>
#include <thread>
#include <unordered_set>

#include "bench/Mesures.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/catalogue/CatalogueAgents.h"
#include "core/journal/Journal.h"

using namespace kestrane;

namespace {

// The user agent of a combined line: the last quoted field.
std::string_view agentDe(std::string_view ligne) {
    const std::size_t fin = ligne.rfind('"');
    if (fin == std::string_view::npos || fin == 0) return {};
    const std::size_t debut = ligne.rfind('"', fin - 1);
    if (debut == std::string_view::npos) return {};
    return ligne.substr(debut + 1, fin - debut - 1);
}

double tempsProcesseur() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Elapsed and processor (both threads) seconds of one run: on a shared machine the processor
// time moves less with the others' load.
void mesurerUneFois(const std::function<void()>& f, Mesure& ecoule, Mesure& processeur) {
    const double p0 = tempsProcesseur();
    ecoule.secondes.push_back(chronometrer(f));
    processeur.secondes.push_back(tempsProcesseur() - p0);
}

void mesurerCatalogue(const std::filesystem::path& chemin) {
    if (!std::filesystem::exists(chemin)) {
        std::printf("catalogue: %s absent\n", chemin.string().c_str());
        return;
    }
    const Journal j = Journal::charger(chemin.string());
    std::unordered_set<std::string_view> agents;
    for (std::size_t i = 0; i < j.nbLignes(); ++i) agents.insert(agentDe(j.ligne(i)));
    const Mesure m = mesurer(5, [&] {
        CacheAgents cache(CatalogueAgents::partage());
        for (std::string_view a : agents) cache.classer(a);
    });
    std::printf("catalogue: %s: %zu distinct agents, %.1f us per distinct agent (median of 5)\n",
                chemin.filename().string().c_str(), agents.size(),
                m.mediane() * 1e6 / static_cast<double>(agents.size()));
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
        std::printf("Readable results: %u hardware threads, %ld runs of each\n",
                    std::thread::hardware_concurrency(), runs);
        std::printf("load average: %s\n", chargeMachine().c_str());
        const Journal journal = Journal::charger(
            preparerJournal(static_cast<std::size_t>(lignesDemandees), KESTRANE_RACINE).string());
        std::printf("journal: %zu lines\n\n", journal.nbLignes());
        // Compiled once per process, as in the program: not part of an analysis.
        CatalogueAgents::partage();

        OptionsAnalyse bruts, lisibles;
        lisibles.resultatsLisibles = true;
        std::size_t agents = 0;
        const auto analyser = [&](const OptionsAnalyse& o) {
            ResultatAnalyse r;
            analyserJournal(journal, o, r);
            if (o.resultatsLisibles) agents = r.lisibles.agentsDistincts;
        };
        Mesure sans, avec, sansProcesseur, avecProcesseur;
        for (long r = 0; r < runs; ++r) {
            // Each order half of the time: neither is always the one after the other.
            if (r % 2 == 0) {
                mesurerUneFois([&] { analyser(bruts); }, sans, sansProcesseur);
                mesurerUneFois([&] { analyser(lisibles); }, avec, avecProcesseur);
            } else {
                mesurerUneFois([&] { analyser(lisibles); }, avec, avecProcesseur);
                mesurerUneFois([&] { analyser(bruts); }, sans, sansProcesseur);
            }
        }
        std::printf("%-42s %10s %10s %10s %10s\n", "analysis (seconds)", "first", "median", "min",
                    "max");
        afficher("raw results", sans);
        afficher("readable results", avec);
        afficher("raw results, processor", sansProcesseur);
        afficher("readable results, processor", avecProcesseur);
        std::printf("\n");
        mesurerCatalogue(std::filesystem::path(KESTRANE_RACINE) / "samples/acces-5000.log");
        mesurerCatalogue(std::filesystem::path(KESTRANE_RACINE) /
                         "../shared/samples/apache-combined-10k.log");
        std::printf("load average: %s\n", chargeMachine().c_str());
        std::printf("processor: lisibles_s=%.4f bruts_s=%.4f ratio=%.3f\n",
                    avecProcesseur.mediane(), sansProcesseur.mediane(),
                    avecProcesseur.mediane() / sansProcesseur.mediane());
        std::printf("lisibles_s=%.4f bruts_s=%.4f ratio=%.3f agents_distincts=%zu\n",
                    avec.mediane(), sans.mediane(), avec.mediane() / sans.mediane(), agents);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_lisibles: %s\n", e.what());
        return 1;
    }
}
