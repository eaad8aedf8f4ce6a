// bench_complements [lines] [--runs N]: the statistics pass (first pass + calculerTables) with the
// supplementary counts of the "Compléments" page and without them, on the synthetic journal of
// `lines` lines (1,000,000 by default). The two variants run in turns, so that a change of the
// machine's load weighs on both alike. Then the whole analysis service (analyserJournal) without
// the page and with it and its audience, countries from a database of 60,000 networks written
// here: the last line reads sans_s= avec_s= ratio= (medians, elapsed).

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "bench/Mesures.h"
#include "core/analyse/Complements.h"
#include "core/analyse/ComptesJournal.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"
#include "tests/core/audience/EcrivainMmdb.h"

using namespace kestrane;

namespace {

// Countries of networks drawn over the whole IPv4 space, as a country database has them.
std::string ecrireBasePays() {
    const auto dossier = std::filesystem::path(KESTRANE_RACINE) / "bench" / "data";
    std::filesystem::create_directories(dossier);
    const std::string chemin = (dossier / "pays-service.mmdb").string();
    test::EcrivainMmdb e;
    uint64_t alea = 7;
    const auto tirer = [&alea](uint64_t n) {
        alea = alea * 6364136223846793005ull + 1442695040888963407ull;
        return (alea >> 33) % n;
    };
    for (int k = 0; k < 60000; ++k) {
        const int longueur = 12 + static_cast<int>(tirer(13));
        const uint64_t a = tirer(1ull << 32) >> (32 - longueur) << (32 - longueur);
        const std::string code = {static_cast<char>('A' + tirer(26)),
                                  static_cast<char>('A' + tirer(26))};
        e.ajouter(std::to_string(a >> 24) + "." + std::to_string(a >> 16 & 255) + "." +
                      std::to_string(a >> 8 & 255) + "." + std::to_string(a & 255) + "/" +
                      std::to_string(longueur),
                  test::paysMmdb(code, {{"fr", "Pays " + code}}));
    }
    e.ecrire(chemin);
    return chemin;
}

// The service's phases as its caller sees them: the first pass, the statistics pass (up to the
// last table), then what follows it (with the page: the Compléments and the audience's results).
class PhasesService : public SuiviAnalyse {
  public:
    Mesure premiere, statistiques, suite;

    void commencer() override { debut_ = std::chrono::steady_clock::now(); }
    void apresPremierePasse() override { premiere.secondes.push_back(ecoule()); }
    void apresEtape(int etape) override {
        if (etape == kEtapeRequetes) statistiques.secondes.push_back(ecoule());
    }
    void apresStatistiques() override { suite.secondes.push_back(ecoule()); }

  private:
    // Seconds since the last phase ended.
    double ecoule() {
        const auto maintenant = std::chrono::steady_clock::now();
        const double s = std::chrono::duration<double>(maintenant - debut_).count();
        debut_ = maintenant;
        return s;
    }
    std::chrono::steady_clock::time_point debut_;
};

}  // namespace

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

        // The whole analysis as the window and the command line run it, in turns.
        OptionsAnalyse sansPage, avecPage;
        avecPage.complements = true;
        avecPage.basePays = std::make_shared<const BasePays>(ecrireBasePays());
        // The same with the figures of each file, referring site and address.
        OptionsAnalyse avecDetail = avecPage;
        avecDetail.detailEntrees = true;
        const OptionsAnalyse* options[] = {&sansPage, &avecPage, &avecDetail};
        Mesure serviceSans, serviceAvec, serviceDetail;
        Mesure* services[] = {&serviceSans, &serviceAvec, &serviceDetail};
        PhasesService phasesSans, phasesAvec, phasesDetail;
        PhasesService* phases[] = {&phasesSans, &phasesAvec, &phasesDetail};
        ResultatAnalyse r;
        for (long k = 0; k < runs; ++k) {
            for (int v = 0; v < 3; ++v) {
                const auto n = static_cast<std::size_t>((k + v) % 3);
                r = ResultatAnalyse();
                services[n]->secondes.push_back(
                    chronometrer([&] { analyserJournal(journal, *options[n], r, *phases[n]); }));
            }
        }
        afficher("analysis service, page off", serviceSans);
        afficher("analysis service, page + audience", serviceAvec);
        afficher("  first pass, page off", phasesSans.premiere);
        afficher("  first pass, page + audience", phasesAvec.premiere);
        afficher("  statistics pass, page off", phasesSans.statistiques);
        afficher("  statistics pass, page + audience", phasesAvec.statistiques);
        afficher("  after the tables, page off", phasesSans.suite);
        afficher("  page and audience results", phasesAvec.suite);
        afficher("analysis service, page + audience + detail", serviceDetail);
        afficher("  first pass, page + audience + detail", phasesDetail.premiere);
        afficher("  page, audience and detail results", phasesDetail.suite);
        std::printf("load average: %s\n", chargeMachine().c_str());
        std::printf("sans_s=%.4f avec_s=%.4f ratio=%.3f detail_s=%.4f detail/avec=%.3f\n",
                    serviceSans.mediane(), serviceAvec.mediane(),
                    serviceAvec.mediane() / serviceSans.mediane(), serviceDetail.mediane(),
                    serviceDetail.mediane() / serviceAvec.mediane());
        return resultat.requetes == static_cast<int64_t>(journal.nbLignes()) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_complements: %s\n", e.what());
        return 1;
    }
}
