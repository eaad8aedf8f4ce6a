// bench_filtre [lines] [--runs N]: a filter applied to a loaded journal, as the window will apply
// it (every table recomputed through analyserJournal, readable results on, Compléments off). For
// each expression: the median of the whole analysis with it, the median of the kept lines' cut
// alone (lignesGardees), the lines kept, and the ratio to the analysis without a filter, whose line
// comes first. One run of each case in turn, so that all see the same load of the machine.
// The command line's cost of a filter is measured by bench_filtre.sh.

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "bench/Mesures.h"
#include "core/analyse/Filtre.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/journal/Journal.h"

using namespace kestrane;

namespace {

// The five terms of the command line's case first, then narrower and wider ones.
const char* const kExpressions[] = {
    "-robot -statique statut:2xx methode:GET -ip:10.0.0.0/8",
    "-robot",
    "statut:404",
    "chemin:/images/* ou chemin:~.php",
    "jour:2023-12-24..2023-12-26 heure:8..18",
};

}  // namespace

int main(int argc, char** argv) {
    long lignes = 1000000, runs = 5;
    if (!lireArguments(argc, argv, lignes, runs)) {
        std::fprintf(stderr, "usage : bench_filtre [lignes] [--runs N]\n");
        return 2;
    }
    try {
        const auto chemin = preparerJournal(static_cast<std::size_t>(lignes), KESTRANE_RACINE);
        const Journal journal = Journal::charger(chemin.string());
        std::printf("journal=%s lignes=%zu charge=%s\n", chemin.filename().c_str(),
                    journal.nbLignes(), chargeMachine().c_str());
        OptionsAnalyse sans;
        sans.resultatsLisibles = true;
        struct Cas {
            std::string nom;
            OptionsAnalyse options;
            Mesure analyse, coupe;
            std::size_t gardees = 0;
        };
        std::vector<Cas> cas;
        cas.push_back({"(aucun)", sans, {}, {}, journal.nbLignes()});
        for (const char* e : kExpressions) {
            OptionsAnalyse o = sans;
            o.filtre = std::make_shared<const Filtre>(Filtre::lire(e));
            cas.push_back({e, o, {}, {}, 0});
        }
        for (long run = 0; run < runs; ++run) {
            for (Cas& c : cas) {
                ResultatAnalyse r;
                c.analyse.secondes.push_back(
                    chronometrer([&] { analyserJournal(journal, c.options, r); }));
                if (!c.options.filtre) continue;
                std::size_t horsPeriode = 0, horsFiltre = 0;
                c.coupe.secondes.push_back(chronometrer([&] {
                    c.gardees =
                        lignesGardees(journal, c.options, FormatJournal(), horsPeriode, horsFiltre)
                            .nbLignes();
                }));
            }
        }
        const double base = cas[0].analyse.mediane();
        for (const Cas& c : cas) {
            std::printf("filtre=%s s=%.3f ratio=%.2f", c.nom.c_str(), c.analyse.mediane(),
                        c.analyse.mediane() / base);
            if (c.options.filtre) {
                std::printf(" coupe_s=%.3f gardees=%zu", c.coupe.mediane(), c.gardees);
            }
            std::printf("\n");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_filtre : %s\n", e.what());
        return 1;
    }
    return 0;
}
