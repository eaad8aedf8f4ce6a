#include "tests/ui/test_analyse.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QtTest>
#include <string>
#include <vector>

#include "core/analyse/TablesStat.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"
#include "tests/commun/Controles.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/graphes/GraphesStat.h"
#include "ui/pages/rapport/PageRapport.h"
#include "ui/pages/statistiques/PageStatistiques.h"
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

// One combined-format line.
std::string ligne(const std::string& ip, const std::string& jour, const std::string& heure,
                  const std::string& fichier, const std::string& octets = "512",
                  const std::string& navigateur = "Mozilla/5.0 (Windows NT 10.0; Win64; x64)") {
    return ip + " - - [" + jour + ":" + heure + " +0100] \"GET " + fichier + " HTTP/1.1\" 200 " +
           octets + " \"-\" \"" + navigateur + "\"";
}

// Every cell of a grid, row by row, as "key|count".
QStringList cellules(const GrilleRapport& g) {
    QStringList texte;
    for (int l = 0; l < g.nbLignes(); ++l) {
        texte << depuis1252(g.cellule(0, l) + "|" + g.cellule(1, l));
    }
    return texte;
}

// The points of every series of a chart, as "label=value".
QStringList points(const GrapheQt& g) {
    QStringList texte;
    for (int s = 0; s < g.nbSeries(); ++s) {
        for (int k = 0; k < g.nbPoints(s); ++k) {
            texte << QString::number(s) + QLatin1Char(':') + g.libelle(s, k) + QLatin1Char('=') +
                         QString::number(g.valeur(s, k));
        }
    }
    return texte;
}

std::vector<GrilleRapport*> grilles(const PageRapport& p) {
    return {controle<GrilleRapportQt>(p, "tableauRapportAdressesIP"),
            controle<GrilleRapportQt>(p, "tableauRapportOS"),
            controle<GrilleRapportQt>(p, "tableauRapportNav"),
            controle<GrilleRapportQt>(p, "tableauRapportPrecedent"),
            controle<GrilleRapportQt>(p, "tableauRapportFichierCharge"),
            controle<GrilleRapportQt>(p, "tableauRapportTauxChargement"),
            controle<GrilleRapportQt>(p, "tableauRapportTranches"),
            controle<GrilleRapportQt>(p, "tableauRapportRequetes")};
}

// Everything an analysis shows: the grids, the charts, the detail view, the title.
QStringList resultat(const TForm1& w) {
    QStringList r;
    for (const GrilleRapport* g : grilles(*pageRapport(w)))
        r << cellules(*g) << QStringLiteral("#");
    for (const GrapheQt* g : graphes(w).tous()) r << points(*g) << QStringLiteral("#");
    for (std::size_t i = 0; i < controle<VueTexte>(w, "RichEdit1")->nbLignes(); ++i)
        r << controle<VueTexte>(w, "RichEdit1")->texteLigne(i);
    r << controle<QLabel>(*pageRapport(w), "lbTitreRapport")->text()
      << controle<QLabel>(*pageRapport(w), "lbRapportRequetesTotal")->text();
    return r;
}

const std::string kRegle(42, '-');

}  // namespace

void TestAnalyse::init() {
    dossier_.renouveler();
    // An option a test checks is remembered: the next test starts without it.
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

namespace {}  // namespace

void TestAnalyse::pasDeFichierAAnalyser() {
    Fenetre f;
    TForm1& w = f.form;
    analyser(w);  // nothing loaded
    QCOMPARE(f.message(), QStringLiteral("Pas de fichier \u00e0 analyser"));
    charger(w,
            dossier_.ecrire("un.log", journal({ligne("1.2.3.4", "08/Oct/2005", "10:00:00", "/")})));
    controle<QAction>(w, "menuAnalyser")->trigger();
    QCOMPARE(f.message(), QStringLiteral("Pas de fichier \u00e0 analyser"));
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->nbLignes(), std::size_t{0});
    QVERIFY(controle<QProgressBar>(w, "barreProgressionAnalyse")->isHidden());
    QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
    QCOMPARE(w.boites.erreurs, QStringList{});
    // A reading added to the described one takes one line as a journal.
    controle<QAction>(w, "menuIgnorerLignes")->setChecked(true);
    controle<QAction>(w, "menuAnalyser")->trigger();
    QCOMPARE(f.message(), QStringLiteral("Analyse du fichier termin\u00e9e !"));
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
}

void TestAnalyse::analyseCompleteDeTroisLignes() {
    Fenetre f;
    TForm1& w = f.form;
    PageRapport& p = *pageRapport(w);
    charger(
        w, dossier_.ecrire("acces.log", journal({
                                            ligne("10.0.0.1", "31/Dec/2004", "23:10:00", "/a.html"),
                                            ligne("10.0.0.2", "01/Jan/2005", "08:59:59", "/b.html"),
                                            ligne("10.0.0.1", "01/Jan/2005", "09:00:00", "/a.html"),
                                        })));
    controle<QRadioButton>(p, "radioRapportAdressesIPDecroissant")->setChecked(true);
    f.bip.bips.clear();
    analyser(w);

    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(f.message(), QStringLiteral("Analyse du fichier termin\u00e9e !"));
    QCOMPARE(controle<QTabWidget>(w, "PageControl1")->currentIndex(), 0);
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(2));
    QVERIFY(controle<QMenu>(w, "menuStatistiques")->menuAction()->isVisible());
    QVERIFY(controle<QMenu>(w, "menuStatistiques")->menuAction()->isEnabled());
    QVERIFY(controle<QProgressBar>(w, "barreProgressionAnalyse")->isHidden());
    QCOMPARE(controle<QProgressBar>(w, "barreProgressionAnalyse")->maximum(), 6);
    QCOMPARE(controle<QProgressBar>(w, "barreProgressionAnalyse")->value(), 6);
    QCOMPARE(controle<QLabel>(p, "lbTitreRapport")->text(),
             QStringLiteral("Rapport d'analyse du fichier acces.log"));
    QVERIFY(!controle<QRadioButton>(p, "radioRapportAdressesIPCroissant")->isChecked());
    QVERIFY(!controle<QRadioButton>(p, "radioRapportAdressesIPDecroissant")->isChecked());
    const std::vector<std::pair<int, int>> termine = {{400, 100}, {600, 100}, {500, 250}};
    QCOMPARE(f.bip.bips, termine);

    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportAdressesIP")),
             (QStringList{"Adresses IP|Occurences", "10.0.0.1|2", "10.0.0.2|1"}));
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportTauxChargement")),
             (QStringList{"Adresse IP|Octets", "10.0.0.1|1024", "10.0.0.2|512"}));
    QCOMPARE(controle<GrilleRapportQt>(p, "tableauRapportOS")->cellule(0, 0),
             std::string("Syst\xE8me d'Exploitation"));
    QCOMPARE(controle<GrilleRapportQt>(p, "tableauRapportTranches")->cellule(1, 0),
             std::string("Nb Acc\xE8s"));
    QCOMPARE(controle<GrilleRapportQt>(p, "tableauRapportTranches")->cellule(0, 1), std::string());
    QCOMPARE(controle<GrilleRapportQt>(p, "tableauRapportTranches")->cellule(1, 1),
             std::string("0"));
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportRequetes")),
             (QStringList{"Date|Occurences", "Tous|3"}));
    QCOMPARE(controle<QLabel>(p, "lbRapportRequetesTotal")->text(), QStringLiteral("3"));
    QVERIFY(controle<QRadioButton>(p, "radioRapportRequetesToutJournal")->isChecked());
    QCOMPARE(w.resultat().periodeChoisie, std::string(kPeriodeToutLeFichier));
    QCOMPARE(controle<QComboBox>(p, "cbRapportRequetesAnnees")->count(), 2);
    QCOMPARE(controle<QComboBox>(p, "cbRapportRequetesAnnees")->itemText(0),
             QStringLiteral("2004"));
    QCOMPARE(controle<QComboBox>(p, "cbRapportRequetesAnnees")->itemText(1),
             QStringLiteral("2005"));
    QCOMPARE(controle<QComboBox>(p, "cbRapportRequetesAnnees")->currentIndex(), 0);
    QCOMPARE(controle<QComboBox>(p, "cbRapportRequetesMois")->count(), 2);
    QCOMPARE(controle<QComboBox>(p, "cbRapportRequetesMois")->itemText(1),
             QStringLiteral("Jan/2005"));

    // Fed after the pass: two addresses, the slices from their head entry, no visits (one row).
    QCOMPARE(points(*graphes(w).grapheStatIP), (QStringList{"0:10.0.0.1=2", "0:10.0.0.2=1"}));
    QCOMPARE(graphes(w).grapheStatHoraires->nbPoints(0), 4);  // the head entry and three slices
    QCOMPARE(graphes(w).grapheStatHoraires->libelle(0, 0), QString());
    QCOMPARE(graphes(w).grapheStatVMensuelles->nbPoints(0), 0);
}

void TestAnalyse::texteDeDetailEtExportation() {
    Fenetre f;
    TForm1& w = f.form;
    const std::vector<std::string> lignes = {
        ligne("192.168.1.20", "08/Oct/2005", "14:02:33", "/index.html?q=\xE9t\xE9", "-"),
        ligne("192.168.1.21", "08/Oct/2005", "14:02:34", "/robots.txt", "120",
              "Googlebot/2.1 (+http://www.google.com/bot.html)"),
        ligne("192.168.1.20", "08/Oct/2005", "14:03:00", "/", "0", "-"),
    };
    charger(w, dossier_.ecrire("detail.log", journal(lignes)));
    analyser(w);
    QCOMPARE(w.boites.erreurs, QStringList{});

    // The text put together here from the records of the lines, block by block.
    std::string attendu = "RESULTAT DE L'ANALYSE\r\n\r\n";
    for (const std::string& l : lignes) {
        attendu += detailLog(analyserLigne(l)) + "\r\n" + kRegle + "\r\n\r\n";
    }
    QStringList morceaux = QString::fromLatin1(attendu).split(QStringLiteral("\r\n"));
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->nbLignes(),
             static_cast<std::size_t>(morceaux.size()));
    // The view decodes Windows-1252; the bytes of these lines are all Latin-1 as well.
    for (int i = 0; i < morceaux.size(); ++i) {
        QCOMPARE(controle<VueTexte>(w, "RichEdit1")->texteLigne(static_cast<std::size_t>(i)),
                 morceaux[i]);
    }

    const QString rapport = dossier_.chemin(QStringLiteral("rapport"));
    w.dialogEnregistrer.repondreProchaineFois(rapport);
    controle<QAction>(w, "menuExporterAnalyse")->trigger();
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(lire(rapport + QStringLiteral(".txt")), QByteArray::fromStdString(attendu));
}

void TestAnalyse::troisiemeLigneVideArretePremierePasse() {
    Fenetre f;
    TForm1& w = f.form;
    PageRapport& p = *pageRapport(w);
    charger(w, dossier_.ecrire("bon.log",
                               journal({ligne("1.1.1.1", "08/Oct/2005", "10:00:00", "/x"),
                                        ligne("2.2.2.2", "08/Oct/2005", "11:00:00", "/y")})));
    analyser(w);
    const QStringList avant = cellules(*controle<GrilleRapportQt>(p, "tableauRapportAdressesIP"));
    const QStringList pointsAvant = points(*graphes(w).grapheStatIP);
    const QString titreAvant = controle<QLabel>(p, "lbTitreRapport")->text();

    charger(w, dossier_.ecrire("vide.log",
                               journal({ligne("3.3.3.3", "08/Oct/2005", "10:00:00", "/x"),
                                        ligne("3.3.3.4", "08/Oct/2005", "10:00:01", "/x"), "",
                                        ligne("3.3.3.5", "08/Oct/2005", "10:00:02", "/x")})));
    analyser(w);
    QCOMPARE(w.boites.erreurs,
             QStringList{QStringLiteral("'-' n'est pas une valeur enti\u00e8re correcte.")});
    QCOMPARE(f.message(),
             QStringLiteral("Mise en m\u00e9moire du fichier journal... en cours - 1/4"));
    QVERIFY(!controle<QProgressBar>(w, "barreProgressionAnalyse")->isHidden());
    QCOMPARE(controle<QProgressBar>(w, "barreProgressionAnalyse")->value(), 2);
    QCOMPARE(controle<QProgressBar>(w, "barreProgressionAnalyse")->maximum(), 8);
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->nbLignes(), std::size_t{0});
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportAdressesIP")), avant);
    QCOMPARE(points(*graphes(w).grapheStatIP), pointsAvant);
    QCOMPARE(controle<QLabel>(p, "lbTitreRapport")->text(), titreAvant);
    QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
    QVERIFY(!controle<QMenu>(w, "menuStatistiques")->menuAction()->isVisible());

    // The next run starts afresh: the bar hides again at the end of a complete one.
    charger(w, dossier_.ecrire("bon2.log",
                               journal({ligne("1.1.1.1", "08/Oct/2005", "10:00:00", "/x"),
                                        ligne("2.2.2.2", "08/Oct/2005", "11:00:00", "/y")})));
    analyser(w);
    QCOMPARE(w.boites.erreurs.size(), 1);
    QVERIFY(controle<QProgressBar>(w, "barreProgressionAnalyse")->isHidden());
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(2));
}

void TestAnalyse::premiereLigneFautive() {
    Fenetre f;
    TForm1& w = f.form;
    const QString chemin = dossier_.ecrire(
        "hote.log", journal({"www.example.com - - [08/Oct/2005:10:00:00 +0100] \"GET / HTTP/1.1\" "
                             "200 10 \"-\" \"-\"",
                             ligne("1.1.1.1", "08/Oct/2005", "10:00:00", "/x")}));
    charger(w, chemin);
    analyser(w);
    QCOMPARE(w.boites.erreurs.size(), 1);
    QVERIFY(w.boites.erreurs[0].endsWith(
        QStringLiteral("n'est pas une valeur enti\u00e8re correcte.")));
    // Nothing was parsed: the status line keeps the message from before the run.
    QCOMPARE(f.message(), QStringLiteral("Chargement du fichier journal : ") + chemin);
    QVERIFY(!controle<QProgressBar>(w, "barreProgressionAnalyse")->isHidden());
    QCOMPARE(controle<QProgressBar>(w, "barreProgressionAnalyse")->value(), 0);

    // A NUL byte in the offending text: the whole message, the NUL shown as its picture.
    QByteArray nul = QByteArrayLiteral("1.2") + '\0' +
                     QByteArrayLiteral(
                         ".3.4 - - [08/Oct/2005:10:00:00 +0100] \"GET / HTTP/1.1\" "
                         "200 10 \"-\" \"-\"\n");
    charger(w, dossier_.ecrire("nul.log",
                               nul + journal({ligne("1.1.1.1", "08/Oct/2005", "10:00:00", "/")})));
    w.boites.erreurs.clear();
    analyser(w);
    QCOMPARE(w.boites.erreurs,
             QStringList{QStringLiteral("'2\u2400' n'est pas une valeur enti\u00e8re correcte.")});

    // A binary file: DEL, controls and NUL bytes all shown, nothing cut.
    charger(w, dossier_.ecrire("binaire.log", QByteArray("\x7f"
                                                         "ELF\x02\x01\x01\x00\x00.x\n",
                                                         12) +
                                                  QByteArray("\x00\x00\x01\n", 4)));
    w.boites.erreurs.clear();
    analyser(w);
    QCOMPARE(w.boites.erreurs,
             QStringList{QStringLiteral("'\u2421ELF\u2402\u2401\u2401\u2400\u2400' n'est pas une "
                                        "valeur enti\u00e8re correcte.")});

    // A field of 5 MB: its first 200 characters and its length, the box at once.
    charger(w, dossier_.ecrire("long.log",
                               QByteArray(5000000, '7') + "\n" +
                                   journal({ligne("1.1.1.1", "08/Oct/2005", "10:00:00", "/")})));
    w.boites.erreurs.clear();
    analyser(w);
    QCOMPARE(w.boites.erreurs,
             QStringList{QLatin1Char('\'') + QString(200, QLatin1Char('7')) +
                         QStringLiteral("\u2026' (5 000 000 caract\u00e8res) n'est pas une valeur "
                                        "enti\u00e8re correcte.")});
    // The status line shows controls from a log as visible characters (C1 as escapes).
    w.afficherStatut(QStringLiteral("a\u001b[2Jb\u009dc"));
    QCOMPARE(f.message(), QStringLiteral("a\u241b[2Jb\\x9dc"));
}

void TestAnalyse::premiereLigneFautiveDUnGrandJournal() {
    // Both halves are parsed at once: the second may get far before the first line's error.
    std::vector<std::string> lignes(200000, ligne("10.1.2.3", "08/Oct/2005", "10:00:00", "/"));
    lignes[0] = ligne("10.1.2.3", "08/Oct/2005", "10:00:00", "/", "zz");
    Fenetre f;
    TForm1& w = f.form;
    const QString chemin = dossier_.ecrire("gros.log", journal(lignes));
    charger(w, chemin);
    const QString avant = f.statut();
    analyser(w);
    QCOMPARE(w.boites.erreurs,
             QStringList{QStringLiteral("'zz' n'est pas une valeur enti\u00e8re correcte.")});
    QCOMPARE(f.statut(), avant);
    QCOMPARE(controle<QProgressBar>(w, "barreProgressionAnalyse")->value(), 0);
    QVERIFY(!controle<QProgressBar>(w, "barreProgressionAnalyse")->isHidden());
    QCOMPARE(w.resultat().enregistrements.taille(), std::size_t{0});
}

void TestAnalyse::deuxFenetresGardentLeurDetail() {
    Fenetre a, b;
    std::vector<std::string> lignes;
    for (int i = 0; i < 50; ++i) {
        lignes.push_back(ligne("10.0.0." + std::to_string(i), "08/Oct/2005", "10:00:00",
                               "/page-de-A-" + std::to_string(i)));
    }
    charger(a.form, dossier_.ecrire("a.log", journal(lignes)));
    analyser(a.form);
    QStringList detailA;
    for (std::size_t i = 0; i < controle<VueTexte>(a.form, "RichEdit1")->nbLignes(); ++i) {
        detailA << controle<VueTexte>(a.form, "RichEdit1")->texteLigne(i);
    }
    charger(b.form,
            dossier_.ecrire("b.log", journal({ligne("1.1.1.1", "08/Oct/2005", "10:00:00", "/B"),
                                              ligne("1.1.1.2", "08/Oct/2005", "10:00:00", "/B")})));
    analyser(b.form);
    QCOMPARE(b.form.boites.erreurs, QStringList{});
    QCOMPARE(controle<VueTexte>(b.form, "RichEdit1")->nbLignes(), std::size_t{3 + 15 * 2});
    QStringList apres;
    for (std::size_t i = 0; i < controle<VueTexte>(a.form, "RichEdit1")->nbLignes(); ++i) {
        apres << controle<VueTexte>(a.form, "RichEdit1")->texteLigne(i);
    }
    QCOMPARE(apres, detailA);

    // A load lets the former records go.
    charger(b.form, dossier_.ecrire("c.log", journal({lignes[0]})));
    QCOMPARE(b.form.resultat().enregistrements.taille(), std::size_t{0});
    QCOMPARE(controle<VueTexte>(a.form, "RichEdit1")->nbLignes(), std::size_t{3 + 15 * 50});
}

void TestAnalyse::debordementDesOctets() {
    Fenetre f;
    TForm1& w = f.form;
    PageRapport& p = *pageRapport(w);
    charger(w, dossier_.ecrire("ancien.log",
                               journal({ligne("9.9.9.9", "07/Oct/2005", "10:00:00", "/ancien"),
                                        ligne("9.9.9.8", "07/Oct/2005", "12:00:00", "/ancien2"),
                                        ligne("9.9.9.7", "07/Oct/2005", "13:00:00", "/ancien3"),
                                        ligne("9.9.9.7", "07/Oct/2005", "14:00:00", "/ancien3")})));
    analyser(w);
    const QStringList tauxAvant =
        cellules(*controle<GrilleRapportQt>(p, "tableauRapportTauxChargement"));
    const QStringList tranchesAvant =
        cellules(*controle<GrilleRapportQt>(p, "tableauRapportTranches"));
    const QStringList requetesAvant =
        cellules(*controle<GrilleRapportQt>(p, "tableauRapportRequetes"));
    const QStringList graphesAvant =
        resultat(w).filter(QRegularExpression(QStringLiteral("^\\d:")));

    // 9e18 twice from one address passes the signed 64-bit range.
    charger(
        w,
        dossier_.ecrire(
            "gros.log",
            journal({ligne("1.1.1.1", "08/Oct/2005", "10:00:00", "/a", "9000000000000000000"),
                     ligne("2.2.2.2", "08/Oct/2005", "10:00:01", "/b", "5"),
                     ligne("1.1.1.1", "08/Oct/2005", "10:00:02", "/a", "9000000000000000000")})));
    analyser(w);
    QCOMPARE(w.boites.erreurs, QStringList{QStringLiteral("D\u00e9bordement d'entier.")});
    // The tallies before the byte totals are new, the later grids keep the former run's rows.
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportAdressesIP")),
             (QStringList{"Adresses IP|Occurences", "1.1.1.1|2", "2.2.2.2|1"}));
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportFichierCharge")),
             (QStringList{"Fichier charg\u00e9|Occurences", "/a|2", "/b|1"}));
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportTauxChargement")), tauxAvant);
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportTranches")), tranchesAvant);
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportRequetes")), requetesAvant);
    QCOMPARE(controle<QLabel>(p, "lbRapportRequetesTotal")->text(),
             QStringLiteral("4"));  // the former journal's
    QCOMPARE(resultat(w).filter(QRegularExpression(QStringLiteral("^\\d:"))), graphesAvant);
    QCOMPARE(controle<QLabel>(p, "lbTitreRapport")->text(),
             QStringLiteral("Rapport d'analyse du fichier ancien.log"));
    QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
    QVERIFY(!controle<QProgressBar>(w, "barreProgressionAnalyse")->isHidden());
    QCOMPARE(controle<QProgressBar>(w, "barreProgressionAnalyse")->value(), 6);
    // The detail text of the new journal is there.
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->nbLignes(), std::size_t{3 + 15 * 3});
}

void TestAnalyse::octetsAuDelaDeQuatreGio() {
    Fenetre f;
    TForm1& w = f.form;
    PageRapport& p = *pageRapport(w);
    charger(w, dossier_.ecrire(
                   "miroir.log",
                   journal({ligne("1.1.1.1", "08/Oct/2005", "10:00:00", "/iso", "3000000000"),
                            ligne("2.2.2.2", "08/Oct/2005", "10:00:01", "/b", "5"),
                            ligne("1.1.1.1", "08/Oct/2005", "10:00:02", "/iso", "2000000000"),
                            ligne("3.3.3.3", "08/Oct/2005", "10:00:03", "/c", "-")})));
    analyser(w);
    QVERIFY(w.boites.erreurs.isEmpty());
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->texteLigne(11),
             QStringLiteral("Chargement      : 3000000000 octets"));
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportTauxChargement")),
             (QStringList{"Adresse IP|Octets", "1.1.1.1|5000000000", "2.2.2.2|5", "3.3.3.3|0"}));
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportAdressesIP")),
             (QStringList{"Adresses IP|Occurences", "1.1.1.1|2", "2.2.2.2|1", "3.3.3.3|1"}));
    graphes(w).grapheStatTauxCharge->actualiser();
    QCOMPARE(graphes(w).grapheStatTauxCharge->textesMarques(),
             (QStringList{"5 000 000 000 octets", "5 octets", "0 octets"}));
    // Sorted as numbers, searched as text.
    p.findChild<QRadioButton*>(QStringLiteral("radioRapportTauxCroissant"))->click();
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportTauxChargement")),
             (QStringList{"Adresse IP|Octets", "3.3.3.3|0", "2.2.2.2|5", "1.1.1.1|5000000000"}));
    QCOMPARE(w.resultat().tables.statTaux.back().nombre, int64_t{5000000000});
}

void TestAnalyse::nombreDAdressesDuGraphe() {
    Fenetre f;
    TForm1& w = f.form;
    std::vector<std::string> lignes;
    for (int i = 0; i < 30; ++i) {
        lignes.push_back(ligne("10.0.0." + std::to_string(i), "08/Oct/2005", "10:00:00", "/"));
    }
    charger(w, dossier_.ecrire("trente.log", journal(lignes)));
    controle<QLineEdit>(w, "editAdressesIP_Param")->setText(QStringLiteral("25"));
    analyser(w);
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(graphes(w).grapheStatIP->nbPoints(0), 25);
    QCOMPARE(graphes(w).grapheStatIP->libelle(0, 24), QStringLiteral("10.0.0.24"));
    QCOMPARE(graphes(w).grapheStatOS->nbPoints(0), 0);  // one system only

    // A box emptied (or holding no number) after the analysis: the next Analyse goes to its end
    // and feeds the chart with the last number the box held.
    for (const QString& texte : {QString(), QStringLiteral("abc")}) {
        std::vector<std::string> autres;
        for (int i = 0; i < 40; ++i) {
            autres.push_back(ligne("10.0.1." + std::to_string(i), "09/Oct/2005", "11:00:00", "/"));
        }
        charger(w, dossier_.ecrire("quarante.log", journal(autres)));
        controle<QLineEdit>(w, "editAdressesIP_Param")->setText(texte);
        analyser(w);
        QCOMPARE(w.boites.erreurs, QStringList{});
        QCOMPARE(graphes(w).grapheStatIP->nbPoints(0), 25);
        QCOMPARE(graphes(w).grapheStatIP->libelle(0, 24), QStringLiteral("10.0.1.24"));
        QCOMPARE(f.message(), QStringLiteral("Analyse du fichier termin\u00e9e !"));
        QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(2));
        QVERIFY(controle<QProgressBar>(w, "barreProgressionAnalyse")->isHidden());
        QCOMPARE(controle<QLineEdit>(w, "editAdressesIP_Param")->text(), texte);
    }
    // A number typed without confirmation reaches the next Analyse as it is, unbounded.
    controle<QLineEdit>(w, "editAdressesIP_Param")->setText(QStringLiteral("3"));
    analyser(w);
    QCOMPARE(graphes(w).grapheStatIP->nbPoints(0), 3);
}

void TestAnalyse::deuxAnalysesEtJournalPlusPetit() {
    Fenetre f;
    TForm1& w = f.form;
    std::vector<std::string> lignes;
    for (int i = 0; i < 40; ++i) {
        lignes.push_back(ligne("172.16.0." + std::to_string(i % 13),
                               (i < 20 ? "08/Oct/2005" : "09/Nov/2005"),
                               (i % 24 < 10 ? "0" : "") + std::to_string(i % 24) + ":00:00",
                               "/page" + std::to_string(i % 7), std::to_string(100 + i)));
    }
    charger(w, dossier_.ecrire("quarante.log", journal(lignes)));
    analyser(w);
    const QStringList premier = resultat(w);
    analyser(w);
    QCOMPARE(resultat(w), premier);
    QCOMPARE(w.boites.erreurs, QStringList{});

    charger(w, dossier_.ecrire("deux.log", journal({lignes[0], lignes[1]})));
    analyser(w);
    QCOMPARE(cellules(*controle<GrilleRapportQt>(*pageRapport(w), "tableauRapportAdressesIP")),
             (QStringList{"Adresses IP|Occurences", "172.16.0.0|1", "172.16.0.1|1"}));
    QCOMPARE(controle<GrilleRapportQt>(*pageRapport(w), "tableauRapportFichierCharge")->nbLignes(),
             3);
    QCOMPARE(controle<QComboBox>(*pageRapport(w), "cbRapportRequetesMois")->count(), 1);
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->nbLignes(), std::size_t{3 + 15 * 2});
}

void TestAnalyse::grandJournalEnDeuxMoities() {
    // Long enough for the first pass to run on both cores and report its progress.
    constexpr int n = 40000;
    std::vector<std::string> lignes;
    lignes.reserve(n);
    for (int i = 0; i < n; ++i) {
        lignes.push_back(ligne("10." + std::to_string(i % 200) + ".0.1", "08/Oct/2005", "10:00:00",
                               "/f" + std::to_string(i % 50)));
    }
    Fenetre f;
    TForm1& w = f.form;
    charger(w, dossier_.ecrire("long.log", journal(lignes)));
    analyser(w);
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(controle<GrilleRapportQt>(*pageRapport(w), "tableauRapportAdressesIP")->nbLignes(),
             201);
    QCOMPARE(controle<GrilleRapportQt>(*pageRapport(w), "tableauRapportAdressesIP")->cellule(1, 1),
             std::string("200"));
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->nbLignes(), std::size_t{3 + 15 * n});

    // Faults in both halves: the earlier line is the one reported.
    lignes[35000] = ligne("10.0.0.1", "08/Oct/2005", "10:00:00", "/", "abc");
    lignes[25000] = ligne("10.0.0.1", "08/Oct/2005", "10:00:00", "/", "xyz");
    charger(w, dossier_.ecrire("fautes.log", journal(lignes)));
    analyser(w);
    QCOMPARE(w.boites.erreurs.size(), 1);
    QCOMPARE(w.boites.erreurs[0],
             QStringLiteral("'xyz' n'est pas une valeur enti\u00e8re correcte."));
    QCOMPARE(f.message(),
             QStringLiteral("Mise en m\u00e9moire du fichier journal... en cours - 24999/40000"));
    QCOMPARE(controle<QProgressBar>(w, "barreProgressionAnalyse")->value(), 25000);
}

void TestAnalyse::echantillonReel() {
    const QString chemin = QStringLiteral(KESTRANE_ECHANTILLONS "/apache-combined-10k.log");
    if (!QFile::exists(chemin)) QSKIP("the sample logs are not beside the checkout");
    Fenetre f;
    TForm1& w = f.form;
    PageRapport& p = *pageRapport(w);
    charger(w, chemin);
    analyser(w);
    QCOMPARE(w.boites.erreurs, QStringList{});

    // Figures computed from the file by tests/outils/chiffres_echantillon.sh.
    const GrilleRapport& ip = *controle<GrilleRapportQt>(p, "tableauRapportAdressesIP");
    QCOMPARE(ip.nbLignes(), 1753 + 1);
    QCOMPARE(ip.cellule(0, 1), std::string("83.149.9.216"));
    int ligneFrequente = -1;
    for (int l = 1; l < ip.nbLignes(); ++l) {
        if (ip.cellule(0, l) == "66.249.73.135") ligneFrequente = l;
    }
    QVERIFY(ligneFrequente > 0);
    QCOMPARE(ip.cellule(1, ligneFrequente), std::string("482"));
    for (int l = 1; l < ip.nbLignes(); ++l) {
        QVERIFY2(std::stoi(ip.cellule(1, l)) <= 482, ip.cellule(0, l).c_str());
    }
    const GrilleRapport& taux = *controle<GrilleRapportQt>(p, "tableauRapportTauxChargement");
    bool trouve = false;
    for (int l = 1; l < taux.nbLignes(); ++l) {
        if (taux.cellule(0, l) == "68.180.224.225") {
            QCOMPARE(taux.cellule(1, l), std::string("168132893"));
            trouve = true;
        }
    }
    QVERIFY(trouve);
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportRequetes")),
             (QStringList{"Date|Occurences", "Tous|10000"}));
    QCOMPARE(controle<QLabel>(p, "lbRapportRequetesTotal")->text(), QStringLiteral("10000"));
    QCOMPARE(controle<GrilleRapportQt>(p, "tableauRapportFichierCharge")->nbLignes(), 1515 + 1);
    QCOMPARE(controle<GrilleRapportQt>(p, "tableauRapportPrecedent")->nbLignes(), 628 + 1);
    // The address chart shows the grid's first ten rows.
    QCOMPARE(graphes(w).grapheStatIP->nbPoints(0), 10);
    for (int k = 0; k < 10; ++k) {
        QCOMPARE(graphes(w).grapheStatIP->libelle(0, k), depuis1252(ip.cellule(0, k + 1)));
        QCOMPARE(graphes(w).grapheStatIP->valeur(0, k), std::stod(ip.cellule(1, k + 1)));
    }
    QCOMPARE(controle<QLabel>(p, "lbTitreRapport")->text(),
             QStringLiteral("Rapport d'analyse du fichier apache-combined-10k.log"));

    // The first block of the detail view is the first line's record.
    const std::string premier = detailLog(analyserLigne(w.journal().ligne(0)));
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->texteLigne(0),
             QStringLiteral("RESULTAT DE L'ANALYSE"));
    QStringList bloc;
    for (std::size_t i = 2; i < 2 + 13; ++i)
        bloc << controle<VueTexte>(w, "RichEdit1")->texteLigne(i);
    QCOMPARE(bloc.join(QStringLiteral("\r\n")), QString::fromLatin1(premier));
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->texteLigne(15), QString::fromStdString(kRegle));
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->nbLignes(), std::size_t{3 + 15 * 10000});
}

namespace {

std::vector<int> entreesCochees(const PageStatistiques& p) {
    std::vector<int> cochees;
    for (int i = 0; i < controle<QListWidget>(p, "listeACocherStat")->count(); ++i) {
        if (controle<QListWidget>(p, "listeACocherStat")->item(i)->checkState() == Qt::Checked)
            cochees.push_back(i);
    }
    return cochees;
}

}  // namespace

void TestAnalyse::grapheSeulParTouche() {
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    charger(
        w, dossier_.ecrire("f7.log", journal({ligne("1.1.1.1", "08/Oct/2005", "10:00:00", "/x"),
                                              ligne("2.2.2.2", "08/Oct/2005", "11:00:00", "/y")})));
    analyser(w);
    QTest::keyClick(&w, Qt::Key_F7);
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(controle<QTabWidget>(w, "PageControl1")->currentIndex(), 1);
    QCOMPARE(entreesCochees(*pageStatistiques(w)), std::vector<int>{3});
    QCOMPARE(f.message(), QStringLiteral("Pr\u00e9sentation de 1 graphe statistique"));
    QVERIFY(graphes(w).grapheStatFichierCharge->isVisible());
    QVERIFY(!graphes(w).grapheStatIP->isVisible());
    QCOMPARE(graphes(w).grapheStatFichierCharge->nbPoints(0), 2);

    // A load unticks the list without laying the charts out again.
    charger(w, dossier_.ecrire("autre.log",
                               journal({ligne("3.3.3.3", "08/Oct/2005", "10:00:00", "/z")})));
    QCOMPARE(entreesCochees(*pageStatistiques(w)), std::vector<int>{});
    QVERIFY(!graphes(w).grapheStatFichierCharge->isHidden());
}

void TestAnalyse::commandesDuRapportApresAnalyse() {
    Fenetre f;
    TForm1& w = f.form;
    PageRapport& p = *pageRapport(w);
    charger(w, dossier_.ecrire("rapport.log",
                               journal({ligne("1.1.1.1", "08/Oct/2005", "10:00:00", "/x"),
                                        ligne("2.2.2.2", "09/Nov/2005", "11:00:00", "/y"),
                                        ligne("2.2.2.2", "09/Nov/2005", "12:00:00", "/y")})));
    analyser(w);
    QTest::mouseClick(controle<QRadioButton>(p, "radioRapportAdressesIPDecroissant"),
                      Qt::LeftButton);
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportAdressesIP")),
             (QStringList{"Adresses IP|Occurences", "2.2.2.2|2", "1.1.1.1|1"}));
    QCOMPARE(points(*graphes(w).grapheStatIP), (QStringList{"0:2.2.2.2=2", "0:1.1.1.1=1"}));

    // The month of the second line, then back to the whole journal.
    controle<QRadioButton>(p, "radioRapportRequetesMois")->setChecked(true);
    controle<QComboBox>(p, "cbRapportRequetesMois")->setCurrentIndex(1);
    QTest::mouseClick(controle<QPushButton>(p, "btRapportRequetesActualiser"), Qt::LeftButton);
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportRequetes")),
             (QStringList{"Date|Occurences", "09/Nov/2005|2"}));
    controle<QRadioButton>(p, "radioRapportRequetesToutJournal")->setChecked(true);
    QTest::mouseClick(controle<QPushButton>(p, "btRapportRequetesActualiser"), Qt::LeftButton);
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportRequetes")),
             (QStringList{"Date|Occurences", "Tous|3"}));
    QCOMPARE(w.boites.erreurs, QStringList{});

    // A new analysis leaves the address order unchosen again.
    analyser(w);
    QVERIFY(!controle<QRadioButton>(p, "radioRapportAdressesIPDecroissant")->isChecked());
    QCOMPARE(cellules(*controle<GrilleRapportQt>(p, "tableauRapportAdressesIP")),
             (QStringList{"Adresses IP|Occurences", "1.1.1.1|1", "2.2.2.2|2"}));
}

void TestAnalyse::redimensionnerDisposeLesGraphes() {
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    QVERIFY(f.message().startsWith(QStringLiteral("Kestrane ouvert")));
    w.resize(w.width() + 40, w.height() + 30);
    QCoreApplication::processEvents();
    QCOMPARE(f.message(), QStringLiteral("Pr\u00e9sentation d'aucun graphe statistique"));

    // Four charts laid out, then the window widened while another page is shown: back on the
    // statistics page they share the chart area's new width.
    PageStatistiques& p = *pageStatistiques(w);
    controle<QTabWidget>(w, "PageControl1")->setTabVisible(1, true);
    controle<QTabWidget>(w, "PageControl1")->setCurrentIndex(1);
    QCoreApplication::processEvents();
    for (int i = 0; i < 4; ++i)
        controle<QListWidget>(p, "listeACocherStat")->item(i)->setCheckState(Qt::Checked);
    QCoreApplication::processEvents();
    QCOMPARE(f.message(), QStringLiteral("Pr\u00e9sentation de 4 graphes statistiques"));
    controle<QTabWidget>(w, "PageControl1")->setCurrentIndex(0);
    w.resize(w.width() + 200, w.height());
    QCoreApplication::processEvents();
    controle<QTabWidget>(w, "PageControl1")->setCurrentIndex(1);
    QCoreApplication::processEvents();
    const int largeur = controle<QWidget>(p, "panelGraphe")->width(),
              hauteur = controle<QWidget>(p, "panelGraphe")->height();
    QCOMPARE(graphes(w).grapheStatOS->geometry(), QRect(largeur / 2, 0, largeur / 2, hauteur / 2));
    QCOMPARE(graphes(w).grapheStatFichierCharge->geometry(),
             QRect(largeur / 2, hauteur / 2, largeur / 2, hauteur / 2));
}

KESTRANE_TEST_UI(TestAnalyse);
