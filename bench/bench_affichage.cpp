// bench_affichage [--runs N]: what the window's displays cost, offscreen unless a platform is
// chosen: the eight charts fed with 50 points, hidden and shown (feed, build, layout and paint),
// and a report grid of 20,000 and 100,000 rows filled, sorted and searched, beside the same fill
// announced cell by cell.
#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/Mesures.h"
#include "core/analyse/GrillesRapport.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/graphes/GraphesStat.h"
#include "ui/vues/GrilleRapportQt.h"

using namespace kestrane;

namespace {

void exiger(bool condition, const char* quoi) {
    if (!condition) throw std::runtime_error(quoi);
}

double ms(qint64 ns) {
    return static_cast<double>(ns) / 1e6;
}

// A grid that announces every cell at once, as a plain model would.
class GrilleBavarde : public GrilleRapport {
  public:
    explicit GrilleBavarde(GrilleRapportQt& g) : g_(g) {}
    int nbLignes() const override { return g_.nbLignes(); }
    void changerNbLignes(int n) override { g_.changerNbLignes(n); }
    std::string cellule(int c, int l) const override { return g_.cellule(c, l); }
    void ecrireCellule(int c, int l, std::string_view t) override {
        g_.ecrireCellule(c, l, t);
        g_.publierModifications();
    }
    void choisirLigne(int l) override { g_.choisirLigne(l); }

  private:
    GrilleRapportQt& g_;
};

void graphes(int runs) {
    tableauRapportStat cinquante;
    for (int k = 0; k < 50; ++k) cinquante.push_back({"e" + std::to_string(k), "", 1000 - 7 * k});
    const auto nourrir = [&](const GraphesStat& g) {
        for (GrapheQt* graphe : g.tous()) remplirGraphe(*graphe, 50, cinquante);
    };
    QWidget panneauCache;
    const GraphesStat caches = creerGraphes(&panneauCache);
    const Mesure cache = mesurer(runs, [&] { nourrir(caches); });
    QCoreApplication::processEvents();
    for (GrapheQt* g : caches.tous()) exiger(g->aActualiser(), "a hidden chart was built");

    QWidget panneau;
    panneau.resize(900, 640);
    const GraphesStat affiches = creerGraphes(&panneau);
    const auto tous = affiches.tous();
    for (int i = 0; i < 8; ++i) {
        tous[i]->setGeometry((i % 4) * 225, (i / 4) * 320, 225, 320);
        tous[i]->show();
    }
    panneau.show();
    exiger(QTest::qWaitForWindowExposed(&panneau), "the charts were not shown");
    nourrir(affiches);  // the first build of each chart is not what is measured
    QCoreApplication::processEvents();
    // Each round: the feed, the build the event loop would run next, then layout and paint.
    const Mesure feed = mesurer(runs, [&] { nourrir(affiches); });
    for (GrapheQt* g : tous) exiger(g->aActualiser(), "a fed chart waits for no build");
    const Mesure construction = mesurer(
        runs,
        [&] {
            for (GrapheQt* g : tous) g->actualiser();
        },
        [&] { nourrir(affiches); });
    const Mesure peinture = mesurer(runs, [&] {
        QCoreApplication::processEvents();
        panneau.repaint();
    });
    afficher("8 charts, 50 points: hidden feed", cache);
    afficher("8 charts, 50 points: shown feed", feed);
    afficher("8 charts, 50 points: build", construction);
    afficher("8 charts, 50 points: layout and paint", peinture);
}

void grilles() {
    for (const int n : {20000, 100000}) {
        GrilleRapportQt g;
        g.resize(287, 129);
        g.show();
        exiger(QTest::qWaitForWindowExposed(&g), "the grid was not shown");
        tableauRapportStat t;
        t.reserve(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) {
            t.push_back({"10." + std::to_string(k / 65536) + '.' + std::to_string(k / 256 % 256) +
                             '.' + std::to_string(k % 256),
                         "", (k * 7919L) % 100003});
        }
        QElapsedTimer chrono;
        chrono.start();
        remplirTableauRapport("Adresses IP", "Occurences", t, g);
        QCoreApplication::processEvents();
        const qint64 remplissage = chrono.nsecsElapsed();
        chrono.restart();
        trierParNombre(t, g, false);
        QCoreApplication::processEvents();
        const qint64 tri = chrono.nsecsElapsed();
        EtiquetteQt resultat;
        chrono.restart();
        rechercherTableau(g, t[static_cast<std::size_t>(n) - 1].libelle, resultat);
        const qint64 recherche = chrono.nsecsElapsed();
        exiger(g.nbLignes() == n + 1 && g.ligneCourante() == n, "fill or search went wrong");
        exiger(t[0].nombre >= t[1].nombre, "the sort went wrong");

        GrilleBavarde bavarde(g);
        remplirTableauRapport("", "", {}, g);
        QCoreApplication::processEvents();
        chrono.restart();
        remplirTableauRapport("Adresses IP", "Occurences", t, bavarde);
        QCoreApplication::processEvents();
        const qint64 cellules = chrono.nsecsElapsed();
        std::printf(
            "grid of %d rows: fill %.1f ms, sort %.1f ms, search %.1f ms (fill announced cell "
            "by cell: %.1f ms)\n",
            n, ms(remplissage), ms(tri), ms(recherche), ms(cellules));
    }
}

}  // namespace

int main(int argc, char** argv) {
    long lignes = 0;
    long runs = 5;
    if (!lireArguments(argc, argv, lignes, runs) || lignes != 0) {
        std::fprintf(stderr, "usage: %s [--runs N]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argcQt = 1;
    QApplication app(argcQt, argv);
    try {
        std::printf("Kestrane display benchmark: %s platform, %ld runs\n",
                    qPrintable(QGuiApplication::platformName()), runs);
        std::printf("%-42s %10s %10s %10s %10s\n", "step (seconds)", "first", "median", "min",
                    "max");
        graphes(static_cast<int>(runs));
        grilles();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_affichage: %s\n", e.what());
        return 1;
    }
    return 0;
}
