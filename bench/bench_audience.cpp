// bench_audience [lines] [--runs N]: the cost of the audience counts on the synthetic journal.
//
// 1. The statistics pass as the Analyse command runs it (first pass, then calculerTables) in
//    three variants whose order turns every run: without the "Compléments" page, with the page's
//    reader, and with the page's reader and the audience counts (countries from a database of
//    60,000 networks that the benchmark writes, robots by the rule alone, referring sites and
//    searches made from the statistics pass's referrer table as the integration would). Elapsed
//    seconds and processor seconds (both threads: what other programs on a shared machine disturb
//    less), medians; the last line reads sans_s= avec_s= ratio= (elapsed).
// 2. The audience counts alone, per line, on one thread: parsing every line and handing it to the
//    counts, less parsing alone; then the merge, the robots and the countries (resultat).

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/Mesures.h"
#include "core/analyse/Complements.h"
#include "core/analyse/ComptesJournal.h"
#include "core/audience/Audience.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"
#include "tests/core/audience/EcrivainMmdb.h"

using namespace kestrane;

namespace {

// Countries for networks drawn over the whole IPv4 space, as a country database has them.
std::string ecrireBase(const std::filesystem::path& dossier) {
    std::filesystem::create_directories(dossier);
    const std::string chemin = (dossier / "pays-bench.mmdb").string();
    test::EcrivainMmdb e;
    uint64_t alea = 42;
    const auto tirer = [&alea](uint64_t n) {
        alea = alea * 6364136223846793005ull + 1442695040888963407ull;
        return (alea >> 33) % n;
    };
    for (int k = 0; k < 60000; ++k) {
        const auto pays = static_cast<int>(tirer(240));
        const int longueur = 12 + static_cast<int>(tirer(13));
        const uint64_t a = tirer(1ull << 32) >> (32 - longueur) << (32 - longueur);
        const std::string reseau = std::to_string(a >> 24) + "." + std::to_string(a >> 16 & 255) +
                                   "." + std::to_string(a >> 8 & 255) + "." +
                                   std::to_string(a & 255) + "/" + std::to_string(longueur);
        const std::string code = {static_cast<char>('A' + pays / 26),
                                  static_cast<char>('A' + pays % 26)};
        e.ajouter(reseau,
                  test::paysMmdb(code, {{"en", "Country " + code}, {"fr", "Pays " + code}}));
    }
    e.ecrire(chemin);
    return chemin;
}

// Runs `f` once, adding its elapsed and processor seconds to the two measures.
void mesurerDeuxFois(const std::function<void()>& f, Mesure& ecoule, Mesure& processeur) {
    const std::clock_t avant = std::clock();
    ecoule.secondes.push_back(chronometrer(f));
    processeur.secondes.push_back(static_cast<double>(std::clock() - avant) / CLOCKS_PER_SEC);
}

}  // namespace

int main(int argc, char** argv) {
    long lignesDemandees = 1'000'000;
    long runs = 9;
    if (!lireArguments(argc, argv, lignesDemandees, runs)) {
        std::fprintf(stderr, "usage: %s [lines] [--runs N]   (1000000 lines, 9 runs)\n", argv[0]);
        return 2;
    }
    try {
        std::printf("Audience counts: %u hardware threads, %ld runs of each\n",
                    std::thread::hardware_concurrency(), runs);
        std::printf("load average: %s\n", chargeMachine().c_str());
        const Journal journal = Journal::charger(
            preparerJournal(static_cast<std::size_t>(lignesDemandees), KESTRANE_RACINE).string());
        const auto lignes = static_cast<double>(journal.nbLignes());
        std::printf("journal: %zu lines\n", journal.nbLignes());
        ReglagesAudience reglages;
        reglages.base = std::make_shared<const BasePays>(
            ecrireBase(std::filesystem::path(KESTRANE_RACINE) / "bench" / "data"));

        Mesure sans, page, avec, sansCpu, pageCpu, avecCpu;
        TableauLog enregistrements;
        ComptesJournal comptes;
        ComptesComplements complements;
        ReglagesAudience sansReferents = reglages;
        sansReferents.referentsParLigne = false;
        ComptesAudience audience(sansReferents);
        Complements resultatPage;
        Audience resultat;
        TablesAnalyse tables;
        const auto passeSans = [&] {
            mesurerDeuxFois(
                [&] {
                    enregistrements.memoriser(journal, {}, &comptes);
                    calculerTables(journal, 1, tables, &comptes);
                },
                sans, sansCpu);
        };
        const auto passePage = [&] {
            mesurerDeuxFois(
                [&] {
                    LecteursEnSerie deux({&comptes, &complements});
                    enregistrements.memoriser(journal, {}, &deux);
                    calculerTables(journal, 1, tables, &comptes);
                    resultatPage = complements.resultat(static_cast<int64_t>(tables.statIP.size()));
                },
                page, pageCpu);
        };
        const auto passeAvec = [&] {
            mesurerDeuxFois(
                [&] {
                    LecteursEnSerie trois({&comptes, &complements, &audience});
                    enregistrements.memoriser(journal, {}, &trois);
                    calculerTables(journal, 1, tables, &comptes);
                    resultatPage = complements.resultat(static_cast<int64_t>(tables.statIP.size()));
                    resultat = audience.resultat();
                    std::vector<std::pair<std::string_view, int64_t>> provenances;
                    provenances.reserve(tables.statPrecedent.size());
                    for (const rapportStat& p : tables.statPrecedent) {
                        provenances.emplace_back(p.libelle, p.nombre);
                    }
                    compterReferents(resultat, provenances);
                },
                avec, avecCpu);
            audience.vider();
        };
        // The order turns every run: the second of two passes in a row finds the machine in
        // another state (caches, memory just freed) than the first.
        const std::function<void()> variantes[] = {passeSans, passePage, passeAvec};
        for (long k = 0; k < runs; ++k) {
            for (int v = 0; v < 3; ++v) variantes[(k + v) % 3]();
        }
        std::printf("%-42s %10s %10s %10s %10s\n", "step (seconds)", "first", "median", "min",
                    "max");
        afficher("statistics pass, page off", sans);
        afficher("statistics pass, page on", page);
        afficher("statistics pass, page + audience", avec);
        afficher("  processor, page off", sansCpu);
        afficher("  processor, page on", pageCpu);
        afficher("  processor, page + audience", avecCpu);

        // One thread: the parse alone, then the parse and the audience counts.
        Mesure analyse, compte, fin, analyseCpu, compteCpu, finCpu;
        ComptesAudience seule(reglages);
        for (long k = 0; k < runs; ++k) {
            mesurerDeuxFois(
                [&] {
                    int64_t octets = 0;
                    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
                        octets += analyserLigne(journal.ligne(i)).chargement;
                    }
                    if (octets < 0) std::printf("?\n");
                },
                analyse, analyseCpu);
            seule.commencer(journal, 1, false);
            mesurerDeuxFois(
                [&] {
                    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
                        seule.lire(0, analyserLigne(journal.ligne(i)));
                    }
                },
                compte, compteCpu);
            seule.terminer();
            mesurerDeuxFois([&] { resultat = seule.resultat(); }, fin, finCpu);
            seule.vider();
        }
        afficher("one thread: parse alone", analyse);
        afficher("one thread: parse + audience", compte);
        afficher("audience resultat (merge, robots, countries)", fin);
        std::printf(
            "audience per line, one thread, processor time: %.1f ns + %.1f ns in resultat (parse "
            "alone %.1f ns)\n",
            (compteCpu.mediane() - analyseCpu.mediane()) / lignes * 1e9,
            finCpu.mediane() / lignes * 1e9, analyseCpu.mediane() / lignes * 1e9);
        std::printf(
            "check: %lld visitors, %lld visits, %zu referring sites, %zu searches, "
            "%zu robots, %zu countries, %lld robot requests\n",
            static_cast<long long>(resultat.visiteurs), static_cast<long long>(resultat.visites),
            resultat.sitesReferents.size(), resultat.recherches.size(), resultat.robots.size(),
            resultat.pays.size(), static_cast<long long>(resultat.requetesRobots));
        std::printf("load average: %s\n", chargeMachine().c_str());
        std::printf(
            "processor: sans_cpu_s=%.4f page_cpu_s=%.4f avec_cpu_s=%.4f ratio_page=%.3f "
            "ratio=%.3f\n",
            sansCpu.mediane(), pageCpu.mediane(), avecCpu.mediane(),
            pageCpu.mediane() / sansCpu.mediane(), avecCpu.mediane() / sansCpu.mediane());
        std::printf("page_s=%.4f ratio_page=%.3f\n", page.mediane(),
                    page.mediane() / sans.mediane());
        std::printf("sans_s=%.4f avec_s=%.4f ratio=%.3f\n", sans.mediane(), avec.mediane(),
                    avec.mediane() / sans.mediane());
        return resultat.requetes == static_cast<int64_t>(journal.nbLignes()) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_audience: %s\n", e.what());
        return 1;
    }
}
