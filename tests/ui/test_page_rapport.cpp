#include "tests/ui/test_page_rapport.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>
#include <string>
#include <vector>

#include "core/analyse/GrillesRapport.h"
#include "tests/commun/Controles.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/pages/rapport/GroupeRapport.h"
#include "ui/pages/rapport/PageRapport.h"
#include "ui/vues/GrilleRapportQt.h"

using namespace kestrane;

namespace {

tableauRapportStat table(std::initializer_list<std::pair<const char*, int32_t>> entrees) {
    tableauRapportStat t;
    for (const auto& [libelle, nombre] : entrees) t.push_back({libelle, "", nombre});
    return t;
}

QString texte(const GrilleRapportQt& g, int colonne, int ligne) {
    return g.model()->index(ligne - 1, colonne).data().toString();
}

QString entete(const GrilleRapportQt& g, int colonne) {
    return g.model()->headerData(colonne, Qt::Horizontal).toString();
}

// Whether grid row `ligne` stands wholly within the grid's visible height.
bool ligneEnVue(const GrilleRapportQt& g, int ligne) {
    const QRect r = g.visualRect(g.model()->index(ligne - 1, 0));
    return r.isValid() && r.top() >= 0 && r.bottom() < g.viewport()->height();
}

// What the view shows, grid rows 1.. as "libelle nombre".
QStringList lignesVues(const GrilleRapportQt& g) {
    QStringList l;
    for (int r = 1; r <= g.model()->rowCount(); ++r) l << texte(g, 0, r) + ' ' + texte(g, 1, r);
    return l;
}

// A wheel turn delivered as the window system delivers it: to `cible`, then up its parents
// until one accepts it. (QTest has no wheel, and an event sent from code does not climb.)
void molette(QWidget* cible, int angle, QPoint pixels = {}) {
    QPointF pos(cible->width() / 2.0, cible->height() / 2.0);
    for (QWidget* w = cible; w; w = w->parentWidget()) {
        QWheelEvent e(pos, w->mapToGlobal(pos), pixels, QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        const bool traite = QApplication::sendEvent(w, &e);
        if ((traite && e.isAccepted()) || w->isWindow()) return;
        pos += w->pos();
    }
}

// A report page shown at the window's usual size.
struct PageMontree {
    QWidget parentGraphes;
    PageRapport page{ContexteFenetre{}, creerGraphes(&parentGraphes)};
    PageMontree(int largeur = 686, int hauteur = 470) {
        page.resize(largeur, hauteur);
        page.show();
    }
    QScrollBar* barre() const {
        return controle<QScrollArea>(page, "scrollBoxRapport")->verticalScrollBar();
    }
    int maximum() const {
        return PageRapport::kHauteurContenu -
               controle<QScrollArea>(page, "scrollBoxRapport")->viewport()->height();
    }
};

// Forwards to a grid and announces every cell at once: what a per-cell dataChanged would cost.

}  // namespace

void TestPageRapport::bullesDesCellulesCoupees() {
    // A grid as the report shows the referring pages: the count column mostly out of view.
    GrilleRapportQt g;
    g.resize(287, 129);
    g.changerLargeurs(260, 150);
    const std::string longue =
        "https://www.exemple.fr/actualites/2021/09/ecran-tactile-et-clavier-sans-fil.html";
    remplirTableauRapport("Page de provenance", "Occurences", {{longue, "", 4073}, {"-", "", 12}},
                          g);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    g.publierModifications();
    const auto centre = [&](int ligne, int colonne) {
        return g.visualRect(g.model()->index(ligne, colonne)).center();
    };
    const auto gauche = [&](int ligne, int colonne) {
        return g.visualRect(g.model()->index(ligne, colonne)).topLeft() + QPoint(3, 3);
    };
    QCOMPARE(g.texteBulle(centre(0, 0)), QString::fromStdString(longue));  // cut key
    QCOMPARE(g.texteBulle(centre(1, 0)), QString());                       // "-" fits
    QCOMPARE(g.texteBulle(gauche(0, 1)), QStringLiteral("4073"));          // count cut by the view
    QCOMPARE(g.texteBulle(QPoint(5, 120)), QString());                     // below the rows
    // Once the count column is in view, whole: no tooltip.
    g.changerLargeurs(60, 60);
    QCOMPARE(g.texteBulle(centre(0, 1)), QString());
    QVERIFY(!g.texteBulle(centre(0, 0)).isEmpty());
    // The tooltip event shows it.
    QHelpEvent aide(QEvent::ToolTip, centre(0, 0), g.viewport()->mapToGlobal(centre(0, 0)));
    QCoreApplication::sendEvent(g.viewport(), &aide);
    QTRY_COMPARE(tests::texteAffiche(QToolTip::text()), QString::fromStdString(longue));
}

void TestPageRapport::remplissageDeGrille() {
    GrilleRapportQt g;
    QCOMPARE(g.nbLignes(), 1);
    QCOMPARE(g.model()->rowCount(), 0);

    remplirTableauRapport("Syst\xE8me d'Exploitation", "Nb Acc\xE8s",
                          table({{"Windows \x80 XP", 1234567}, {"Linux", 0}, {"-", -5}}), g);
    QCOMPARE(g.nbLignes(), 4);
    QCOMPARE(g.model()->rowCount(), 3);
    QCOMPARE(entete(g, 0), QStringLiteral("Syst\u00e8me d'Exploitation"));
    QCOMPARE(entete(g, 1), QStringLiteral("Nb Acc\u00e8s"));
    QCOMPARE(lignesVues(g), (QStringList{QStringLiteral("Windows \u20ac XP 1234567"),
                                         QStringLiteral("Linux 0"), QStringLiteral("- -5")}));
    // The core reads back the bytes it wrote, not a decoded copy.
    QCOMPARE(g.cellule(0, 1), std::string("Windows \x80 XP"));
    QCOMPARE(g.cellule(1, 0), std::string("Nb Acc\xE8s"));

    // A smaller fill leaves nothing of the larger one, even once rows are added back.
    remplirTableauRapport("Date", "Occurences", table({{"Tous", 42}}), g);
    QCOMPARE(g.nbLignes(), 2);
    QCOMPARE(lignesVues(g), QStringList{QStringLiteral("Tous 42")});
    g.changerNbLignes(4);
    QCOMPARE(g.cellule(0, 2), std::string());
    QCOMPARE(g.cellule(1, 3), std::string());
    QCOMPARE(texte(g, 0, 3), QString());

    // An empty table keeps the header row; outside the grid nothing is read or written.
    remplirTableauRapport("A", "B", {}, g);
    QCOMPARE(g.nbLignes(), 1);
    QCOMPARE(entete(g, 1), QStringLiteral("B"));
    g.changerNbLignes(0);
    QCOMPARE(g.nbLignes(), 1);
    g.ecrireCellule(0, 1, "hors");
    g.ecrireCellule(2, 0, "hors");
    g.ecrireCellule(-1, 0, "hors");
    QCOMPARE(g.cellule(0, 1), std::string());
    QCOMPARE(g.cellule(2, 0), std::string());
    QCOMPARE(g.cellule(0, -1), std::string());
    QCOMPARE(entete(g, 0), QStringLiteral("A"));
}

void TestPageRapport::ecrituresAnnonceesUneFoisParTour() {
    GrilleRapportQt g;
    remplirTableauRapport("X", "N", table({{"a", 1}, {"b", 2}, {"c", 3}}), g);
    QCoreApplication::processEvents();
    QSignalSpy donnees(g.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy entetes(g.model(), &QAbstractItemModel::headerDataChanged);

    // Same length: no row added or removed, six cells rewritten, then the headers.
    remplirTableauRapport("Y", "N", table({{"d", 4}, {"e", 5}, {"f", 6}}), g);
    QCOMPARE(donnees.count(), 0);
    QTRY_COMPARE(donnees.count(), 1);
    const auto haut = donnees.at(0).at(0).value<QModelIndex>();
    const auto bas = donnees.at(0).at(1).value<QModelIndex>();
    QCOMPARE(haut.row(), 0);
    QCOMPARE(bas.row(), 2);
    QCOMPARE(bas.column(), 1);
    QCOMPARE(entetes.count(), 1);
    QCOMPARE(lignesVues(g), (QStringList{"d 4", "e 5", "f 6"}));

    // One cell, announced on its own turn; an unchanged text is no change.
    g.ecrireCellule(1, 2, "50");
    g.ecrireCellule(0, 1, "d");
    g.publierModifications();
    QCOMPARE(donnees.count(), 2);
    QCOMPARE(donnees.at(1).at(0).value<QModelIndex>().row(), 1);
    QCOMPARE(donnees.at(1).at(1).value<QModelIndex>().row(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(donnees.count(), 2);
    QCOMPARE(entetes.count(), 1);
}

void TestPageRapport::triEtRechercheSurLaGrille() {
    GrilleRapportQt g;
    EtiquetteQt resultat;
    tableauRapportStat t = table({{"P", 3}, {"Q", 1}, {"R", 3}, {"S", 2}});
    remplirTableauRapport("Adresses IP", "Occurences", t, g);

    trierParNombre(t, g, true);
    QCOMPARE(lignesVues(g), (QStringList{"Q 1", "S 2", "R 3", "P 3"}));
    t = table({{"P", 3}, {"Q", 1}, {"R", 3}, {"S", 2}});
    remplirTableauRapport("Adresses IP", "Occurences", t, g);
    trierParNombre(t, g, false);
    QCOMPARE(lignesVues(g), (QStringList{"P 3", "R 3", "S 2", "Q 1"}));
    QCOMPARE(entete(g, 0), QStringLiteral("Adresses IP"));

    rechercherTableau(g, "S", resultat);
    QCOMPARE(resultat.text(), QStringLiteral("correspondance trouv\u00e9e !"));
    QCOMPARE(g.ligneCourante(), 3);
    QCOMPARE(g.currentIndex().row(), 2);
    QCOMPARE(g.selectionModel()->selectedRows().size(), 1);

    // No match: the label says so and the selection stays where it was.
    for (const char* absent : {"2", "s", "Adresses IP", ""}) {
        resultat.clear();
        rechercherTableau(g, absent, resultat);
        QCOMPARE(resultat.text(), QStringLiteral("aucune correspondance !"));
        QCOMPARE(g.ligneCourante(), 3);
    }
}

void TestPageRapport::choisirLigneSelectionneEtMontre() {
    GrilleRapportQt g;
    tableauRapportStat t;
    for (int k = 0; k < 300; ++k) t.push_back({"10.0.0." + std::to_string(k), "", k});
    remplirTableauRapport("Adresses IP", "Occurences", t, g);
    g.resize(287, 129);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));

    g.choisirLigne(250);
    QCOMPARE(g.ligneCourante(), 250);
    const QModelIndex i = g.model()->index(249, 0);
    QCOMPARE(g.currentIndex(), i);
    QVERIFY(ligneEnVue(g, 250));
    // The whole row is selected, and only it.
    QCOMPARE(g.selectionModel()->selectedIndexes().size(), 2);

    g.choisirLigne(3);
    QCOMPARE(g.ligneCourante(), 3);
    QVERIFY(ligneEnVue(g, 3));
    QVERIFY(!ligneEnVue(g, 250));

    // Outside the grid: nothing moves.
    for (int hors : {-1, 301, 5000}) {
        g.choisirLigne(hors);
        QCOMPARE(g.ligneCourante(), 3);
    }
    // The header row cannot be selected: nothing is, and the top shows.
    g.choisirLigne(250);
    g.choisirLigne(0);
    QCOMPARE(g.ligneCourante(), 0);
    QVERIFY(!g.currentIndex().isValid());
    QCOMPARE(g.verticalScrollBar()->value(), 0);

    // A fill that keeps the selected row keeps it selected; one that drops it leaves the
    // selection on the last row, never past the end.
    g.choisirLigne(5);
    remplirTableauRapport("Adresses IP", "Occurences", table({{"a", 1}, {"b", 1}, {"c", 1}}), g);
    QCOMPARE(g.ligneCourante(), 3);
    QCOMPARE(g.selectionModel()->selectedRows().size(), 1);
    g.choisirLigne(2);
    remplirTableauRapport("Adresses IP", "Occurences", table({{"x", 1}, {"y", 1}}), g);
    QCOMPARE(g.ligneCourante(), 2);
}

void TestPageRapport::reglagesDesGrilles_data() {
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QSize>("taille");
    QTest::addColumn<int>("largeur0");
    QTest::addColumn<int>("largeur1");
    QTest::addColumn<bool>("redimensionnable");
    const QSize standard(287, 129);
    QTest::newRow("adresses") << "tableauRapportAdressesIP" << standard << 150 << 150 << true;
    QTest::newRow("systèmes") << "tableauRapportOS" << standard << 150 << 150 << true;
    QTest::newRow("navigateurs") << "tableauRapportNav" << standard << 237 << 62 << true;
    QTest::newRow("fichiers") << "tableauRapportFichierCharge" << standard << 150 << 150 << true;
    QTest::newRow("octets") << "tableauRapportTauxChargement" << standard << 150 << 150 << true;
    QTest::newRow("provenance") << "tableauRapportPrecedent" << standard << 260 << 150 << true;
    QTest::newRow("tranches") << "tableauRapportTranches" << QSize(249, 129) << 99 << 120 << false;
    QTest::newRow("requêtes") << "tableauRapportRequetes" << QSize(287, 257) << 128 << 150 << false;
}

void TestPageRapport::reglagesDesGrilles() {
    QFETCH(QString, nom);
    QFETCH(QSize, taille);
    QFETCH(int, largeur0);
    QFETCH(int, largeur1);
    QFETCH(bool, redimensionnable);
    QWidget parentGraphes;
    PageRapport page(ContexteFenetre{}, creerGraphes(&parentGraphes));
    auto* g = page.findChild<GrilleRapportQt*>(nom);
    QVERIFY(g);
    QCOMPARE(g->size(), taille);
    QCOMPARE(g->columnWidth(0), largeur0);
    QCOMPARE(g->columnWidth(1), largeur1);
    const auto mode = redimensionnable ? QHeaderView::Interactive : QHeaderView::Fixed;
    QCOMPARE(g->horizontalHeader()->sectionResizeMode(0), mode);
    QCOMPARE(g->horizontalHeader()->sectionResizeMode(1), mode);

    remplirTableauRapport("a", "b", table({{"x", 1}, {"y", 2}}), *g);
    QCOMPARE(g->rowHeight(0), 20);
    QCOMPARE(g->rowHeight(1), 20);
    QCOMPARE(g->horizontalHeader()->height(), 20);
    QVERIFY(g->verticalHeader()->isHidden());
    QCOMPARE(g->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!(g->model()->flags(g->model()->index(0, 0)) & Qt::ItemIsEditable));
    QCOMPARE(g->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(g->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(g->nbLignes(), 3);
}

void TestPageRapport::controlesNommesEtMembres() {
    QWidget parentGraphes;
    PageRapport p(ContexteFenetre{}, creerGraphes(&parentGraphes));
    // Each control carries a name of its own: tests and users find it by it.
    const char* const noms[] = {
        "panelOutilsRapport",
        "btRapportRapport",
        "btRapportAudience",
        "scrollBoxRapport",
        "lbTitreRapport",
        "boiteRapportAdressesIP",
        "boiteRapportOS",
        "boiteRapportNavRobots",
        "boiteRapportFichierCharge",
        "boiteRapportTauxChargement",
        "boiteRapportPrecedent",
        "boiteRapportTranches",
        "boiteRapportRequetes",
        "tableauRapportAdressesIP",
        "tableauRapportOS",
        "tableauRapportNav",
        "tableauRapportFichierCharge",
        "tableauRapportTauxChargement",
        "tableauRapportPrecedent",
        "tableauRapportTranches",
        "tableauRapportRequetes",
        "radioRapportAdressesIPCroissant",
        "radioRapportAdressesIPDecroissant",
        "radioRapportOSCroissant",
        "radioRapportOSDecroissant",
        "radioRapportNavCroissant",
        "radioRapportNavDecroissant",
        "radioRapportFichierCroissant",
        "radioRapportFichierDecroissant",
        "radioRapportTauxCroissant",
        "radioRapportTauxDecroissant",
        "radioRapportPrecedentCroissant",
        "radioRapportPrecedentDecroissant",
        "editRapportAdressesIPRecherche",
        "editRapportOSRecherche",
        "editRapportNavRecherche",
        "editRapportFichierRecherche",
        "editRapportTauxRecherche",
        "editRapportPrecedentRecherche",
        "btRapportAdressesIPRechercher",
        "btRapportOSRechercher",
        "btRapportNavRechercher",
        "btRapportFichierRechercher",
        "btRapportTauxRechercher",
        "btRapportPrecedentRechercher",
        "lbRapportAdressesIPRecherche",
        "lbRapportOSRecherche",
        "lbRapportNavRecherche",
        "lbRapportFichierRecherche",
        "lbRapportTauxRecherche",
        "lbRapportPrecedentRecherche",
        "groupeRapportTrancheTri",
        "radioRapportTranchesCroissant",
        "radioRapportTranchesDecroissant",
        "radioRapportTranchesHDF",
        "radioRapportTranchesHFD",
        "seRapportTrancheRecherche",
        "Bevel1",
        "lbRapportAudience",
        "StaticText1",
        "lbRapportRequetesTotal",
        "radioRapportRequetesCroissant",
        "radioRapportRequetesDecroissant",
        "groupRapportRequetesParam",
        "radioRapportRequetesToutJournal",
        "radioRapportRequetesAnnee",
        "radioRapportRequetesMois",
        "radioRapportRequetesPeriode",
        "radioRapportRequetesJournee",
        "cbRapportRequetesAnnees",
        "cbRapportRequetesMois",
        "cbDateRapportRequetesPeriodeDu",
        "cbDateRapportRequetesPeriodeAu",
        "cbDateRapportJournee",
        "btRapportRequetesActualiser",
    };
    for (const char* nom : noms) {
        const QList<QWidget*> trouves = p.findChildren<QWidget*>(QString::fromLatin1(nom));
        QVERIFY2(trouves.size() == 1, nom);
    }

    // The six standard groups, in order, for the window's loop.
    const auto groupes = p.groupesStandard();
    const char* suffixes[] = {"AdressesIP", "OS", "Nav", "Fichier", "Taux", "Precedent"};
    for (std::size_t k = 0; k < groupes.size(); ++k) {
        const auto& g = groupes[k];
        const QString s = QString::fromLatin1(suffixes[k]);
        QCOMPARE(g->croissant()->objectName(), "radioRapport" + s + "Croissant");
        QCOMPARE(g->decroissant()->objectName(), "radioRapport" + s + "Decroissant");
        QCOMPARE(g->recherche()->objectName(), "editRapport" + s + "Recherche");
        QCOMPARE(g->rechercher()->objectName(), "btRapport" + s + "Rechercher");
        QCOMPARE(g->resultat()->objectName(), "lbRapport" + s + "Recherche");
        QCOMPARE(g->grille()->parentWidget(), g);
        QCOMPARE(g->tri()->buttons(), (QList<QAbstractButton*>{g->croissant(), g->decroissant()}));
        QCOMPARE(g->rechercher()->text(), QStringLiteral("Rechercher..."));
        QCOMPARE(g->resultat()->text(), QString());
    }
}

void TestPageRapport::placesEtVisibilite_data() {
    QTest::addColumn<QString>("nom");
    QTest::addColumn<int>("haut");
    QTest::addColumn<int>("hauteur");
    QTest::addColumn<bool>("visible");
    const auto ligne = [](const char* nom, int haut, int hauteur, bool visible) {
        QTest::newRow(nom) << QString::fromLatin1(nom) << haut << hauteur << visible;
    };
    ligne("lbTitreRapport", 8, 33, true);
    ligne("boiteRapportAdressesIP", 48, 169, true);
    ligne("boiteRapportOS", 224, 169, true);
    ligne("boiteRapportNavRobots", 400, 169, true);
    ligne("boiteRapportFichierCharge", 576, 169, true);
    ligne("boiteRapportTauxChargement", 752, 169, true);
    ligne("boiteRapportPrecedent", 928, 169, true);
    ligne("boiteRapportTranches", 1103, 169, true);
    ligne("Bevel1", 1283, -1, true);
    ligne("lbRapportAudience", 1295, -1, false);
    ligne("StaticText1", 1335, -1, false);
    ligne("lbRapportRequetesTotal", 1335, -1, false);
    ligne("boiteRapportRequetes", 1367, 289, false);
    ligne("btRapportAudience", -1, -1, false);
    ligne("btRapportRapport", -1, -1, true);
    ligne("panelOutilsRapport", 0, 25, true);
}

void TestPageRapport::placesEtVisibilite() {
    QFETCH(QString, nom);
    QFETCH(int, haut);
    QFETCH(int, hauteur);
    QFETCH(bool, visible);
    PageMontree m;
    QVERIFY(QTest::qWaitForWindowExposed(&m.page));
    auto* w = m.page.findChild<QWidget*>(nom);
    QVERIFY(w);
    if (haut >= 0) QCOMPARE(w->y(), haut);
    if (hauteur >= 0) QCOMPARE(w->height(), hauteur);
    QCOMPARE(w->isVisibleTo(&m.page), visible);
    QCOMPARE(controle<QWidget>(m.page, "contenuRapport")->height(), PageRapport::kHauteurContenu);
}

void TestPageRapport::largeurSuitLaPage() {
    PageMontree m(1000, 470);
    QVERIFY(QTest::qWaitForWindowExposed(&m.page));
    const int contenu = controle<QWidget>(m.page, "contenuRapport")->width();
    QCOMPARE(contenu, controle<QScrollArea>(m.page, "scrollBoxRapport")->viewport()->width());
    QCOMPARE(controle<QGroupBox>(m.page, "boiteRapportOS")->width(), contenu - 16);
    QCOMPARE(controle<QGroupBox>(m.page, "boiteRapportRequetes")->width(), contenu - 16);
    QCOMPARE(controle<QLabel>(m.page, "lbTitreRapport")->width(), contenu);
    QCOMPARE(controle<QFrame>(m.page, "Bevel1")->width(), contenu);

    // Narrower than the report: the groups keep their width and nothing scrolls sideways.
    m.page.resize(400, 470);
    QTRY_COMPARE(controle<QGroupBox>(m.page, "boiteRapportAdressesIP")->width(),
                 PageRapport::kLargeurGroupe);
    QCOMPARE(controle<QGroupBox>(m.page, "boiteRapportTranches")->width(),
             PageRapport::kLargeurGroupe);
    QVERIFY(!controle<QScrollArea>(m.page, "scrollBoxRapport")->horizontalScrollBar()->isVisible());
    QCOMPARE(controle<QScrollArea>(m.page, "scrollBoxRapport")->horizontalScrollBar()->value(), 0);

    m.page.resize(900, 470);
    QTRY_COMPARE(controle<QGroupBox>(m.page, "boiteRapportAdressesIP")->width(),
                 controle<QScrollArea>(m.page, "scrollBoxRapport")->viewport()->width() - 16);
}

void TestPageRapport::polices() {
    QWidget parentGraphes;
    PageRapport p(ContexteFenetre{}, creerGraphes(&parentGraphes));
    for (QGroupBox* g : {controle<QGroupBox>(p, "boiteRapportAdressesIP"),
                         controle<QGroupBox>(p, "boiteRapportTranches"),
                         controle<QGroupBox>(p, "groupeRapportTrancheTri"),
                         controle<QGroupBox>(p, "boiteRapportRequetes")}) {
        QCOMPARE(g->font().family(), QStringLiteral("Arial"));
        QCOMPARE(g->font().pixelSize(), 11);
        QVERIFY2(g->font().bold(), qPrintable(g->objectName()));
    }
    // The caption's bold stops at the caption.
    for (QWidget* w :
         std::initializer_list<QWidget*>{controle<QRadioButton>(p, "radioRapportOSCroissant"),
                                         controle<QLineEdit>(p, "editRapportOSRecherche"),
                                         controle<EtiquetteQt>(p, "lbRapportOSRecherche"),
                                         controle<GrilleRapportQt>(p, "tableauRapportOS"),
                                         controle<QRadioButton>(p, "radioRapportTranchesHDF"),
                                         controle<QSpinBox>(p, "seRapportTrancheRecherche"),
                                         controle<QRadioButton>(p, "radioRapportRequetesAnnee"),
                                         controle<QPushButton>(p, "btRapportRequetesActualiser")}) {
        QVERIFY2(!w->font().bold(), qPrintable(w->objectName()));
    }

    QCOMPARE(controle<QLabel>(p, "lbTitreRapport")->font().pixelSize(), 21);
    QVERIFY(controle<QLabel>(p, "lbTitreRapport")->font().bold());
    QCOMPARE(controle<QLabel>(p, "lbTitreRapport")->font().family(), QStringLiteral("Arial"));
    QCOMPARE(controle<QLabel>(p, "lbTitreRapport")->palette().color(QPalette::WindowText),
             QColor(Qt::white));
    QCOMPARE(controle<QLabel>(p, "lbTitreRapport")->palette().color(QPalette::Window),
             QColor(Qt::black));
    QVERIFY(controle<QLabel>(p, "lbTitreRapport")->autoFillBackground());
    QCOMPARE(controle<QLabel>(p, "lbTitreRapport")->alignment(), Qt::AlignCenter);
    QCOMPARE(controle<QLabel>(p, "lbRapportAudience")->font().pixelSize(), 16);
    QVERIFY(controle<QLabel>(p, "lbRapportAudience")->font().bold());
    QCOMPARE(controle<QLabel>(p, "lbRapportAudience")->text(), QStringLiteral("AUDIENCE"));

    // A file name is shown as typed, never as markup.
    controle<QLabel>(p, "lbTitreRapport")
        ->setText(QStringLiteral("Rapport d'analyse du fichier <b>x</b>.log"));
    QCOMPARE(controle<QLabel>(p, "lbTitreRapport")->textFormat(), Qt::PlainText);
    controle<EtiquetteQt>(p, "lbRapportOSRecherche")->ecrireTexte("<i>aucune</i>");
    QCOMPARE(controle<EtiquetteQt>(p, "lbRapportOSRecherche")->textFormat(), Qt::PlainText);
}

void TestPageRapport::radiosExclusivesEtDecocherSansAction() {
    QWidget parentGraphes;
    PageRapport p(ContexteFenetre{}, creerGraphes(&parentGraphes));
    const QList<QButtonGroup*> ensembles{controle<QButtonGroup>(p, "groupeTriAdressesIP"),
                                         controle<QButtonGroup>(p, "groupeTriOS"),
                                         controle<QButtonGroup>(p, "groupeTriNav"),
                                         controle<QButtonGroup>(p, "groupeTriFichier"),
                                         controle<QButtonGroup>(p, "groupeTriTaux"),
                                         controle<QButtonGroup>(p, "groupeTriPrecedent"),
                                         controle<QButtonGroup>(p, "groupeTriTranches"),
                                         controle<QButtonGroup>(p, "groupeTriRequetes"),
                                         controle<QButtonGroup>(p, "groupePeriodeRequetes")};
    int radios = 0;
    for (QButtonGroup* g : ensembles) {
        QVERIFY(!g->checkedButton());
        for (QAbstractButton* b : g->buttons()) QVERIFY(!b->isChecked());
        radios += static_cast<int>(g->buttons().size());
    }
    QCOMPARE(radios, 6 * 2 + 4 + 2 + 5);
    QCOMPARE(controle<QButtonGroup>(p, "groupeTriTranches")->buttons().size(), 4);
    QCOMPARE(controle<QButtonGroup>(p, "groupePeriodeRequetes")->buttons().size(), 5);

    // One selection per set: selecting in one set leaves the others alone.
    for (QButtonGroup* g : ensembles) g->buttons().last()->click();
    for (QButtonGroup* g : ensembles) {
        const auto boutons = g->buttons();
        boutons.first()->click();
        QVERIFY(boutons.first()->isChecked());
        for (int k = 1; k < boutons.size(); ++k) QVERIFY(!boutons[k]->isChecked());
    }
    for (QButtonGroup* g : ensembles) QCOMPARE(g->checkedButton(), g->buttons().first());

    // Selecting an already selected button toggles nothing.
    QSignalSpy bascules(controle<QRadioButton>(p, "radioRapportOSCroissant"),
                        &QAbstractButton::toggled);
    controle<QRadioButton>(p, "radioRapportOSCroissant")->click();
    QCOMPARE(bascules.count(), 0);

    // The silent uncheck: nothing emitted by the buttons or the set, every button free again.
    QSignalSpy basculesTranches(controle<QRadioButton>(p, "radioRapportTranchesCroissant"),
                                &QAbstractButton::toggled);
    QSignalSpy ensembleTranches(controle<QButtonGroup>(p, "groupeTriTranches"),
                                &QButtonGroup::idToggled);
    QSignalSpy clics(controle<QButtonGroup>(p, "groupeTriTranches"), &QButtonGroup::buttonClicked);
    PageRapport::decocherSansAction(controle<QButtonGroup>(p, "groupeTriTranches"));
    QCOMPARE(basculesTranches.count(), 0);
    QCOMPARE(ensembleTranches.count(), 0);
    QCOMPARE(clics.count(), 0);
    QVERIFY(!controle<QButtonGroup>(p, "groupeTriTranches")->checkedButton());
    for (QAbstractButton* b : controle<QButtonGroup>(p, "groupeTriTranches")->buttons())
        QVERIFY(!b->isChecked());
    QVERIFY(controle<QButtonGroup>(p, "groupeTriTranches")->exclusive());
    QVERIFY(controle<QRadioButton>(p, "radioRapportOSCroissant")->isChecked());

    // The same button can be selected again, and its selection is announced.
    controle<QRadioButton>(p, "radioRapportTranchesCroissant")->click();
    QCOMPARE(basculesTranches.count(), 1);
    QCOMPARE(basculesTranches.at(0).at(0).toBool(), true);
    controle<QRadioButton>(p, "radioRapportTranchesHFD")->click();
    QVERIFY(!controle<QRadioButton>(p, "radioRapportTranchesCroissant")->isChecked());
    QCOMPARE(basculesTranches.count(), 2);
}

void TestPageRapport::boiteATranchesParPasSeulement() {
    QWidget parentGraphes;
    PageRapport p(ContexteFenetre{}, creerGraphes(&parentGraphes));
    QSpinBox* se = controle<QSpinBox>(p, "seRapportTrancheRecherche");
    QCOMPARE(se->minimum(), 1);
    QCOMPARE(se->maximum(), 6);
    QCOMPARE(se->value(), 1);

    QTest::keyClick(se, Qt::Key_Down);
    QCOMPARE(se->value(), 1);
    QTest::keyClicks(se, "4");
    QCOMPARE(se->value(), 1);
    QTest::keyClick(se, Qt::Key_Backspace);
    QTest::keyClicks(se, "5");
    QCOMPARE(se->value(), 1);
    for (int attendu : {2, 3, 4, 5, 6, 6}) {
        QTest::keyClick(se, Qt::Key_Up);
        QCOMPARE(se->value(), attendu);
    }
    se->stepDown();
    QCOMPARE(se->value(), 5);
    se->setValue(0);
    QCOMPARE(se->value(), 1);
}

void TestPageRapport::editionsListesEtDates() {
    QWidget parentGraphes;
    PageRapport p(ContexteFenetre{}, creerGraphes(&parentGraphes));
    const QString adresse = QStringLiteral("xxx.xxx.xxx.xxx");
    const QList<std::pair<QLineEdit*, QString>> edits{
        {controle<QLineEdit>(p, "editRapportAdressesIPRecherche"), adresse},
        {controle<QLineEdit>(p, "editRapportOSRecherche"), {}},
        {controle<QLineEdit>(p, "editRapportNavRecherche"), {}},
        {controle<QLineEdit>(p, "editRapportFichierRecherche"), {}},
        {controle<QLineEdit>(p, "editRapportTauxRecherche"), adresse},
        {controle<QLineEdit>(p, "editRapportPrecedentRecherche"), {}}};
    for (const auto& [edit, initial] : edits) {
        QCOMPARE(edit->text(), initial);
        edit->clear();
        // The address edit lets only digits and dots through.
        const bool adresses = edit->objectName() == QLatin1String("editRapportAdressesIPRecherche");
        QTest::keyClicks(edit, adresses ? "192.168.100.200.17" : "/images/banniere-2005.gif");
        QCOMPARE(edit->text(),
                 adresses ? QStringLiteral("192.168.100.200") : QStringLiteral("/images/bannier"));
        edit->setText(QStringLiteral("Mozilla/5.0 (Windows)"));
        QCOMPARE(edit->text().size(), 15);
    }

    for (QComboBox* c : {controle<QComboBox>(p, "cbRapportRequetesAnnees"),
                         controle<QComboBox>(p, "cbRapportRequetesMois")}) {
        QVERIFY(!c->isEditable());
        QCOMPARE(c->count(), 0);
    }
    QCOMPARE(controle<QDateEdit>(p, "cbDateRapportRequetesPeriodeDu")->date(), QDate(2002, 10, 8));
    QCOMPARE(controle<QDateEdit>(p, "cbDateRapportRequetesPeriodeAu")->date(), QDate(2005, 10, 8));
    QCOMPARE(controle<QDateEdit>(p, "cbDateRapportJournee")->date(), QDate(2005, 10, 8));
    QCOMPARE(controle<QLabel>(p, "lbRapportRequetesAu")->text(), QStringLiteral("au"));
    QCOMPARE(controle<QLabel>(p, "lbRapportRequetesTotal")->text(),
             QStringLiteral("nbRequ\u00e8tes"));
    QCOMPARE(controle<QPushButton>(p, "btRapportRequetesActualiser")->text(),
             QStringLiteral("Actualiser"));
    QCOMPARE(controle<QGroupBox>(p, "boiteRapportRequetes")->title(),
             QStringLiteral("Requ\u00e8tes :"));
    QCOMPARE(controle<QGroupBox>(p, "groupRapportRequetesParam")->title(), QString());
}

void TestPageRapport::boutonsDeDefilement() {
    PageMontree m;
    QVERIFY(QTest::qWaitForWindowExposed(&m.page));
    QCOMPARE(m.barre()->minimum(), 0);
    QCOMPARE(m.barre()->maximum(), m.maximum());
    QVERIFY(m.maximum() > 0 && m.maximum() < PageRapport::kPositionAudience);

    controle<QToolButton>(m.page, "btRapportAudience")->click();
    QCOMPARE(m.page.position(), m.maximum());
    controle<QToolButton>(m.page, "btRapportRapport")->click();
    QCOMPARE(m.page.position(), 0);

    // Short enough for the audience title to reach the top: exactly 1287.
    m.page.resize(686, 300);
    QTRY_COMPARE(m.barre()->maximum(), m.maximum());
    QVERIFY(m.maximum() > PageRapport::kPositionAudience);
    controle<QToolButton>(m.page, "btRapportAudience")->click();
    QCOMPARE(m.page.position(), PageRapport::kPositionAudience);
    QCOMPARE(
        controle<QWidget>(m.page, "contenuRapport")
            ->mapTo(controle<QScrollArea>(m.page, "scrollBoxRapport")->viewport(), QPoint(0, 1287))
            .y(),
        0);

    // Taller than the report: nothing to scroll.
    m.page.resize(686, 1900);
    QTRY_COMPARE(m.barre()->maximum(), 0);
    controle<QToolButton>(m.page, "btRapportAudience")->click();
    QCOMPARE(m.page.position(), 0);

    m.page.resize(686, 470);
    QTRY_COMPARE(m.barre()->maximum(), m.maximum());
    m.page.allerA(100000);
    QCOMPARE(m.page.position(), m.maximum());
    m.page.allerA(-5);
    QCOMPARE(m.page.position(), 0);
}

void TestPageRapport::moletteDixPixelsParEvenement() {
    PageMontree m;
    QVERIFY(QTest::qWaitForWindowExposed(&m.page));
    QWidget* vue = controle<QScrollArea>(m.page, "scrollBoxRapport")->viewport();

    molette(vue, -120);
    QCOMPARE(m.page.position(), 10);
    molette(vue, -120);
    molette(vue, -1200);  // a fast turn is still one event
    QCOMPARE(m.page.position(), 30);
    molette(vue, 120);
    QCOMPARE(m.page.position(), 20);
    molette(vue, 0, QPoint(0, -3));  // a touchpad's pixel delta
    QCOMPARE(m.page.position(), 30);
    molette(vue, 0);  // no vertical turn
    QCOMPARE(m.page.position(), 30);

    // Over the page's own scroll bar, and over a static control of a group: the same step.
    molette(m.barre(), -120);
    QCOMPARE(m.page.position(), 40);
    molette(controle<EtiquetteQt>(m.page, "lbRapportOSRecherche"), -120);
    molette(controle<QGroupBox>(m.page, "boiteRapportAdressesIP"), -120);
    QCOMPARE(m.page.position(), 60);

    // Held at both ends.
    m.page.allerA(5);
    molette(vue, 120);
    QCOMPARE(m.page.position(), 0);
    molette(vue, 120);
    QCOMPARE(m.page.position(), 0);
    m.page.allerA(m.maximum() - 4);
    molette(vue, -120);
    QCOMPARE(m.page.position(), m.maximum());
    molette(vue, -120);
    QCOMPARE(m.page.position(), m.maximum());
}

void TestPageRapport::moletteSurLesControles() {
    PageMontree m;
    QVERIFY(QTest::qWaitForWindowExposed(&m.page));
    GrilleRapportQt* g = controle<GrilleRapportQt>(m.page, "tableauRapportAdressesIP");
    tableauRapportStat t;
    for (int k = 0; k < 100; ++k) t.push_back({std::to_string(k), "", k});
    remplirTableauRapport("Adresses IP", "Occurences", t, *g);
    QCoreApplication::processEvents();

    // Without the focus, a grid, the spin box, a list or a date picker lets the report scroll.
    molette(g->viewport(), -120);
    QCOMPARE(m.page.position(), 10);
    QCOMPARE(g->verticalScrollBar()->value(), 0);
    molette(g->horizontalHeader()->viewport(), -120);
    QCOMPARE(m.page.position(), 20);
    molette(controle<QSpinBox>(m.page, "seRapportTrancheRecherche"), 120);
    QCOMPARE(controle<QSpinBox>(m.page, "seRapportTrancheRecherche")->value(), 1);
    QCOMPARE(m.page.position(), 10);
    molette(controle<QDateEdit>(m.page, "cbDateRapportJournee"), -120);
    QCOMPARE(controle<QDateEdit>(m.page, "cbDateRapportJournee")->date(), QDate(2005, 10, 8));
    QCOMPARE(m.page.position(), 20);

    // With the focus, the grid scrolls itself until it is at its end.
    QApplication::setActiveWindow(&m.page);
    if (!QTest::qWaitForWindowActive(&m.page)) QSKIP("no active window on this platform");
    g->setFocus();
    QTRY_VERIFY(g->hasFocus());
    molette(g->viewport(), -120);
    QVERIFY(g->verticalScrollBar()->value() > 0);
    QCOMPARE(m.page.position(), 20);
    g->verticalScrollBar()->setValue(g->verticalScrollBar()->maximum());
    molette(g->viewport(), -120);
    QCOMPARE(m.page.position(), 30);
    controle<QSpinBox>(m.page, "seRapportTrancheRecherche")->setFocus();
    QTRY_VERIFY(controle<QSpinBox>(m.page, "seRapportTrancheRecherche")->hasFocus());
    molette(controle<QSpinBox>(m.page, "seRapportTrancheRecherche"), 120);
    QCOMPARE(controle<QSpinBox>(m.page, "seRapportTrancheRecherche")->value(), 2);
    QCOMPARE(m.page.position(), 30);
}

KESTRANE_TEST_UI(TestPageRapport);
