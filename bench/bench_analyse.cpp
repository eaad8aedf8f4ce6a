// bench_analyse [lines] [--runs N]: the real window (offscreen unless a platform is chosen), a
// synthetic journal loaded through the open command, then the Analyse button clicked, N times
// each; 1,000,000 then 10,000,000 lines unless a line count is given. Per size: the load time,
// the Analyse time split by phase, the peak resident memory, and the longest time the window went
// without painting while it was asked to repaint every few milliseconds (as when another window
// passes over it).
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/Exposition.h"
#include "bench/Mesures.h"
#include "platform/BipAlsa.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/commun/Controles.h"
#include "tests/commun/ReglagesIsoles.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;

namespace {

using Horloge = std::chrono::steady_clock;

int usage(const char* programme) {
    std::fprintf(stderr,
                 "usage: %s [lines] [--runs N]   (1000000 and 10000000 lines, 3 runs by default)\n",
                 programme);
    return 2;
}

struct Resultat {
    std::size_t lignes;
    double analyse, chargement, rss, fichier, ecart;
};

Resultat mesurerTaille(TForm1& w, Exposition& exposition, std::size_t lignes, long runs,
                       const QString& vide) {
    const std::filesystem::path chemin = preparerJournal(lignes, KESTRANE_RACINE);
    const double octets = static_cast<double>(std::filesystem::file_size(chemin));
    const auto verifier = [&](const char* quoi) {
        if (!w.boites.erreurs.isEmpty()) {
            throw std::runtime_error(std::string(quoi) + ": " +
                                     w.boites.erreurs.last().toStdString());
        }
    };

    const auto charger = [&](const QString& quoi) {
        w.dialogOuvrir.repondreProchaineFois(quoi);
        controle<QAction>(w, "menuChargerJournal")->trigger();
        verifier("load");
    };
    const QString journal = QString::fromStdString(chemin.string());
    const auto analyser = [&] {
        QTest::mouseClick(controle<QPushButton>(w, "btAnalyser"), Qt::LeftButton);
        verifier("Analyse");
        if (!controle<QLabel>(w, "barreStatusPanneau1")
                 ->text()
                 .startsWith(QStringLiteral("Analyse du fichier termin\u00e9e !"))) {
            throw std::runtime_error(
                "the run did not end: " +
                controle<QLabel>(w, "barreStatusPanneau1")->text().toStdString());
        }
    };

    // The load, from an empty journal each time: one big journal held at once, as a user does.
    const Mesure chargement = mesurer(
        static_cast<int>(runs), [&] { charger(journal); },
        [&] {
            charger(vide);
            QCoreApplication::processEvents();
        });
    QCoreApplication::processEvents();
    if (w.journal().nbLignes() != lignes) throw std::runtime_error("the journal was not loaded");

    // Each phase's time, read from the milestones the command passes.
    std::map<std::string, Mesure> phases;
    std::vector<std::string> ordre;
    auto debutPhase = Horloge::now();
    w.jalonAnalyse = [&](const char* phase) {
        const auto maintenant = Horloge::now();
        const std::chrono::duration<double> d = maintenant - debutPhase;
        if (!phases.count(phase)) ordre.push_back(phase);
        phases[phase].secondes.push_back(d.count());
        debutPhase = maintenant;
    };
    const Mesure analyse = mesurer(static_cast<int>(runs), [&] {
        debutPhase = Horloge::now();
        analyser();
    });
    w.jalonAnalyse = nullptr;
    const double rss = creteRssKio() / 1024.0;

    // Once more, load and Analyse, the window asked to repaint all along (untimed: the paints
    // take their share of the two cores).
    charger(vide);
    QCoreApplication::processEvents();
    const double ecartChargement = exposition.mesurer([&] { charger(journal); });
    const double ecart = std::max(ecartChargement, exposition.mesurer(analyser));

    std::printf("\n%zu lines, %.1f MiB; detail view %zu lines\n", lignes, mio(octets),
                controle<VueTexte>(w, "RichEdit1")->nbLignes());
    std::printf("%-42s %10s %10s %10s %10s\n", "step (seconds)", "first", "median", "min", "max");
    afficher("load command, to the journal shown", chargement);
    for (const std::string& p : ordre) afficher(p.c_str(), phases[p]);
    afficher("Analyse command, click to end", analyse);
    std::printf("peak RSS: %.1f MiB (%.2f x the file); longest time without painting: %.0f ms\n",
                rss, rss / mio(octets), ecart);
    return {lignes, analyse.mediane(), chargement.mediane(), rss, mio(octets), ecart};
}

}  // namespace

int main(int argc, char** argv) {
    long lignes = 0;
    long runs = 3;
    if (!lireArguments(argc, argv, lignes, runs)) return usage(argv[0]);
    const std::vector<std::size_t> tailles =
        lignes > 0 ? std::vector<std::size_t>{static_cast<std::size_t>(lignes)}
                   : std::vector<std::size_t>{1'000'000, 10'000'000};

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argcQt = 1;
    QApplication app(argcQt, argv);
    const ReglagesIsoles reglages;  // loads here are not the user's recent journals
    try {
        std::printf("Kestrane analysis benchmark: %s platform, %u hardware threads, %ld runs\n",
                    qPrintable(QGuiApplication::platformName()),
                    std::thread::hardware_concurrency(), runs);
        std::printf("load average: %s\n", chargeMachine().c_str());
        const std::filesystem::path dossier =
            std::filesystem::path(KESTRANE_RACINE) / "bench" / "data";
        std::filesystem::create_directories(dossier);
        const QString vide = QString::fromStdString((dossier / "vide.log").string());
        {
            QFile f(vide);
            if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write vide.log");
        }

        BipEnregistreur silence;
        TForm1 w(silence);
        w.boites.enregistrer = true;  // an error is thrown above instead of waiting on a box
        w.show();
        QCoreApplication::processEvents();
        Exposition exposition(w);

        std::vector<Resultat> resultats;
        for (const std::size_t n : tailles) {
            resultats.push_back(mesurerTaille(w, exposition, n, runs, vide));
            w.dialogOuvrir.repondreProchaineFois(vide);
            controle<QAction>(w, "menuChargerJournal")->trigger();
        }
        std::printf("\nload average: %s\n", chargeMachine().c_str());
        if (resultats.size() == 2) {
            std::printf("growth: 10M / 1M Analyse time = %.2f\n",
                        resultats[1].analyse / resultats[0].analyse);
        }
        for (const Resultat& r : resultats) {
            std::printf(
                "analyse_s=%.4f load_s=%.4f rss_mib=%.1f file_mib=%.1f lines=%zu "
                "max_paint_gap_ms=%.0f\n",
                r.analyse, r.chargement, r.rss, r.fichier, r.lignes, r.ecart);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_analyse: %s\n", e.what());
        return 1;
    }
    return 0;
}
