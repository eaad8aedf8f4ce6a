// bench_filtre_fenetre [lines] [--runs N]: the real window offscreen on a synthetic journal of
// 1,000,000 lines (unless a count is given), analysed once with readable results, then filters
// typed in the filter bar and applied by Enter: each timed from Enter until every table, chart
// and page shows the filtered analysis, N times (3 by default), then Échap back to every line.
// One line per filter: `filtre=<expression> s=<median> gardees=<lines kept>`.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <chrono>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

#include "bench/Mesures.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/commun/Controles.h"
#include "tests/commun/ReglagesIsoles.h"
#include "ui/fenetre/UFormPrincipale.h"

using namespace kestrane;

int main(int argc, char** argv) {
    long lignes = 1'000'000, runs = 3;
    if (!lireArguments(argc, argv, lignes, runs)) {
        std::fprintf(stderr, "usage: %s [lines] [--runs N]\n", argv[0]);
        return 2;
    }
    if (lignes <= 0) lignes = 1'000'000;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argcQt = 1;
    QApplication app(argcQt, argv);
    const ReglagesIsoles reglages;
    try {
        std::printf("window filter benchmark: %ld lines, %ld runs; load average %s\n", lignes, runs,
                    chargeMachine().c_str());
        const auto chemin = preparerJournal(static_cast<std::size_t>(lignes), KESTRANE_RACINE);
        BipEnregistreur silence;
        TForm1 w(silence);
        w.boites.enregistrer = true;
        controle<QAction>(w, "menuResultatsLisibles")->setChecked(true);
        w.show();
        w.dialogOuvrir.repondreProchaineFois(QString::fromStdString(chemin.string()));
        controle<QAction>(w, "menuChargerJournal")->trigger();
        QTest::mouseClick(controle<QPushButton>(w, "btAnalyser"), Qt::LeftButton);
        const auto statut = [&] { return controle<QLabel>(w, "barreStatusPanneau1")->text(); };
        if (!statut().startsWith(QStringLiteral("Analyse du fichier termin\u00e9e !"))) {
            throw std::runtime_error("the first Analyse did not end: " + statut().toStdString());
        }
        auto* champ = controle<QLineEdit>(w, "champFiltre");
        const char* const filtres[] = {
            "-robot -statique statut:2xx methode:GET -ip:10.0.0.0/8",
            "-robot",
            "statut:404",
            "chemin:/images/* ou chemin:~.php",
            "jour:2023-12-24..2023-12-26 heure:8..18",
        };
        // Each phase's share of the last run (the window's milestones of an analysis).
        using Horloge = std::chrono::steady_clock;
        Horloge::time_point debutPhase;
        std::string phases;
        w.jalonAnalyse = [&](const char* phase) {
            const auto maintenant = Horloge::now();
            char texte[96];
            std::snprintf(texte, sizeof texte, " %s=%.3f", phase,
                          std::chrono::duration<double>(maintenant - debutPhase).count());
            phases += texte;
            debutPhase = maintenant;
        };
        for (const char* filtre : filtres) {
            QString fin;
            const Mesure m = mesurer(
                static_cast<int>(runs),
                [&] {
                    phases.clear();
                    debutPhase = Horloge::now();
                    champ->setText(QString::fromUtf8(filtre));
                    QTest::keyClick(champ, Qt::Key_Return);
                    fin = statut();
                    if (!w.boites.erreurs.isEmpty()) {
                        throw std::runtime_error(w.boites.erreurs.last().toStdString());
                    }
                },
                [&] { QTest::keyClick(champ, Qt::Key_Escape); });
            const auto k = fin.indexOf(QStringLiteral("Filtre : "));
            std::printf("filtre=%s s=%.3f min_s=%.3f (%s)\n  last run:%s\n", filtre, m.mediane(),
                        m.min(), k < 0 ? qPrintable(fin) : qPrintable(fin.mid(k)), phases.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_filtre_fenetre: %s\n", e.what());
        return 1;
    }
    return 0;
}
