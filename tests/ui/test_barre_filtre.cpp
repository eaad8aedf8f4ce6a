#include "tests/ui/test_barre_filtre.h"

#include <QAction>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QStringListModel>
#include <QTableView>
#include <QToolBar>
#include <QtTest>
#include <string>
#include <vector>

#include "tests/commun/Controles.h"
#include "tests/commun/GrillesComplements.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/fenetre/BarreFiltre.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/vues/GrilleRapportQt.h"
#include "ui/vues/Texte1252.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;
using kestrane::tests::cellules;
using kestrane::tests::Fenetre;

namespace {

std::string ligne(const char* ip, const char* requete, int statut) {
    return std::string(ip) + " - - [06/Dec/2006:10:00:00 +0100] \"" + requete + "\" " +
           std::to_string(statut) + " 100 \"-\" \"curl/7.29.0\"";
}

void taper(TForm1& w, const QString& expression) {
    auto* champ = controle<QLineEdit>(w, "champFiltre");
    champ->setText(expression);
    QTest::keyClick(champ, Qt::Key_Return);
}

}  // namespace

void TestBarreFiltre::init() {
    dossier_.renouveler();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

void TestBarreFiltre::saisieErreurEtEffacement() {
    const QString chemin =
        dossier_.ecrire("j.log", tests::journal({ligne("10.0.0.1", "GET /a HTTP/1.1", 200),
                                                 ligne("10.0.0.2", "GET /b HTTP/1.1", 404),
                                                 ligne("10.0.0.2", "GET /c HTTP/1.1", 404)}));
    Fenetre f;
    auto* barre = controle<QToolBar>(f.form, "barreFiltre");
    f.form.show();
    QVERIFY(!barre->isVisible());
    tests::charger(f.form, chemin);
    tests::analyser(f.form);
    QCOMPARE(cellules(f.form, "tableauRapportAdressesIP"),
             (QStringList{"10.0.0.1|1", "10.0.0.2|2"}));
    // The field completes the syntax's names and the entries of the tables shown.
    const auto* modele = qobject_cast<QStringListModel*>(barre->findChild<QCompleter*>()->model());
    QVERIFY(modele);
    for (const char* attendu : {"chemin:", "statique", "ip:10.0.0.2", "chemin:/b"}) {
        QVERIFY2(modele->stringList().contains(QLatin1String(attendu)), attendu);
    }
    // Ctrl+L shows the bar and puts the keyboard in its field.
    QTest::keyClick(&f.form, Qt::Key_L, Qt::ControlModifier);
    QVERIFY(barre->isVisible());
    QVERIFY(controle<QLineEdit>(f.form, "champFiltre")->hasFocus());
    taper(f.form, QStringLiteral("statut:4xx"));
    QCOMPARE(cellules(f.form, "tableauRapportAdressesIP"), (QStringList{"10.0.0.2|2"}));
    QVERIFY(f.message().endsWith(QStringLiteral("Filtre : 2 lignes sur 3")));
    QCOMPARE(controle<QLabel>(f.form, "termesFiltre")->text().trimmed(),
             QStringLiteral("[statut:4xx]"));
    // A wrong expression: its position said, the filter in force kept.
    f.bip.bips.clear();
    taper(f.form, QStringLiteral("statut:4xx foo:1"));
    QVERIFY2(f.message().contains(QStringLiteral("position 12")), qPrintable(f.message()));
    QVERIFY(!f.bip.bips.empty());
    QCOMPARE(cellules(f.form, "tableauRapportAdressesIP"), (QStringList{"10.0.0.2|2"}));
    QCOMPARE(controle<QLineEdit>(f.form, "champFiltre")->text(),
             QStringLiteral("statut:4xx foo:1"));
    // Échap in the field clears it: every line again, the bar hidden.
    QTest::keyClick(controle<QLineEdit>(f.form, "champFiltre"), Qt::Key_Escape);
    QVERIFY(!barre->isVisible());
    QCOMPARE(cellules(f.form, "tableauRapportAdressesIP"),
             (QStringList{"10.0.0.1|1", "10.0.0.2|2"}));
    QVERIFY(!f.message().contains(QStringLiteral("Filtre")));
    // Kept by a new Analyse, cleared by a new journal.
    taper(f.form, QStringLiteral("-ip:10.0.0.1"));
    tests::analyser(f.form);
    QCOMPARE(cellules(f.form, "tableauRapportAdressesIP"), (QStringList{"10.0.0.2|2"}));
    tests::charger(f.form, chemin);
    QVERIFY(!barre->isVisible());
    QVERIFY(controle<QLineEdit>(f.form, "champFiltre")->text().isEmpty());
    tests::analyser(f.form);
    QCOMPARE(cellules(f.form, "tableauRapportAdressesIP").size(), 2);
}

void TestBarreFiltre::lignesDesGrillesFiltrees() {
    const QString chemin =
        dossier_.ecrire("j.log", tests::journal({ligne("10.0.0.1", "GET /a HTTP/1.1", 200),
                                                 ligne("10.0.0.2", "GET /b HTTP/1.1", 200),
                                                 ligne("10.0.0.2", "GET /a HTTP/1.1", 200),
                                                 ligne("10.0.0.3", "GET /b HTTP/1.1", 200)}));
    Fenetre f;
    tests::charger(f.form, chemin);
    tests::analyser(f.form);
    auto* adresses = controle<GrilleRapportQt>(*pageRapport(f.form), "tableauRapportAdressesIP");
    // A double-click keeps the row's lines, in every table.
    const QModelIndex deuxieme = adresses->model()->index(1, 0);
    emit adresses->doubleClicked(deuxieme);
    QCOMPARE(cellules(f.form, "tableauRapportAdressesIP"), (QStringList{"10.0.0.2|2"}));
    QCOMPARE(cellules(f.form, "tableauRapportFichierCharge"), (QStringList{"/b|1", "/a|1"}));
    QCOMPARE(controle<QLineEdit>(f.form, "champFiltre")->text(), QStringLiteral("ip:10.0.0.2"));
    // The next row filtered on is and-ed: a file of that address.
    auto* fichiers = controle<GrilleRapportQt>(*pageRapport(f.form), "tableauRapportFichierCharge");
    emit fichiers->doubleClicked(fichiers->model()->index(1, 0));
    QCOMPARE(cellules(f.form, "tableauRapportAdressesIP"), (QStringList{"10.0.0.2|1"}));
    QCOMPARE(controle<QLineEdit>(f.form, "champFiltre")->text(),
             QStringLiteral("ip:10.0.0.2 chemin:/a"));
}

void TestBarreFiltre::grillesDesComplements() {
    const QString chemin =
        dossier_.ecrire("j.log", tests::journal({ligne("10.0.0.1", "GET /a HTTP/1.1", 200),
                                                 ligne("10.0.0.2", "GET /b HTTP/1.1", 404),
                                                 ligne("10.0.0.3", "GET /c HTTP/1.1", 404)}));
    Fenetre f;
    controle<QAction>(f.form, "menuAfficherComplements")->setChecked(true);
    tests::charger(f.form, chemin);
    tests::analyser(f.form);
    auto* codes = controle<QTableView>(f.form, "tableauComplementsCodes");
    // The row of 404, wherever the grid's sort put it.
    int ligne404 = -1;
    for (int l = 0; l < codes->model()->rowCount(); ++l) {
        if (codes->model()->index(l, 0).data().toString() == QStringLiteral("404")) ligne404 = l;
    }
    QVERIFY(ligne404 >= 0);
    emit codes->doubleClicked(codes->model()->index(ligne404, 0));
    QCOMPARE(controle<QLineEdit>(f.form, "champFiltre")->text(), QStringLiteral("statut:404"));
    QCOMPARE(cellules(f.form, "tableauRapportAdressesIP"),
             (QStringList{"10.0.0.2|1", "10.0.0.3|1"}));
    QCOMPARE(codes->model()->rowCount(), 1);
}

void TestBarreFiltre::detailParEntreeEtNumerosDesLignes() {
    const QString chemin =
        dossier_.ecrire("j.log", tests::journal({ligne("10.0.0.1", "GET /a HTTP/1.1", 200),
                                                 ligne("10.0.0.2", "GET /b HTTP/1.1", 404),
                                                 ligne("10.0.0.2", "GET /b HTTP/1.1", 200),
                                                 ligne("10.0.0.3", "GET /c HTTP/1.1", 500)}));
    Fenetre f;
    controle<QAction>(f.form, "menuAfficherComplements")->setChecked(true);
    controle<QAction>(f.form, "menuDetailEntrees")->setChecked(true);
    tests::charger(f.form, chemin);
    tests::analyser(f.form);
    // Per file: requests, bytes, visitors, then the share of each class; sorted by any column.
    const auto lignesDe = [&](const char* grille) {
        return test::lignes(*test::tableau(f.form, grille));
    };
    auto* fichiers = controle<QTableView>(f.form, "tableauComplementsDetailFichiers");
    QCOMPARE(lignesDe("tableauComplementsDetailFichiers").first(),
             QStringLiteral("/b|2|200 octets|1|50,0 %|0,0 %|50,0 %|0,0 %"));
    fichiers->sortByColumn(7, Qt::DescendingOrder);
    QVERIFY(lignesDe("tableauComplementsDetailFichiers").first().startsWith(QStringLiteral("/c|")));
    fichiers->sortByColumn(0, Qt::AscendingOrder);
    QVERIFY(lignesDe("tableauComplementsDetailFichiers").first().startsWith(QStringLiteral("/a|")));
    auto* adresses = controle<QTableView>(f.form, "tableauComplementsDetailAdresses");
    QCOMPARE(lignesDe("tableauComplementsDetailAdresses").first(),
             QStringLiteral("10.0.0.2|2|200 octets|1|2006-12-06 10:00:00|2006-12-06 10:00:00"));
    // An address filtered on from there: its lines alone, each named by its number in the journal.
    int ligneC = -1;
    for (int l = 0; l < adresses->model()->rowCount(); ++l) {
        if (adresses->model()->index(l, 0).data().toString() == QStringLiteral("10.0.0.3")) {
            ligneC = l;
        }
    }
    emit adresses->doubleClicked(adresses->model()->index(ligneC, 0));
    QCOMPARE(controle<QLineEdit>(f.form, "champFiltre")->text(), QStringLiteral("ip:10.0.0.3"));
    QCOMPARE(lignesDe("tableauComplementsDetailFichiers"),
             (QStringList{"/c|1|100 octets|1|0,0 %|0,0 %|0,0 %|100,0 %"}));
    QVERIFY(controle<PageComplements>(f.form, "pageComplements")
                ->resume()
                .contains(QStringLiteral("Lignes hors filtre : 3")));
    const auto* details = controle<VueTexte>(f.form, "RichEdit1");
    QStringList numeros;
    for (std::size_t i = 0; i < details->nbLignes(); ++i) {
        if (details->texteLigne(i).startsWith(QStringLiteral("N\u00b0 de ligne"))) {
            numeros << details->texteLigne(i);
        }
    }
    QCOMPARE(numeros, (QStringList{QStringLiteral("N\u00b0 de ligne     : 4")}));
    // The hourly slices filter by their hours.
    QTest::keyClick(controle<QLineEdit>(f.form, "champFiltre"), Qt::Key_Escape);
    auto* tranches = controle<GrilleRapportQt>(*pageRapport(f.form), "tableauRapportTranches");
    for (int l = 1; l <= tranches->model()->rowCount(); ++l) {
        if (tranches->cellule(1, l) == "4")
            emit tranches->doubleClicked(tranches->model()->index(l - 1, 0));
    }
    QCOMPARE(controle<QLineEdit>(f.form, "champFiltre")->text(), QStringLiteral("heure:10"));
}

KESTRANE_TEST_UI(TestBarreFiltre);
