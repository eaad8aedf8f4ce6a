#include "tests/ui/test_lignes_ignorees.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSpinBox>
#include <QtTest>
#include <string>
#include <vector>

#include "tests/commun/Controles.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/vues/GrilleRapportQt.h"
#include "ui/vues/Texte1252.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;
using kestrane::tests::analyser;
using kestrane::tests::charger;
using kestrane::tests::Fenetre;
using kestrane::tests::journal;
using kestrane::tests::lire;

namespace {

std::string ligne(const std::string& client, const std::string& jour, const std::string& heure,
                  const std::string& octets = "512") {
    return client + " - - [" + jour + ":" + heure + " +0100] \"GET /p HTTP/1.1\" 200 " + octets +
           " \"-\" \"Mozilla/5.0 (X11; Linux x86_64)\"";
}

// Lines 1, 2, 4, 7 and 9 conform; the others do not, whatever the option.
const std::vector<std::string> kMele = {
    ligne("10.0.0.1", "06/Dec/2006", "10:00:00", "100"),
    ligne("2001:db8::1", "06/Dec/2006", "10:30:00", "200"),
    "vhost.example.com 10.0.0.9 - - [06/Dec/2006:10:21:00 +0100] \"GET / HTTP/1.1\" 200 5",
    ligne("::1", "06/Dec/2006", "11:00:00", "-"),
    "10.0.0.1 - - [06/Dec/2006:11:0",
    std::string("\x7F"
                "ELF\x02\x01\x01\0\0\0\0\0\0 \x03\0>\0",
                19),
    ligne("crawl.example.com", "07/Dec/2006", "12:00:00", "30"),
    ligne("10.0.0.2", "07/Dec/2006", "-"),
    ligne("2001:db8::1", "07/Dec/2006", "13:00:00", "50"),
};

void cocher(TForm1& w, bool oui) {
    QAction* a = controle<QAction>(w, "menuIgnorerLignes");
    if (a->isChecked() != oui) a->trigger();
}

QStringList cellules(const GrilleRapport& g) {
    QStringList texte;
    for (int l = 1; l < g.nbLignes(); ++l)
        texte << depuis1252(g.cellule(0, l) + "|" + g.cellule(1, l));
    return texte;
}

QStringList vue(const TForm1& w) {
    QStringList s;
    const VueTexte* v = controle<VueTexte>(w, "RichEdit1");
    for (std::size_t i = 0; i < v->nbLignes(); ++i) s << v->texteLigne(i);
    return s;
}

QDialog* dialogue() {
    for (QWidget* f : QApplication::topLevelWidgets()) {
        if (f->objectName() == QLatin1String("dialogueLignesIgnorees") && f->isVisible()) {
            return qobject_cast<QDialog*>(f);
        }
    }
    return nullptr;
}

}  // namespace

void TestLignesIgnorees::init() {
    dossier_.renouveler();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

void TestLignesIgnorees::cleanup() {
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
    if (QDialog* d = dialogue()) d->close();
}

void TestLignesIgnorees::elementsDeMenu() {
    {
        Fenetre f;
        const QList<QAction*> outils = controle<QMenu>(f.form, "menuOutils")->actions();
        QVERIFY(outils.size() >= 3);  // the other options follow
        QCOMPARE(outils[0]->objectName(), QStringLiteral("menuOptions"));
        QVERIFY(outils[1]->isSeparator());
        QAction* option = outils[2];
        QCOMPARE(option->objectName(), QStringLiteral("menuIgnorerLignes"));
        QCOMPARE(option->text(), QStringLiteral("&Ignorer les lignes non conformes"));
        QVERIFY(option->isCheckable());
        QVERIFY(!option->isChecked());  // first start
        const QList<QAction*> edition = controle<QMenu>(f.form, "menuEdition")->actions();
        QCOMPARE(edition.size(), 2);
        QCOMPARE(edition[0]->objectName(), QStringLiteral("menuAnalyser"));
        QCOMPARE(edition[1]->objectName(), QStringLiteral("menuLignesIgnorees"));
        QCOMPARE(edition[1]->text(), QStringLiteral("Lignes &ignor\u00e9es..."));
        QVERIFY(!edition[1]->isEnabled());
        option->trigger();
    }
    // Remembered by the next run, both ways.
    for (const bool attendu : {true, false}) {
        Fenetre f;
        QCOMPARE(controle<QAction>(f.form, "menuIgnorerLignes")->isChecked(), attendu);
        controle<QAction>(f.form, "menuIgnorerLignes")->trigger();
    }
}

void TestLignesIgnorees::optionDecocheeCommeAvant() {
    Fenetre f;
    charger(f.form, dossier_.ecrire("mele.log", journal(kMele)));
    analyser(f.form);
    QCOMPARE(f.form.boites.erreurs.size(), 1);
    QVERIFY(f.form.boites.erreurs[0].startsWith(
        QStringLiteral("'2001:db8::1 - - [06/Dec/2006:10:30:00 +0100] \"GET /p HTTP/1'")));
    QVERIFY(!controle<QAction>(f.form, "menuLignesIgnorees")->isEnabled());
    QCOMPARE(controle<VueTexte>(f.form, "RichEdit1")->nbLignes(), std::size_t{0});
}

void TestLignesIgnorees::lignesGardeesEtListe() {
    Fenetre f;
    TForm1& w = f.form;
    cocher(w, true);
    charger(w, dossier_.ecrire("mele.log", journal(kMele)));
    analyser(w);
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(f.message(),
             QStringLiteral("Analyse du fichier termin\u00e9e ! (4 lignes ignor\u00e9es sur 9)"));

    // The detail view and its export: the five kept lines, the clients as written.
    const QStringList texte = vue(w);
    QCOMPARE(texte.size(), 3 + 15 * 5);
    QStringList adresses;
    for (int b = 0; b < 5; ++b) adresses << texte[2 + 15 * b];
    const QString a = QStringLiteral("Adresse IP      : ");
    QCOMPARE(adresses, (QStringList{a + "10.0.0.1", a + "2001:db8::1", a + "::1",
                                    a + "crawl.example.com", a + "2001:db8::1"}));
    QCOMPARE(texte[2 + 15 * 4 + 5], QStringLiteral("Heure           : 13:00:00"));
    const QString rapport = dossier_.chemin(QStringLiteral("rapport"));
    w.dialogEnregistrer.repondreProchaineFois(rapport);
    controle<QAction>(w, "menuExporterAnalyse")->trigger();
    QCOMPARE(QString::fromLatin1(lire(rapport + QStringLiteral(".txt"))),
             texte.join(QStringLiteral("\r\n")));

    // The tables count the kept lines only.
    PageRapport& p = *pageRapport(w);
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportAdressesIP")),
             (QStringList{"10.0.0.1|1", "2001:db8::1|2", "::1|1", "crawl.example.com|1"}));
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportTauxChargement")),
             (QStringList{"10.0.0.1|100", "2001:db8::1|250", "::1|0", "crawl.example.com|30"}));
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportRequetes")),
             QStringList{"Tous|5"});
    QCOMPARE(controle<QLabel>(p, "lbRapportRequetesTotal")->text(), QStringLiteral("5"));
    // A new slice width counts the same lines again, without an error.
    QTest::keyClick(controle<QSpinBox>(p, "seRapportTrancheRecherche"), Qt::Key_Up);
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportTranches")),
             (QStringList{"|0", "10 \u00e0 12|1", "12 \u00e0 14|1"}));

    // The list: number, reason and start of each skipped line.
    QAction* liste = controle<QAction>(w, "menuLignesIgnorees");
    QVERIFY(liste->isEnabled());
    liste->trigger();
    QDialog* d = dialogue();
    QVERIFY(d != nullptr);
    const QPlainTextEdit* t = controle<QPlainTextEdit>(*d, "texteLignesIgnorees");
    QVERIFY(t->isReadOnly());
    QVERIFY(t->textInteractionFlags() & Qt::TextSelectableByMouse);
    const QStringList lignes = t->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lignes.size(), 6);
    QCOMPARE(lignes[0], QStringLiteral("4 lignes ignor\u00e9es sur 9"));
    QCOMPARE(lignes[2], QStringLiteral("3\t' [//c/20' n'est pas une date correcte\t") +
                            QString::fromStdString(kMele[2]));
    QCOMPARE(lignes[3], QStringLiteral("5\tLigne incompl\u00e8te\t10.0.0.1 - - [06/Dec/2006:11:0"));
    QVERIFY(lignes[4].startsWith(QStringLiteral("6\tLigne incompl\u00e8te\t\ufffdELF\ufffd")));
    QCOMPARE(lignes[5], QStringLiteral("8\t'-' n'est pas une heure correcte\t") +
                            QString::fromStdString(kMele[7]));

    // Loading another journal puts the list away with the results.
    charger(w, dossier_.ecrire("autre.log", journal({kMele[0], kMele[0]})));
    QVERIFY(!liste->isEnabled());
    QVERIFY(dialogue() == nullptr);
}

void TestLignesIgnorees::formatNonReconnu() {
    struct Cas {
        std::vector<std::string> lignes;
        QString message;
        std::size_t lignesVue;
    };
    const QString fin = QStringLiteral("Analyse du fichier termin\u00e9e !");
    const std::vector<Cas> cas = {
        {{kMele[0], kMele[2], kMele[4]},
         fin + QStringLiteral(" (2 lignes ignor\u00e9es sur 3) : format non reconnu ?"),
         3 + 15},
        // Half of them: not more than half.
        {{kMele[0], kMele[2], kMele[1], kMele[4]},
         fin + QStringLiteral(" (2 lignes ignor\u00e9es sur 4)"),
         3 + 30},
        // Nothing kept: empty tables, no error.
        {{"{\"ts\":1}", "{\"ts\":2}"},
         fin + QStringLiteral(" (2 lignes ignor\u00e9es sur 2) : format non reconnu ?"),
         3},
        {{kMele[0], kMele[1]}, fin, 3 + 30},
    };
    for (const Cas& c : cas) {
        Fenetre f;
        cocher(f.form, true);
        charger(f.form, dossier_.ecrire(QStringLiteral("j.log"), journal(c.lignes)));
        analyser(f.form);
        QCOMPARE(f.form.boites.erreurs, QStringList{});
        QCOMPARE(f.message(), c.message);
        QCOMPARE(controle<VueTexte>(f.form, "RichEdit1")->nbLignes(), c.lignesVue);
        QCOMPARE(controle<QAction>(f.form, "menuLignesIgnorees")->isEnabled(), c.message != fin);
    }
}

void TestLignesIgnorees::journalPropreCommeSansOption() {
    std::vector<std::string> lignes;
    for (int k = 0; k < 40; ++k) {
        lignes.push_back(ligne("10.0." + std::to_string(k % 3) + "." + std::to_string(k % 7),
                               k < 20 ? "06/Dec/2006" : "07/Dec/2006",
                               std::to_string(10 + k % 10) + ":00:00", std::to_string(k * 10)));
    }
    const QString chemin = dossier_.ecrire(QStringLiteral("propre.log"), journal(lignes));
    QStringList resultats[2];
    for (const bool option : {false, true}) {
        Fenetre f;
        cocher(f.form, option);
        charger(f.form, chemin);
        analyser(f.form);
        QStringList& r = resultats[option];
        r << f.message() << vue(f.form);
        for (const char* nom :
             {"tableauRapportAdressesIP", "tableauRapportOS", "tableauRapportNav",
              "tableauRapportPrecedent", "tableauRapportFichierCharge",
              "tableauRapportTauxChargement", "tableauRapportTranches", "tableauRapportRequetes"}) {
            r << cellules(*controle<GrilleRapportQt>(*pageRapport(f.form), nom));
        }
        QVERIFY(!controle<QAction>(f.form, "menuLignesIgnorees")->isEnabled());
    }
    QCOMPARE(resultats[1], resultats[0]);
    QCOMPARE(resultats[0][0], QStringLiteral("Analyse du fichier termin\u00e9e !"));
}

KESTRANE_TEST_UI(TestLignesIgnorees);
