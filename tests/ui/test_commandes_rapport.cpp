#include "tests/ui/test_commandes_rapport.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>
#include <string>
#include <vector>

#include "core/analyse/Decomptes.h"
#include "core/analyse/GrillesRapport.h"
#include "core/journal/Journal.h"
#include "platform/BipAlsa.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/commun/Controles.h"
#include "tests/commun/Doublures.h"
#include "tests/ui/Registre.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/graphes/GraphesStat.h"
#include "ui/pages/rapport/GroupeRapport.h"
#include "ui/pages/rapport/PageRapport.h"
#include "ui/vues/GrilleRapportQt.h"
#include "ui/vues/Texte1252.h"

using namespace kestrane;

namespace {

std::string ligne(const std::string& jour, const std::string& heure) {
    return "10.0.0.1 - - [" + jour + ":" + heure + " +0100] \"GET / HTTP/1.1\" 200 512 \"-\" \"-\"";
}
// A line that does not follow the format: no time, so its hour text is "-".
const std::string kSansHeure =
    "1.2.3.4 - - [08/Oct/2005: +0100] \"GET / HTTP/1.1\" 200 5 \"-\" \"-\"";

// Grid rows from `depuis` on, as "key|count".
QStringList lignes(const GrilleRapport& g, int depuis = 0) {
    QStringList l;
    for (int r = depuis; r < g.nbLignes(); ++r) {
        l << depuis1252(g.cellule(0, r)) + '|' + depuis1252(g.cellule(1, r));
    }
    return l;
}

QStringList lignes(const tableauRapportStat& t) {
    QStringList l;
    for (const rapportStat& e : t) l << depuis1252(e.libelle) + '|' + QString::number(e.nombre);
    return l;
}

// The first series of a chart, in the grids' "key|count" form.
QStringList points(const GrapheQt& g) {
    QStringList l;
    for (int k = 0; k < g.nbPoints(0); ++k)
        l << g.libelle(0, k) + '|' + QString::number(g.valeur(0, k));
    return l;
}

void cliquer(QAbstractButton* b) {
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

const QString kTrouve = QStringLiteral("correspondance trouv\u00e9e !");
const QString kAucune = QStringLiteral("aucune correspondance !");
const QString kEntier = QStringLiteral("'-' n'est pas une valeur enti\u00e8re correcte");

// A page wired as the window wires it, with recorders for the beeps, the errors and the displays.
struct Banc {
    QWidget parentGraphes;
    BipEnregistreur bip;
    // The analysis the page shows, and the lines its recounts read.
    std::shared_ptr<ResultatAnalyse> resultat;
    Journal& journal;
    GraphesStat graphes = creerGraphes(&parentGraphes);
    QStringList erreurs;
    int commandes = 0;
    int affichages = 0;
    int calculs = 0;  // long computations handed to the window
    PageRapport page;

    explicit Banc(Journal j = {})
        : resultat(std::make_shared<ResultatAnalyse>()),
          journal(resultat->journal = std::move(j)),
          page(contexte(), graphes) {
        QObject::connect(&page, &PageRapport::requetesAffichees, [this] { ++affichages; });
    }
    ContexteFenetre contexte() {
        ContexteFenetre c;
        c.bip = &bip;
        c.resultat = resultat;
        c.executer = [this](const std::function<void()>& f) {
            ++commandes;
            try {
                f();
            } catch (const std::exception& e) {
                erreurs << depuis1252(e.what());
            }
        };
        c.enFond = [this](const std::function<void()>& f) {
            ++calculs;
            f();
        };
        return c;
    }
    void remplirTranches(int largeur) {
        tableauRapportStat& tranches = resultat->tables.statHoraires;
        compterTranchesHoraires(journal, largeur, tranches);
        remplirTableauRapport("Tranche horaire", "Nb Acc\xE8s", tranches,
                              *controle<GrilleRapportQt>(page, "tableauRapportTranches"));
        remplirGraphe(*graphes.grapheStatHoraires, 24, tranches);
    }
};

tableauRapportStat TablesAnalyse::*const tablesStandard[] = {
    &TablesAnalyse::statIP,      &TablesAnalyse::statOS,   &TablesAnalyse::statNav,
    &TablesAnalyse::statFichier, &TablesAnalyse::statTaux, &TablesAnalyse::statPrecedent};

// Slices of one day: 3 lines at 10 h, 1 at 08 h, 2 at 23 h, 4 at 14 h, first seen in that order.
Journal journalDeTranches() {
    std::vector<std::string> l;
    for (const auto& [heure, n] :
         {std::pair{"10:05:00", 3}, {"08:00:00", 1}, {"23:59:59", 2}, {"14:30:00", 4}}) {
        for (int i = 0; i < n; ++i) l.push_back(ligne("08/Oct/2005", heure));
    }
    return test::journalDe(l);
}

}  // namespace

void TestCommandesRapport::triDesGroupesStandard_data() {
    QTest::addColumn<int>("k");
    const char* noms[] = {"adresses", "systemes", "navigateurs",
                          "fichiers", "octets",   "provenances"};
    for (int k = 0; k < 6; ++k) QTest::newRow(noms[k]) << k;
}

void TestCommandesRapport::triDesGroupesStandard() {
    QFETCH(int, k);
    Banc b;
    const GrapheQt* graphes[] = {b.graphes.grapheStatIP,         b.graphes.grapheStatOS,
                                 b.graphes.grapheStatNavRobots,  b.graphes.grapheStatFichierCharge,
                                 b.graphes.grapheStatTauxCharge, b.graphes.grapheStatPrecedent};
    const auto g = b.page.groupesStandard()[static_cast<std::size_t>(k)];
    tableauRapportStat& t = b.resultat->tables.*tablesStandard[k];
    t = {{"P", "", 3}, {"Q", "", 1}, {"R", "", 3}, {"S", "", 2}};
    for (int i = 0; i < 56; ++i) t.push_back({"e" + std::to_string(i), "", 10 + i});
    remplirTableauRapport("Cle", "Nombre", t, *g->grille());

    cliquer(g->croissant());
    QCOMPARE(lignes(*g->grille(), 1).mid(0, 5), (QStringList{"Q|1", "S|2", "R|3", "P|3", "e0|10"}));
    QCOMPARE(lignes(*g->grille(), 1), lignes(t));
    QCOMPARE(points(*graphes[k]), lignes(t).mid(0, 50));
    for (const GrapheQt* autre : b.graphes.tous()) {
        if (autre != graphes[k]) QCOMPARE(autre->nbPoints(0), 0);
    }

    // Selecting the selected button again runs nothing: the table keeps a hand-made disorder.
    std::swap(t[0], t[1]);
    cliquer(g->croissant());
    QCOMPARE(t[0].libelle, std::string("S"));

    cliquer(g->decroissant());
    QCOMPARE(lignes(*g->grille(), 1).first(), QStringLiteral("e55|65"));
    QCOMPARE(lignes(*g->grille(), 1).last(), QStringLiteral("Q|1"));
    QCOMPARE(lignes(*g->grille(), 1), lignes(t));
    QCOMPARE(points(*graphes[k]), lignes(t).mid(0, 50));
    QVERIFY(b.erreurs.isEmpty());
}

void TestCommandesRapport::rechercheEtEffacement() {
    Banc b;
    for (const auto& g : b.page.groupesStandard()) {
        const tableauRapportStat t{{"10.0.0.2", "", 5}, {"10.0.0.1", "", 2}, {"10.0.0.3", "", 1}};
        remplirTableauRapport("Cle", "Nombre", t, *g->grille());
        g->recherche()->clear();
        QTest::keyClicks(g->recherche(), "10.0.0.1");
        cliquer(g->rechercher());
        QCOMPARE(g->resultat()->text(), kTrouve);
        QCOMPARE(g->grille()->ligneCourante(), 2);
        QTest::keyClick(g->recherche(), Qt::Key_Backspace);
        QCOMPARE(g->resultat()->text(), QString());
        cliquer(g->rechercher());
        QCOMPARE(g->resultat()->text(), kAucune);
    }

    // The edit's text is looked for as the grid's Windows-1252 bytes; a text they cannot hold
    // matches nothing, not even the '?' that stands for it.
    const auto os = b.page.groupesStandard()[1];
    remplirTableauRapport("Cle", "Nombre", {{"R\xE9seau", "", 1}, {"?", "", 1}}, *os->grille());
    os->recherche()->setText(QStringLiteral("R\u00e9seau"));
    cliquer(os->rechercher());
    QCOMPARE(os->resultat()->text(), kTrouve);
    QCOMPARE(os->grille()->ligneCourante(), 1);
    os->recherche()->setText(QStringLiteral("\u03a9"));
    cliquer(os->rechercher());
    QCOMPARE(os->resultat()->text(), kAucune);
    QCOMPARE(os->grille()->ligneCourante(), 1);

    // Longer than the edit holds: cannot be found.
    const auto nav = b.page.groupesStandard()[2];
    remplirTableauRapport("Cle", "Nombre", {{"Mozilla/5.0 (X11)", "", 1}}, *nav->grille());
    nav->recherche()->clear();
    QTest::keyClicks(nav->recherche(), "Mozilla/5.0 (X11)");
    QCOMPARE(nav->recherche()->text(), QStringLiteral("Mozilla/5.0 (X1"));
    cliquer(nav->rechercher());
    QCOMPARE(nav->resultat()->text(), kAucune);
    QVERIFY(b.erreurs.isEmpty());
}

void TestCommandesRapport::filtreDuChampAdresse_data() {
    QTest::addColumn<int>("touche");
    QTest::addColumn<int>("modificateurs");
    QTest::addColumn<QString>("texte");  // null: the text QTest gives the key
    QTest::addColumn<bool>("refusee");
    const int ctrl = Qt::ControlModifier;
    const QString qtest;
    QTest::newRow("lettre") << int(Qt::Key_A) << 0 << qtest << true;
    QTest::newRow("blanc") << int(Qt::Key_Space) << 0 << qtest << true;
    QTest::newRow("tiret") << int(Qt::Key_Minus) << 0 << qtest << true;
    QTest::newRow("Ctrl+V") << int(Qt::Key_V) << ctrl << qtest << true;
    // As X11 sends it, and as platforms that attach no text to Ctrl+letter send it.
    QTest::newRow("Ctrl+V 0x16") << int(Qt::Key_V) << ctrl << QStringLiteral("\x16") << true;
    QTest::newRow("Ctrl+A sans texte") << int(Qt::Key_A) << ctrl << QStringLiteral("") << true;
    QTest::newRow("Maj+Inser") << int(Qt::Key_Insert) << int(Qt::ShiftModifier) << qtest << true;
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << qtest << true;
    QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << ctrl << qtest << true;
    QTest::newRow("Echap") << int(Qt::Key_Escape) << 0 << qtest << true;
    QTest::newRow("chiffre") << int(Qt::Key_7) << 0 << qtest << false;
    QTest::newRow("point") << int(Qt::Key_Period) << 0 << qtest << false;
    QTest::newRow("retour arriere") << int(Qt::Key_Backspace) << 0 << qtest << false;
    QTest::newRow("fleche") << int(Qt::Key_Left) << 0 << qtest << false;
    QTest::newRow("Entree") << int(Qt::Key_Return) << 0 << qtest << false;
}

void TestCommandesRapport::filtreDuChampAdresse() {
    QFETCH(int, touche);
    QFETCH(int, modificateurs);
    QFETCH(QString, texte);
    QFETCH(bool, refusee);
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    Banc b;
    QLineEdit* edit = controle<QLineEdit>(b.page, "editRapportAdressesIPRecherche");
    // What the key does to an edit without the filter.
    QLineEdit temoin;
    for (QLineEdit* e : {edit, &temoin}) {
        e->setText(QStringLiteral("1.2"));
        e->setCursorPosition(2);
    }
    // A search would find the text: Enter must not start one.
    remplirTableauRapport("Adresses IP", "Occurences", {{"1.2", "", 1}},
                          *controle<GrilleRapportQt>(b.page, "tableauRapportAdressesIP"));
    controle<EtiquetteQt>(b.page, "lbRapportAdressesIPRecherche")->setText(QStringLiteral("avant"));

    const auto cle = static_cast<Qt::Key>(touche);
    const auto mods = static_cast<Qt::KeyboardModifiers>(modificateurs);
    for (QLineEdit* e : {edit, &temoin}) {
        if (texte.isNull()) {
            QTest::keyClick(e, cle, mods);
        } else {
            QTest::sendKeyEvent(QTest::Press, e, cle, texte, mods);
            QTest::sendKeyEvent(QTest::Release, e, cle, texte, mods);
        }
    }

    if (refusee) {
        QCOMPARE(edit->text(), QStringLiteral("1.2"));
        QCOMPARE(b.bip.bips, (std::vector<std::pair<int, int>>{{900, 50}, {300, 150}}));
        QCOMPARE(controle<EtiquetteQt>(b.page, "lbRapportAdressesIPRecherche")->text(),
                 QStringLiteral("avant"));
    } else {
        QCOMPARE(edit->text(), temoin.text());
        QVERIFY(b.bip.bips.empty());
        QCOMPARE(controle<EtiquetteQt>(b.page, "lbRapportAdressesIPRecherche")->text(),
                 edit->text() == QStringLiteral("1.2") ? QStringLiteral("avant") : QString());
    }
    QVERIFY(b.erreurs.isEmpty());
}

void TestCommandesRapport::menuDuChampAdresseSansCollage() {
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    Banc b;
    b.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b.page));
    // Every item of the menu, triggered in turn: the OS edit's menu pastes, the address edit's
    // menu is the same less one item, and none of its items pastes.
    qsizetype articles[2] = {};
    for (QLineEdit* edit : {controle<QLineEdit>(b.page, "editRapportOSRecherche"),
                            controle<QLineEdit>(b.page, "editRapportAdressesIPRecherche")}) {
        edit->setText(QStringLiteral("1.2"));
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(4, 4),
                            edit->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(edit, &e);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY2(menu, qPrintable(edit->objectName()));
        const QList<QAction*> actions = menu->actions();
        articles[edit == controle<QLineEdit>(b.page, "editRapportAdressesIPRecherche")] =
            actions.size();
        for (QAction* a : actions) a->trigger();
        QCOMPARE(edit->text().contains(QStringLiteral("abc")),
                 edit == controle<QLineEdit>(b.page, "editRapportOSRecherche"));
        menu->close();
        QTRY_VERIFY(!QApplication::activePopupWidget());
    }
    QCOMPARE(articles[1], articles[0] - 1);
    QVERIFY(b.bip.bips.empty());
}

void TestCommandesRapport::ordresDesTranches() {
    Banc b(journalDeTranches());
    TablesAnalyse& tables = b.resultat->tables;
    b.remplirTranches(1);
    const QStringList parHeure{QStringLiteral("|0"), QStringLiteral("08 \u00e0 09|1"),
                               QStringLiteral("10 \u00e0 11|3"), QStringLiteral("14 \u00e0 15|4"),
                               QStringLiteral("23 \u00e0 24|2")};
    const QStringList parNombre{parHeure[0], parHeure[1], parHeure[4], parHeure[2], parHeure[3]};
    QStringList inverse = parHeure;
    std::reverse(inverse.begin(), inverse.end());
    QStringList decroissant = parNombre;
    std::reverse(decroissant.begin(), decroissant.end());

    const std::pair<QRadioButton*, QStringList> cas[] = {
        {controle<QRadioButton>(b.page, "radioRapportTranchesHDF"), parHeure},
        {controle<QRadioButton>(b.page, "radioRapportTranchesHFD"), inverse},
        {controle<QRadioButton>(b.page, "radioRapportTranchesCroissant"), parNombre},
        {controle<QRadioButton>(b.page, "radioRapportTranchesDecroissant"), decroissant},
    };
    for (const auto& [radio, attendu] : cas) {
        cliquer(radio);
        QVERIFY(radio->isChecked());
        QCOMPARE(lignes(*controle<GrilleRapportQt>(b.page, "tableauRapportTranches"), 1), attendu);
        QCOMPARE(lignes(tables.statHoraires), attendu);
        QCOMPARE(points(*b.graphes.grapheStatHoraires), attendu);
    }
    QVERIFY(b.erreurs.isEmpty());
}

void TestCommandesRapport::largeurDesTranches() {
    Banc b(journalDeTranches());
    b.remplirTranches(1);
    cliquer(controle<QRadioButton>(b.page, "radioRapportTranchesHDF"));
    QTest::keyClick(controle<QSpinBox>(b.page, "seRapportTrancheRecherche"), Qt::Key_Up);
    QCOMPARE(controle<QSpinBox>(b.page, "seRapportTrancheRecherche")->value(), 2);

    QCOMPARE(controle<QButtonGroup>(b.page, "groupeTriTranches")->checkedButton(), nullptr);
    const QStringList parDeux{QStringLiteral("Tranche horaire|Nb Acc\u00e8s"),
                              QStringLiteral("|0"),
                              QStringLiteral("10 \u00e0 12|3"),
                              QStringLiteral("08 \u00e0 10|1"),
                              QStringLiteral("22 \u00e0 24|2"),
                              QStringLiteral("14 \u00e0 16|4")};
    QCOMPARE(lignes(*controle<GrilleRapportQt>(b.page, "tableauRapportTranches")), parDeux);
    QCOMPARE(points(*b.graphes.grapheStatHoraires), parDeux.mid(1));

    // Deselected, the same order can be chosen again and sorts the new table.
    cliquer(controle<QRadioButton>(b.page, "radioRapportTranchesHDF"));
    QCOMPARE(lignes(*controle<GrilleRapportQt>(b.page, "tableauRapportTranches"), 2).first(),
             QStringLiteral("08 \u00e0 10|1"));
    QCOMPARE(points(*b.graphes.grapheStatHoraires),
             lignes(*controle<GrilleRapportQt>(b.page, "tableauRapportTranches"), 1));
    QVERIFY(b.erreurs.isEmpty());
}

void TestCommandesRapport::largeurIllisibleGardeGrilleEtGraphe() {
    Banc b(test::journalDe({ligne("08/Oct/2005", "10:00:00"), kSansHeure}));
    TablesAnalyse& tables = b.resultat->tables;
    tables.statHoraires = {{"", "", 0}, {"10 \xE0 11", "", 1}, {"11 \xE0 12", "", 2}};
    remplirTableauRapport("Tranche horaire", "Nb Acc\xE8s", tables.statHoraires,
                          *controle<GrilleRapportQt>(b.page, "tableauRapportTranches"));
    remplirGraphe(*b.graphes.grapheStatHoraires, 24, tables.statHoraires);
    cliquer(controle<QRadioButton>(b.page, "radioRapportTranchesCroissant"));
    const QStringList grille = lignes(*controle<GrilleRapportQt>(b.page, "tableauRapportTranches"));
    const QStringList graphe = points(*b.graphes.grapheStatHoraires);

    QTest::keyClick(controle<QSpinBox>(b.page, "seRapportTrancheRecherche"), Qt::Key_Up);
    QCOMPARE(b.erreurs, QStringList{kEntier});
    QCOMPARE(controle<QButtonGroup>(b.page, "groupeTriTranches")->checkedButton(), nullptr);
    QCOMPARE(lignes(*controle<GrilleRapportQt>(b.page, "tableauRapportTranches")), grille);
    QCOMPARE(points(*b.graphes.grapheStatHoraires), graphe);
}

void TestCommandesRapport::triDesRequetes() {
    Banc b;
    TablesAnalyse& tables = b.resultat->tables;
    tables.statVMensuelles = {{"A", "", 2}, {"B", "", 5}, {"C", "", 1}};
    b.page.afficherRequetes();
    const QStringList graphe = points(*b.graphes.grapheStatVMensuelles);
    QCOMPARE(graphe.size(), 3);

    cliquer(controle<QRadioButton>(b.page, "radioRapportRequetesCroissant"));
    QCOMPARE(lignes(*controle<GrilleRapportQt>(b.page, "tableauRapportRequetes"), 1),
             (QStringList{"B|5", "A|2", "C|1"}));
    QCOMPARE(points(*b.graphes.grapheStatVMensuelles), graphe);
    cliquer(controle<QRadioButton>(b.page, "radioRapportRequetesDecroissant"));
    QCOMPARE(lignes(*controle<GrilleRapportQt>(b.page, "tableauRapportRequetes"), 1),
             (QStringList{"C|1", "A|2", "B|5"}));
    QCOMPARE(lignes(tables.statVMensuelles), (QStringList{"C|1", "A|2", "B|5"}));
    QCOMPARE(points(*b.graphes.grapheStatVMensuelles), graphe);
}

void TestCommandesRapport::calculsLongsConfiesALaFenetre() {
    Banc b(test::journalDe({ligne("01/Jan/2005", "08:00:00"), ligne("02/Jan/2005", "09:00:00"),
                            ligne("01/Jan/2005", "08:30:00")}));
    TablesAnalyse& tables = b.resultat->tables;
    PageRapport& p = b.page;
    tables.statOS = {{"B", "", 2}, {"A", "", 1}};
    cliquer(controle<QRadioButton>(p, "radioRapportOSCroissant"));
    QCOMPARE(b.calculs, 1);
    QCOMPARE(lignes(tables.statOS), (QStringList{"A|1", "B|2"}));
    controle<QSpinBox>(p, "seRapportTrancheRecherche")->setValue(2);
    QCOMPARE(b.calculs, 2);
    QCOMPARE(lignes(tables.statHoraires), (QStringList{"|0", "08 \u00e0 10|1"}));
    cliquer(controle<QRadioButton>(p, "radioRapportTranchesHFD"));
    QCOMPARE(b.calculs, 3);
    // The whole journal needs no reading of it.
    controle<QRadioButton>(p, "radioRapportRequetesToutJournal")->setChecked(true);
    cliquer(controle<QPushButton>(p, "btRapportRequetesActualiser"));
    QCOMPARE(b.calculs, 3);
    cliquer(controle<QRadioButton>(p, "radioRapportRequetesJournee"));
    controle<QDateEdit>(p, "cbDateRapportJournee")->setDate(QDate(2005, 1, 1));
    cliquer(controle<QPushButton>(p, "btRapportRequetesActualiser"));
    QCOMPARE(b.calculs, 4);
    QCOMPARE(lignes(tables.statVMensuelles), QStringList{"08h \u00e0 9h|2"});
    cliquer(controle<QRadioButton>(p, "radioRapportRequetesCroissant"));
    QCOMPARE(b.calculs, 5);
    QVERIFY(b.erreurs.isEmpty());
}

void TestCommandesRapport::periodesEtActualiser() {
    Banc b(test::journalDe({ligne("31/Dec/2004", "23:10:00"), ligne("01/Jan/2005", "08:59:59"),
                            ligne("01/Jan/2005", "09:00:00"), ligne("15/Feb/2005", "10:00:00"),
                            ligne("01/Jan/2005", "09:30:00")}));
    TablesAnalyse& tables = b.resultat->tables;
    PageRapport& p = b.page;
    controle<QComboBox>(p, "cbRapportRequetesAnnees")->addItems({"2004", "2005"});
    controle<QComboBox>(p, "cbRapportRequetesMois")->addItems({"Dec/2004", "Jan/2005", "Feb/2005"});
    const auto montre = [&] {
        return lignes(*controle<GrilleRapportQt>(p, "tableauRapportRequetes"), 1);
    };

    // As the analysis does: the whole journal is built at once, shown by "Actualiser".
    controle<QRadioButton>(p, "radioRapportRequetesToutJournal")->setChecked(true);
    QCOMPARE(b.resultat->periodeChoisie, std::string(kPeriodeToutLeFichier));
    QCOMPARE(lignes(tables.statVMensuelles), QStringList{"Tous|5"});
    QCOMPARE(b.affichages, 0);
    cliquer(controle<QPushButton>(p, "btRapportRequetesActualiser"));
    QCOMPARE(lignes(*controle<GrilleRapportQt>(p, "tableauRapportRequetes")),
             (QStringList{"Date|Occurences", "Tous|5"}));

    cliquer(controle<QRadioButton>(p, "radioRapportRequetesAnnee"));
    QCOMPARE(b.resultat->periodeChoisie, std::string(kPeriodeAnnee));
    controle<QComboBox>(p, "cbRapportRequetesAnnees")->setCurrentIndex(1);
    QCOMPARE(montre(), QStringList{"Tous|5"});
    cliquer(controle<QPushButton>(p, "btRapportRequetesActualiser"));
    QCOMPARE(montre(), (QStringList{"Jan/2005|3", "Feb/2005|1"}));
    QCOMPARE(points(*b.graphes.grapheStatVMensuelles), montre());

    // Rebuilt, not shown.
    cliquer(controle<QRadioButton>(p, "radioRapportRequetesToutJournal"));
    QCOMPARE(lignes(tables.statVMensuelles), QStringList{"Tous|5"});
    QCOMPARE(montre(), (QStringList{"Jan/2005|3", "Feb/2005|1"}));

    cliquer(controle<QRadioButton>(p, "radioRapportRequetesMois"));
    cliquer(controle<QPushButton>(p, "btRapportRequetesActualiser"));
    QCOMPARE(montre(), QStringList{"31/Dec/2004|1"});

    cliquer(controle<QRadioButton>(p, "radioRapportRequetesPeriode"));
    controle<QDateEdit>(p, "cbDateRapportRequetesPeriodeDu")->setDate(QDate(2004, 12, 31));
    controle<QDateEdit>(p, "cbDateRapportRequetesPeriodeAu")->setDate(QDate(2005, 1, 1));
    cliquer(controle<QPushButton>(p, "btRapportRequetesActualiser"));
    QCOMPARE(montre(), (QStringList{"31/Dec/2004|1", "01/Jan/2005|3"}));

    cliquer(controle<QRadioButton>(p, "radioRapportRequetesJournee"));
    controle<QDateEdit>(p, "cbDateRapportJournee")->setDate(QDate(2005, 1, 1));
    cliquer(controle<QPushButton>(p, "btRapportRequetesActualiser"));
    QCOMPARE(montre(),
             (QStringList{QStringLiteral("08h \u00e0 9h|1"), QStringLiteral("09h \u00e0 10h|2")}));

    // The whole journal, or no period yet: "Actualiser" shows the table as it stands.
    for (const std::string_view periode : {kPeriodeToutLeFichier, std::string_view()}) {
        b.resultat->periodeChoisie = std::string(periode);
        tables.statVMensuelles = {{"X", "", 7}};
        cliquer(controle<QPushButton>(p, "btRapportRequetesActualiser"));
        QCOMPARE(montre(), QStringList{"X|7"});
    }
    QCOMPARE(b.affichages, 7);
    QVERIFY(b.erreurs.isEmpty());
}

void TestCommandesRapport::actualiserEnEchec() {
    Banc b(test::journalDe({ligne("08/Oct/2005", "10:00:00"), kSansHeure}));
    TablesAnalyse& tables = b.resultat->tables;
    PageRapport& p = b.page;
    tables.statVMensuelles = {{"A", "", 2}, {"B", "", 3}};
    b.page.afficherRequetes();
    const QStringList grille = lignes(*controle<GrilleRapportQt>(p, "tableauRapportRequetes"));
    const QStringList graphe = points(*b.graphes.grapheStatVMensuelles);

    cliquer(controle<QRadioButton>(p, "radioRapportRequetesJournee"));
    controle<QDateEdit>(p, "cbDateRapportJournee")->setDate(QDate(2005, 10, 8));
    cliquer(controle<QPushButton>(p, "btRapportRequetesActualiser"));
    QCOMPARE(b.erreurs, QStringList{kEntier});

    b.journal =
        test::journalDe({ligne("08/Oct/2005", "10:00:00"), ligne("08/Okt/2005", "10:00:00")});
    cliquer(controle<QRadioButton>(p, "radioRapportRequetesPeriode"));
    cliquer(controle<QPushButton>(p, "btRapportRequetesActualiser"));
    QCOMPARE(b.erreurs.last(), QStringLiteral("'08//2005' n'est pas une date correcte"));

    QCOMPARE(b.affichages, 1);
    QCOMPARE(lignes(*controle<GrilleRapportQt>(p, "tableauRapportRequetes")), grille);
    QCOMPARE(points(*b.graphes.grapheStatVMensuelles), graphe);
}

void TestCommandesRapport::uneCommandeParSelection() {
    // Each selection runs its command once, through the window's command runner.
    Banc b;
    TablesAnalyse& tables = b.resultat->tables;
    tables.statOS = {{"B", "", 2}, {"A", "", 1}};
    cliquer(controle<QRadioButton>(b.page, "radioRapportOSCroissant"));
    QCOMPARE(b.commandes, 1);
    QCOMPARE(lignes(tables.statOS), (QStringList{"A|1", "B|2"}));
    cliquer(controle<QRadioButton>(b.page, "radioRapportOSDecroissant"));
    QCOMPARE(b.commandes, 2);
    QCOMPARE(lignes(tables.statOS), (QStringList{"B|2", "A|1"}));
}

KESTRANE_TEST_UI(TestCommandesRapport);
