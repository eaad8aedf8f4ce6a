#include "tests/ui/test_suivi.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QTableView>
#include <QtTest>
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "core/journal/DeuxFils.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/vues/GrilleRapportQt.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;
using kestrane::tests::Fenetre;

namespace {

// Request k of a small site: addresses, files and agents repeat, the hour moves on.
std::string ligne(int k) {
    static const char* const kAgents[] = {
        "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0",
        "Googlebot/2.1 (+http://www.google.com/bot.html)", "curl/8.0"};
    char date[40];
    std::snprintf(date, sizeof date, "%02d/Dec/2026:%02d:%02d:%02d +0100", 10 + k / 3000,
                  k / 120 % 24, k / 2 % 60, k % 60);
    return "10.0." + std::to_string(k % 5) + "." + std::to_string(k * 7 % 23) + " - - [" + date +
           "] \"GET /p" + std::to_string(k % 11) + " HTTP/1.1\" " + (k % 7 ? "200 " : "404 ") +
           std::to_string(k % 900) + " \"-\" \"" + kAgents[k % 3] + "\"\n";
}

std::string lignes(int de, int a) {
    std::string s;
    for (int k = de; k < a; ++k) s += ligne(k);
    return s;
}

void ajouter(const QString& chemin, const std::string& octets) {
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::Append));
    f.write(octets.data(), static_cast<qint64>(octets.size()));
}

const char* const kGrilles[] = {"tableauRapportAdressesIP",
                                "tableauRapportOS",
                                "tableauRapportNav",
                                "tableauRapportFichierCharge",
                                "tableauRapportTauxChargement",
                                "tableauRapportPrecedent",
                                "tableauRapportTranches"};

VueTexte* vue(const TForm1& w, const char* nom) {
    return w.findChild<VueTexte*>(QLatin1String(nom));
}

}  // namespace

void TestSuivi::init() {
    dossier_.renouveler();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

void TestSuivi::suiviEgalAnalyseDuTout() {
    // Long enough for its analysis to be read in two stretches: the new lines are counted apart
    // and merged (a shorter one is analysed again at each turn).
    const int n0 = static_cast<int>(kSeuilDeuxFilsLignes) + 400;
    const QString chemin = dossier_.ecrire("access.log", QByteArray::fromStdString(lignes(0, n0)));
    Fenetre f;
    QAction* suivre = controle<QAction>(f.form, "menuSuivreJournal");
    QCOMPARE(suivre->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+F")));
    suivre->setChecked(true);
    tests::charger(f.form, chemin);
    tests::analyser(f.form);
    // The user's order and selection: the addresses by decreasing count, the third one chosen.
    QTest::mouseClick(controle<QRadioButton>(f.form, "radioRapportAdressesIPDecroissant"),
                      Qt::LeftButton);
    auto* adresses = controle<GrilleRapportQt>(f.form, "tableauRapportAdressesIP");
    adresses->choisirLigne(3);
    const std::string choisie = adresses->cellule(0, 3);

    int ecrites = n0;
    const auto attendre = [&] {
        QTRY_COMPARE_WITH_TIMEOUT(f.form.journal().nbLignes(), static_cast<std::size_t>(ecrites),
                                  15000);
    };
    // Appended by a writer thread in pieces that cut lines anywhere.
    std::thread redacteur([&] {
        const std::string suite = lignes(n0, n0 + 1000);
        for (std::size_t i = 0; i < suite.size();) {
            const std::size_t n = std::min<std::size_t>(suite.size() - i, 1 + (i * 7919) % 3001);
            ajouter(chemin, suite.substr(i, n));
            i += n;
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });
    redacteur.join();
    ecrites = n0 + 1000;
    attendre();
    QCOMPARE(adresses->cellule(0, adresses->ligneCourante()), choisie);
    // Renamed, and a new file created under the name.
    QVERIFY(QFile::rename(chemin, dossier_.chemin("access.log.1")));
    ajouter(dossier_.chemin("access.log.1"), lignes(n0 + 1000, n0 + 1050));
    ajouter(chemin, lignes(n0 + 1050, n0 + 1100));
    ecrites = n0 + 1100;
    attendre();
    // Truncated in place, then written again.
    QVERIFY(QFile::resize(chemin, 0));
    ajouter(chemin, lignes(n0 + 1100, n0 + 1110));
    ecrites = n0 + 1110;
    attendre();
    // Deleted and created again.
    QVERIFY(QFile::remove(chemin));
    ajouter(chemin, lignes(n0 + 1110, n0 + 1200));
    ecrites = n0 + 1200;
    attendre();
    QVERIFY2(f.message().startsWith(QStringLiteral("Suivi : 1200 lignes nouvelles \u2014 ")),
             qPrintable(f.message()));

    // A one-shot analysis of every line written.
    Fenetre une;
    tests::charger(une.form,
                   dossier_.ecrire("tout.log", QByteArray::fromStdString(lignes(0, n0 + 1200))));
    tests::analyser(une.form);
    QCOMPARE(vue(f.form, "Memo1")->nbLignes(), vue(une.form, "Memo1")->nbLignes());
    QCOMPARE(vue(f.form, "RichEdit1")->nbLignes(), vue(une.form, "RichEdit1")->nbLignes());
    for (const char* grille : kGrilles) {
        QStringList suivies = tests::cellules(f.form, grille);
        QStringList attendues = tests::cellules(une.form, grille);
        if (std::string_view(grille) == "tableauRapportAdressesIP") {
            // Sorted by the user: the same entries, by decreasing count.
            for (int l = 1; l < suivies.size(); ++l) {
                QVERIFY(suivies[l - 1].section('|', 1).toLongLong() >=
                        suivies[l].section('|', 1).toLongLong());
            }
            suivies.sort();
            attendues.sort();
        }
        QCOMPARE(suivies, attendues);
    }
    QCOMPARE(adresses->cellule(0, adresses->ligneCourante()), choisie);
    // Remembered for the next window.
    Fenetre autre;
    QVERIFY(controle<QAction>(autre.form, "menuSuivreJournal")->isChecked());
}

void TestSuivi::suspenduPuisRepris() {
    const QString chemin = dossier_.ecrire("access.log", QByteArray::fromStdString(lignes(0, 50)));
    Fenetre f;
    controle<QAction>(f.form, "menuSuivreJournal")->setChecked(true);
    controle<QAction>(f.form, "menuAfficherComplements")->setChecked(true);
    tests::charger(f.form, chemin);
    tests::analyser(f.form);
    // The Compléments' return codes by decreasing count, the second (404) chosen: so they stay.
    QTableView* codes = controle<QTableView>(f.form, "tableauComplementsCodes");
    codes->sortByColumn(1, Qt::DescendingOrder);
    codes->selectRow(1);
    QCOMPARE(codes->model()->index(1, 0).data().toString(), QStringLiteral("404"));
    QAction* suspendre = controle<QAction>(f.form, "menuSuspendreSuivi");
    QVERIFY(suspendre->isEnabled());
    suspendre->setChecked(true);
    ajouter(chemin, lignes(50, 80));
    QTest::qWait(1500);
    QCOMPARE(f.form.journal().nbLignes(), std::size_t{50});
    suspendre->setChecked(false);
    QTRY_COMPARE_WITH_TIMEOUT(f.form.journal().nbLignes(), std::size_t{80}, 10000);
    QCOMPARE(tests::cellules(f.form, "tableauRapportFichierCharge").size(), 11);
    QCOMPARE(codes->horizontalHeader()->sortIndicatorSection(), 1);
    QCOMPARE(codes->model()->index(codes->currentIndex().row(), 0).data().toString(),
             QStringLiteral("404"));
    // Unchecked: the lines written later stay out.
    controle<QAction>(f.form, "menuSuivreJournal")->setChecked(false);
    QVERIFY(!suspendre->isEnabled());
    ajouter(chemin, lignes(80, 90));
    QTest::qWait(1500);
    QCOMPARE(f.form.journal().nbLignes(), std::size_t{80});
}

KESTRANE_TEST_UI(TestSuivi);
