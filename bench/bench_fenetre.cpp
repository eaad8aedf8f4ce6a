// bench_fenetre [lines...] [--runs N]: the real window (offscreen unless a platform is chosen),
// time from the load command to the journal view's first painted screen, for synthetic journals
// of 1,000,000 and 10,000,000 lines by default, and the peak resident memory after each size.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/Mesures.h"
#include "platform/BipAlsa.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/commun/CompteurPeintures.h"
#include "tests/commun/Controles.h"
#include "tests/commun/ReglagesIsoles.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;

namespace {

// Runs the event loop until the widget has been painted once more than `avant`.
bool attendrePeinture(const CompteurPeintures& compteur, int avant) {
    QElapsedTimer attente;
    attente.start();
    while (compteur.nombre == avant) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (attente.elapsed() > 60'000) return false;
    }
    return true;
}

int usage(const char* programme) {
    std::fprintf(stderr,
                 "usage: %s [lines...] [--runs N]   (1000000 and 10000000 lines, 3 runs by "
                 "default)\n",
                 programme);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long> tailles;
    long runs = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        long valeur = 0;
        if ((a == "--runs" || a == "-r") && i + 1 < argc) {
            if (!lireEntier(argv[++i], runs) || runs < 1) return usage(argv[0]);
        } else if (lireEntier(a, valeur) && valeur >= 1) {
            tailles.push_back(valeur);
        } else {
            return usage(argv[0]);
        }
    }
    if (tailles.empty()) tailles = {1'000'000, 10'000'000};
    const int n = static_cast<int>(runs);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argcQt = 1;
    QApplication app(argcQt, argv);
    const ReglagesIsoles reglages;  // loads here are not the user's recent journals
    try {
        std::printf("Kestrane window benchmark: %s platform, %u hardware threads, %d runs\n",
                    qPrintable(QGuiApplication::platformName()),
                    std::thread::hardware_concurrency(), n);
        std::printf("load average: %s\n", chargeMachine().c_str());

        BipEnregistreur silence;
        TForm1 w(silence);
        w.boites.enregistrer = true;  // an error is thrown below instead of waiting on a box
        w.show();
        CompteurPeintures peintures;
        controle<VueTexte>(w, "Memo1")->viewport()->installEventFilter(&peintures);
        QCoreApplication::processEvents();

        const std::filesystem::path vide =
            std::filesystem::path(KESTRANE_RACINE) / "bench" / "data" / "vide.log";
        const auto charger = [&](const std::filesystem::path& chemin) {
            const int avant = peintures.nombre;
            w.dialogOuvrir.repondreProchaineFois(QString::fromStdString(chemin.string()));
            controle<QAction>(w, "menuChargerJournal")->trigger();
            if (!w.boites.erreurs.isEmpty()) {
                throw std::runtime_error(w.boites.erreurs.last().toStdString());
            }
            if (!attendrePeinture(peintures, avant)) {
                throw std::runtime_error("the journal view was never painted");
            }
        };

        std::string derniere;
        for (const long lignes : tailles) {
            const std::filesystem::path chemin =
                preparerJournal(static_cast<std::size_t>(lignes), KESTRANE_RACINE);
            QFile f(QString::fromStdString(vide.string()));
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                throw std::runtime_error("cannot write " + vide.string());
            }
            f.close();

            // Between runs an empty journal replaces the big one, so that the peak is that of
            // one journal in memory, as when a user loads a file.
            const Mesure m = mesurer(
                n, [&] { charger(chemin); }, [&] { charger(vide); });
            if (controle<VueTexte>(w, "Memo1")->nbLignes() != static_cast<std::size_t>(lignes)) {
                throw std::runtime_error(
                    "the view shows " + std::to_string(controle<VueTexte>(w, "Memo1")->nbLignes()) +
                    " lines");
            }
            const double octets = static_cast<double>(std::filesystem::file_size(chemin));
            const double rss = creteRssKio() / 1024.0;
            std::printf(
                "%ld lines, %.1f MiB: load to first screen first %.4f s, median %.4f s, "
                "min %.4f s, max %.4f s; peak RSS %.1f MiB (%.2f x the file)\n",
                lignes, mio(octets), m.premiere(), m.mediane(), m.min(), m.max(), rss,
                rss / mio(octets));
            std::fflush(stdout);
            char t[160];
            std::snprintf(t, sizeof t, "load_%ld_s=%.4f rss_%ld_mib=%.1f ", lignes, m.mediane(),
                          lignes, rss);
            derniere += t;
        }
        std::printf("load average: %s\n", chargeMachine().c_str());
        std::printf("%s\n", derniere.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_fenetre: %s\n", e.what());
        return 1;
    }
    return 0;
}
