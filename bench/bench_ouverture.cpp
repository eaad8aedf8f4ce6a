// bench_ouverture [lines] [--runs N]: a compressed journal (the synthetic journal of 1,000,000
// lines by default, gzipped by `gzip -6`) loaded by Journal::charger and by the window's load
// command up to its first painted screen, against `gzip -dc file > /dev/null` on the same file,
// the three taken in turn in every run. Medians and the ratios to gzip; the target is 1.5 at most.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "bench/Mesures.h"
#include "core/journal/Journal.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/commun/CompteurPeintures.h"
#include "tests/commun/Controles.h"
#include "tests/commun/ReglagesIsoles.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;
namespace fs = std::filesystem;

namespace {

void executerCommande(const std::string& commande) {
    if (std::system(commande.c_str()) != 0) throw std::runtime_error("failed: " + commande);
}

// The journal gzipped beside it, made again when the journal is newer.
fs::path preparerGzip(const fs::path& journal) {
    const fs::path gz = journal.string() + ".gz";
    std::error_code ec;
    if (fs::exists(gz, ec) && fs::last_write_time(gz) >= fs::last_write_time(journal)) return gz;
    const double s = chronometrer([&] {
        executerCommande("gzip -6 -c '" + journal.string() + "' > '" + gz.string() + ".part'");
        fs::rename(gz.string() + ".part", gz);
    });
    std::printf("compressed: %s in %.2f s\n", gz.c_str(), s);
    return gz;
}

int usage(const char* programme) {
    std::fprintf(stderr, "usage: %s [lines] [--runs N]   (1000000 lines, 5 runs by default)\n",
                 programme);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    long lignes = 1'000'000;
    long runs = 5;
    if (!lireArguments(argc, argv, lignes, runs)) return usage(argv[0]);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argcQt = 1;
    QApplication app(argcQt, argv);
    const ReglagesIsoles reglages;
    try {
        std::printf("Kestrane compressed-load benchmark: %u hardware threads, %ld runs\n",
                    std::thread::hardware_concurrency(), runs);
        std::printf("load average: %s\n", chargeMachine().c_str());
        const fs::path journal = preparerJournal(static_cast<std::size_t>(lignes), KESTRANE_RACINE);
        const fs::path gz = preparerGzip(journal);
        const fs::path vide = fs::path(KESTRANE_RACINE) / "bench" / "data" / "vide.log";
        executerCommande("true > '" + vide.string() + "'");
        std::printf("%s: %.1f MiB, %.1f MiB decompressed\n", gz.c_str(),
                    mio(static_cast<double>(fs::file_size(gz))),
                    mio(static_cast<double>(fs::file_size(journal))));

        // What is measured must be right: the compressed file gives the plain file's bytes.
        if (Journal::charger(gz.string()).octets() != Journal::charger(journal.string()).octets()) {
            throw std::runtime_error("the decompressed journal differs from the plain one");
        }

        BipEnregistreur silence;
        TForm1 w(silence);
        w.boites.enregistrer = true;
        w.show();
        CompteurPeintures peintures;
        controle<VueTexte>(w, "Memo1")->viewport()->installEventFilter(&peintures);
        QCoreApplication::processEvents();
        const auto charger = [&](const fs::path& chemin) {
            const int avant = peintures.nombre;
            w.dialogOuvrir.repondreProchaineFois(QString::fromStdString(chemin.string()));
            controle<QAction>(w, "menuChargerJournal")->trigger();
            if (!w.boites.erreurs.isEmpty()) {
                throw std::runtime_error(w.boites.erreurs.last().toStdString());
            }
            QElapsedTimer attente;
            attente.start();
            while (peintures.nombre == avant) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
                if (attente.elapsed() > 60'000) throw std::runtime_error("never painted");
            }
        };

        Mesure gunzip, coeur, fenetre;
        const std::string commande = "gzip -dc '" + gz.string() + "' > /dev/null";
        for (long k = 0; k < runs; ++k) {
            gunzip.secondes.push_back(chronometrer([&] { executerCommande(commande); }));
            coeur.secondes.push_back(chronometrer([&] {
                const Journal j = Journal::charger(gz.string());
                if (j.nbLignes() != static_cast<std::size_t>(lignes)) {
                    throw std::runtime_error("wrong line count");
                }
            }));
            fenetre.secondes.push_back(chronometrer([&] { charger(gz); }));
            if (controle<VueTexte>(w, "Memo1")->nbLignes() != static_cast<std::size_t>(lignes)) {
                throw std::runtime_error("the view shows a wrong line count");
            }
            charger(vide);  // one big journal held at a time
        }
        std::printf("%-42s %10s %10s %10s %10s\n", "step (seconds)", "first", "median", "min",
                    "max");
        afficher("gzip -dc > /dev/null", gunzip);
        afficher("Journal::charger (.gz)", coeur);
        afficher("window load to first screen (.gz)", fenetre);
        std::printf("load average: %s\n", chargeMachine().c_str());
        const double rc = coeur.mediane() / gunzip.mediane();
        const double rf = fenetre.mediane() / gunzip.mediane();
        std::printf("ratio to gzip -dc (medians): core %.2f, window %.2f (target <= 1.5)\n", rc,
                    rf);
        std::printf(
            "gzip_dc_s=%.4f charger_s=%.4f fenetre_s=%.4f ratio_charger=%.2f "
            "ratio_fenetre=%.2f lines=%ld\n",
            gunzip.mediane(), coeur.mediane(), fenetre.mediane(), rc, rf, lignes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_ouverture: %s\n", e.what());
        return 1;
    }
    return 0;
}
