// bench_analyse [lines] [--runs N]: the real window (offscreen unless a platform is chosen), a
// synthetic journal of `lines` lines (1,000,000 by default) loaded, and the time from the Analyse
// command to "Analyse du fichier terminée !", split by phase, with the peak resident memory.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <chrono>
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/Mesures.h"
#include "platform/BipAlsa.h"
#include "ui/UFormPrincipale.h"
#include "ui/VueTexte.h"

using namespace kestrane;

namespace {

int usage(const char* programme) {
    std::fprintf(stderr, "usage: %s [lines] [--runs N]   (1000000 lines, 3 runs by default)\n",
                 programme);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    long lignes = 1'000'000;
    long runs = 3;
    if (!lireArguments(argc, argv, lignes, runs)) return usage(argv[0]);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argcQt = 1;
    QApplication app(argcQt, argv);
    try {
        std::printf("Kestrane analysis benchmark: %s platform, %u hardware threads, %ld runs\n",
                    qPrintable(QGuiApplication::platformName()),
                    std::thread::hardware_concurrency(), runs);
        std::printf("load average: %s\n", chargeMachine().c_str());
        const std::filesystem::path chemin =
            preparerJournal(static_cast<std::size_t>(lignes), KESTRANE_RACINE);
        const double octets = static_cast<double>(std::filesystem::file_size(chemin));

        BipEnregistreur silence;
        TForm1 w(silence);
        w.boites.enregistrer = true;  // an error is thrown below instead of waiting on a box
        w.show();
        QCoreApplication::processEvents();
        w.dialogOuvrir.repondreProchaineFois(QString::fromStdString(chemin.string()));
        w.menuChargerJournal->trigger();
        if (!w.boites.erreurs.isEmpty())
            throw std::runtime_error(w.boites.erreurs.last().toStdString());
        QCoreApplication::processEvents();

        // Each phase's time, read from the milestones the command passes.
        std::map<std::string, Mesure> phases;
        std::vector<std::string> ordre;
        auto debutPhase = std::chrono::steady_clock::now();
        w.jalonAnalyse = [&](const char* phase) {
            const auto maintenant = std::chrono::steady_clock::now();
            const std::chrono::duration<double> d = maintenant - debutPhase;
            if (!phases.count(phase)) ordre.push_back(phase);
            phases[phase].secondes.push_back(d.count());
            debutPhase = maintenant;
        };
        const Mesure total = mesurer(static_cast<int>(runs), [&] {
            debutPhase = std::chrono::steady_clock::now();
            QTest::mouseClick(w.btAnalyser, Qt::LeftButton);
            if (!w.boites.erreurs.isEmpty()) {
                throw std::runtime_error(w.boites.erreurs.last().toStdString());
            }
            if (!w.panneauMessage->text().startsWith(
                    QStringLiteral("Analyse du fichier termin\u00e9e !"))) {
                throw std::runtime_error("the run did not end: " +
                                         w.panneauMessage->text().toStdString());
            }
        });
        std::printf("file: %.1f MiB, %ld lines; detail view %zu lines\n\n", mio(octets), lignes,
                    w.RichEdit1->nbLignes());
        std::printf("%-42s %10s %10s %10s %10s\n", "phase (seconds)", "first", "median", "min",
                    "max");
        for (const std::string& p : ordre) afficher(p.c_str(), phases[p]);
        afficher("Analyse command, click to end", total);
        const double rss = creteRssKio() / 1024.0;
        std::printf("peak RSS: %.1f MiB (file %.1f MiB; target 2 x file + 150 = %.1f MiB)\n", rss,
                    mio(octets), 2 * mio(octets) + 150);
        std::printf("load average: %s\n", chargeMachine().c_str());
        std::printf("analyse_s=%.4f rss_mib=%.1f lines=%ld\n", total.mediane(), rss, lignes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_analyse: %s\n", e.what());
        return 1;
    }
    return 0;
}
