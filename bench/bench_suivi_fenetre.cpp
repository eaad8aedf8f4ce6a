// bench_suivi_fenetre [lines] [--secondes S] [--debit L]: the real window (offscreen unless a
// platform is chosen) follows a generated journal of `lines` lines (10,000,000 by default),
// loaded and analysed, while L lines a second (2,000) are appended to it for S seconds (60) in
// writes of a tenth of a second. Prints the 95th percentile of the time each update held the
// window's thread, the longest time the window went without painting while asked to repaint
// every 10 ms, the process's CPU share of one core over the follow and its peak resident memory,
// and whether the figures after the last update equal a one-shot analysis of the whole file:
//   cas=suivi-fenetre maj_ms_p95= peinture_ms_max= cpu_pct= rss_mo= egal=oui|non
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/Exposition.h"
#include "bench/Mesures.h"
#include "bench/generateur.h"
#include "core/analyse/ServiceAnalyse.h"
#include "platform/BipAlsa.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/commun/Controles.h"
#include "tests/commun/ReglagesIsoles.h"
#include "tests/commun/ResultatEnTexte.h"
#include "ui/fenetre/UFormPrincipale.h"

using namespace kestrane;

namespace {

double secondesCpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    long lignes = 10'000'000, secondes = 60, debit = 2000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        long* cible = a == "--secondes" ? &secondes : a == "--debit" ? &debit : nullptr;
        if (cible && i + 1 < argc) {
            *cible = std::stol(argv[++i]);
        } else {
            lignes = std::stol(a);
        }
    }
    ReglagesIsoles reglages;
    namespace fs = std::filesystem;
    const fs::path source = preparerJournal(static_cast<std::size_t>(lignes), KESTRANE_RACINE);
    const fs::path dossier = fs::temp_directory_path() / "kestrane-bench-suivi";
    fs::create_directories(dossier);
    const fs::path chemin = dossier / "access.log";
    fs::copy_file(source, chemin, fs::copy_options::overwrite_existing);
    const std::string ajout =
        texteJournal(static_cast<std::size_t>(secondes * debit), kGraineParDefaut + 1);

    BipEnregistreur bip;
    TForm1 w(bip);
    w.boites.enregistrer = true;
    w.resize(1280, 800);
    w.show();
    std::vector<double> durees;
    w.dureeSuivi = [&](double ms) { durees.push_back(ms); };
    controle<QAction>(w, "menuSuivreJournal")->setChecked(true);
    w.dialogOuvrir.repondreProchaineFois(QString::fromStdString(chemin.string()));
    controle<QAction>(w, "menuChargerJournal")->trigger();
    QTest::mouseClick(controle<QPushButton>(w, "btAnalyser"), Qt::LeftButton);
    std::printf("loaded and analysed: %zu lines\n", w.journal().nbLignes());

    // The writer: a tenth of a second's lines at a time, whole lines.
    const std::size_t attendues =
        w.journal().nbLignes() + static_cast<std::size_t>(secondes * debit);
    std::thread redacteur([&] {
        std::ofstream f(chemin, std::ios::app | std::ios::binary);
        std::size_t i = 0;
        auto prochain = std::chrono::steady_clock::now();
        for (long t = 0; t < secondes * 10; ++t) {
            std::size_t fin = i;
            for (long k = 0; k < debit / 10 && fin < ajout.size(); ++k)
                fin = ajout.find('\n', fin) + 1;
            f.write(ajout.data() + i, static_cast<std::streamsize>(fin - i));
            f.flush();
            i = fin;
            prochain += std::chrono::milliseconds(100);
            std::this_thread::sleep_until(prochain);
        }
    });
    Exposition exposition(w);
    const double cpu0 = secondesCpu();
    const auto debut = std::chrono::steady_clock::now();
    const double ecart = exposition.mesurer([&] {
        const auto limite = debut + std::chrono::seconds(secondes + 30);
        while ((w.journal().nbLignes() < attendues) && std::chrono::steady_clock::now() < limite) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    });
    redacteur.join();
    const double duree =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    const double cpu = (secondesCpu() - cpu0) / duree * 100;

    // The window's own peak, before the comparison loads the file again.
    const double rss = static_cast<double>(creteRssKio()) / 1024.0;
    // A one-shot analysis of the whole file, with the window's options.
    ResultatAnalyse une;
    OptionsAnalyse options;
    options.largeurTranches = 1;
    analyserJournal(Journal::charger(chemin.string()), options, une);
    ResultatAnalyse suivie = w.resultat();
    const bool egal = test::resultatEnTexte(suivie) == test::resultatEnTexte(une);
    std::sort(durees.begin(), durees.end());
    const double p95 = durees.empty() ? -1 : durees[durees.size() * 95 / 100];
    std::printf("updates=%zu lines=%zu longest updates (ms):", durees.size(),
                w.journal().nbLignes());
    for (std::size_t k = durees.size() > 5 ? durees.size() - 5 : 0; k < durees.size(); ++k) {
        std::printf(" %.1f", durees[k]);
    }
    std::printf("\n");
    std::printf(
        "cas=suivi-fenetre maj_ms_p95=%.1f peinture_ms_max=%.0f cpu_pct=%.1f rss_mo=%.0f "
        "egal=%s\n",
        p95, ecart, cpu, rss, egal ? "oui" : "non");
    fs::remove_all(dossier);
    return egal ? 0 : 1;
}
