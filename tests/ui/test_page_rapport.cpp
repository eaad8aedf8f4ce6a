#include "tests/ui/test_page_rapport.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>
#include <string>
#include <vector>

#include "stats/UFonctionsKestrane.h"
#include "tests/ui/Registre.h"
#include "ui/GrilleRapportQt.h"
#include "ui/PageRapport.h"

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
    PageRapport page;
    PageMontree(int largeur = 686, int hauteur = 470) {
        page.resize(largeur, hauteur);
        page.show();
    }
    QScrollBar* barre() const { return page.scrollBoxRapport->verticalScrollBar(); }
    int maximum() const {
        return PageRapport::kHauteurContenu - page.scrollBoxRapport->viewport()->height();
    }
};

// Forwards to a grid and announces every cell at once: what a per-cell dataChanged would cost.
class GrilleBavarde : public GrilleRapport {
  public:
    explicit GrilleBavarde(GrilleRapportQt& g) : g_(g) {}
    int nbLignes() const override { return g_.nbLignes(); }
    void changerNbLignes(int n) override { g_.changerNbLignes(n); }
    std::string cellule(int c, int l) const override { return g_.cellule(c, l); }
    void ecrireCellule(int c, int l, std::string_view t) override {
        g_.ecrireCellule(c, l, t);
        g_.publierModifications();
    }
    void choisirLigne(int l) override { g_.choisirLigne(l); }

  private:
    GrilleRapportQt& g_;
};

}  // namespace

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
    PageRapport page;
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

void TestPageRapport::grandeGrilleMesuree() {
    for (const int n : {20000, 100000}) {
        GrilleRapportQt g;
        g.resize(287, 129);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        tableauRapportStat t;
        t.reserve(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) {
            t.push_back({"10." + std::to_string(k / 65536) + '.' + std::to_string(k / 256 % 256) +
                             '.' + std::to_string(k % 256),
                         "", static_cast<int32_t>((k * 7919L) % 100003)});
        }

        QElapsedTimer chrono;
        chrono.start();
        remplirTableauRapport("Adresses IP", "Occurences", t, g);
        QCoreApplication::processEvents();
        const qint64 remplissage = chrono.nsecsElapsed();
        chrono.restart();
        trierParNombre(t, g, false);
        QCoreApplication::processEvents();
        const qint64 tri = chrono.nsecsElapsed();
        EtiquetteQt resultat;
        chrono.restart();
        rechercherTableau(g, t[static_cast<std::size_t>(n) - 1].libelle, resultat);
        const qint64 recherche = chrono.nsecsElapsed();

        QCOMPARE(g.nbLignes(), n + 1);
        QCOMPARE(g.ligneCourante(), n);
        QCOMPARE(texte(g, 1, 1), QString::number(t[0].nombre));
        QVERIFY(t[0].nombre >= t[1].nombre);

        // The same fill with every cell announced on its own, for comparison.
        GrilleBavarde bavarde(g);
        remplirTableauRapport("", "", {}, g);
        QCoreApplication::processEvents();
        chrono.restart();
        remplirTableauRapport("Adresses IP", "Occurences", t, bavarde);
        QCoreApplication::processEvents();
        const qint64 cellules = chrono.nsecsElapsed();

        qInfo(
            "%d lignes : remplissage %.1f ms, tri %.1f ms, recherche %.1f ms "
            "(remplissage annoncé cellule par cellule : %.1f ms)",
            n, remplissage / 1e6, tri / 1e6, recherche / 1e6, cellules / 1e6);
    }
}

void TestPageRapport::controlesNommesEtMembres() {
    PageRapport p;
    // Each member is the control that carries the member's own name.
#define MEMBRE(m) std::pair<const char*, QWidget*>(#m, p.m)
    const std::vector<std::pair<const char*, QWidget*>> membres{
        MEMBRE(panelOutilsRapport),
        MEMBRE(btRapportRapport),
        MEMBRE(btRapportAudience),
        MEMBRE(scrollBoxRapport),
        MEMBRE(lbTitreRapport),
        MEMBRE(boiteRapportAdressesIP),
        MEMBRE(boiteRapportOS),
        MEMBRE(boiteRapportNavRobots),
        MEMBRE(boiteRapportFichierCharge),
        MEMBRE(boiteRapportTauxChargement),
        MEMBRE(boiteRapportPrecedent),
        MEMBRE(boiteRapportTranches),
        MEMBRE(boiteRapportRequetes),
        MEMBRE(tableauRapportAdressesIP),
        MEMBRE(tableauRapportOS),
        MEMBRE(tableauRapportNav),
        MEMBRE(tableauRapportFichierCharge),
        MEMBRE(tableauRapportTauxChargement),
        MEMBRE(tableauRapportPrecedent),
        MEMBRE(tableauRapportTranches),
        MEMBRE(tableauRapportRequetes),
        MEMBRE(radioRapportAdressesIPCroissant),
        MEMBRE(radioRapportAdressesIPDecroissant),
        MEMBRE(radioRapportOSCroissant),
        MEMBRE(radioRapportOSDecroissant),
        MEMBRE(radioRapportNavCroissant),
        MEMBRE(radioRapportNavDecroissant),
        MEMBRE(radioRapportFichierCroissant),
        MEMBRE(radioRapportFichierDecroissant),
        MEMBRE(radioRapportTauxCroissant),
        MEMBRE(radioRapportTauxDecroissant),
        MEMBRE(radioRapportPrecedentCroissant),
        MEMBRE(radioRapportPrecedentDecroissant),
        MEMBRE(editRapportAdressesIPRecherche),
        MEMBRE(editRapportOSRecherche),
        MEMBRE(editRapportNavRecherche),
        MEMBRE(editRapportFichierRecherche),
        MEMBRE(editRapportTauxRecherche),
        MEMBRE(editRapportPrecedentRecherche),
        MEMBRE(btRapportAdressesIPRechercher),
        MEMBRE(btRapportOSRechercher),
        MEMBRE(btRapportNavRechercher),
        MEMBRE(btRapportFichierRechercher),
        MEMBRE(btRapportTauxRechercher),
        MEMBRE(btRapportPrecedentRechercher),
        MEMBRE(lbRapportAdressesIPRecherche),
        MEMBRE(lbRapportOSRecherche),
        MEMBRE(lbRapportNavRecherche),
        MEMBRE(lbRapportFichierRecherche),
        MEMBRE(lbRapportTauxRecherche),
        MEMBRE(lbRapportPrecedentRecherche),
        MEMBRE(groupeRapportTrancheTri),
        MEMBRE(radioRapportTranchesCroissant),
        MEMBRE(radioRapportTranchesDecroissant),
        MEMBRE(radioRapportTranchesHDF),
        MEMBRE(radioRapportTranchesHFD),
        MEMBRE(seRapportTrancheRecherche),
        MEMBRE(Bevel1),
        MEMBRE(lbRapportAudience),
        MEMBRE(StaticText1),
        MEMBRE(lbRapportRequetesTotal),
        MEMBRE(radioRapportRequetesCroissant),
        MEMBRE(radioRapportRequetesDecroissant),
        MEMBRE(groupRapportRequetesParam),
        MEMBRE(radioRapportRequetesToutJournal),
        MEMBRE(radioRapportRequetesAnnee),
        MEMBRE(radioRapportRequetesMois),
        MEMBRE(radioRapportRequetesPeriode),
        MEMBRE(radioRapportRequetesJournee),
        MEMBRE(cbRapportRequetesAnnees),
        MEMBRE(cbRapportRequetesMois),
        MEMBRE(cbDateRapportRequetesPeriodeDu),
        MEMBRE(cbDateRapportRequetesPeriodeAu),
        MEMBRE(cbDateRapportJournee),
        MEMBRE(btRapportRequetesActualiser)};
#undef MEMBRE
    for (const auto& [nom, membre] : membres) {
        const QList<QWidget*> trouves = p.findChildren<QWidget*>(QString::fromLatin1(nom));
        QVERIFY2(trouves.size() == 1, nom);
        QVERIFY2(trouves.first() == membre, nom);
    }

    // The six standard groups, in order, for the window's loop.
    const auto groupes = p.groupesStandard();
    const char* suffixes[] = {"AdressesIP", "OS", "Nav", "Fichier", "Taux", "Precedent"};
    for (std::size_t k = 0; k < groupes.size(); ++k) {
        const auto& g = groupes[k];
        const QString s = QString::fromLatin1(suffixes[k]);
        QCOMPARE(g.croissant->objectName(), "radioRapport" + s + "Croissant");
        QCOMPARE(g.decroissant->objectName(), "radioRapport" + s + "Decroissant");
        QCOMPARE(g.recherche->objectName(), "editRapport" + s + "Recherche");
        QCOMPARE(g.rechercher->objectName(), "btRapport" + s + "Rechercher");
        QCOMPARE(g.resultat->objectName(), "lbRapport" + s + "Recherche");
        QCOMPARE(g.grille->parentWidget(), g.boite);
        QCOMPARE(g.tri->buttons(), (QList<QAbstractButton*>{g.croissant, g.decroissant}));
        QCOMPARE(g.rechercher->text(), QStringLiteral("Rechercher..."));
        QCOMPARE(g.resultat->text(), QString());
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
    QCOMPARE(m.page.contenuRapport->height(), PageRapport::kHauteurContenu);
}

void TestPageRapport::largeurSuitLaPage() {
    PageMontree m(1000, 470);
    QVERIFY(QTest::qWaitForWindowExposed(&m.page));
    const int contenu = m.page.contenuRapport->width();
    QCOMPARE(contenu, m.page.scrollBoxRapport->viewport()->width());
    QCOMPARE(m.page.boiteRapportOS->width(), contenu - 16);
    QCOMPARE(m.page.boiteRapportRequetes->width(), contenu - 16);
    QCOMPARE(m.page.lbTitreRapport->width(), contenu);
    QCOMPARE(m.page.Bevel1->width(), contenu);

    // Narrower than the report: the groups keep their width and nothing scrolls sideways.
    m.page.resize(400, 470);
    QTRY_COMPARE(m.page.boiteRapportAdressesIP->width(), PageRapport::kLargeurGroupe);
    QCOMPARE(m.page.boiteRapportTranches->width(), PageRapport::kLargeurGroupe);
    QVERIFY(!m.page.scrollBoxRapport->horizontalScrollBar()->isVisible());
    QCOMPARE(m.page.scrollBoxRapport->horizontalScrollBar()->value(), 0);

    m.page.resize(900, 470);
    QTRY_COMPARE(m.page.boiteRapportAdressesIP->width(),
                 m.page.scrollBoxRapport->viewport()->width() - 16);
}

void TestPageRapport::polices() {
    PageRapport p;
    for (QGroupBox* g : {p.boiteRapportAdressesIP, p.boiteRapportTranches,
                         p.groupeRapportTrancheTri, p.boiteRapportRequetes}) {
        QCOMPARE(g->font().family(), QStringLiteral("Arial"));
        QCOMPARE(g->font().pixelSize(), 11);
        QVERIFY2(g->font().bold(), qPrintable(g->objectName()));
    }
    // The caption's bold stops at the caption.
    for (QWidget* w : std::initializer_list<QWidget*>{
             p.radioRapportOSCroissant, p.editRapportOSRecherche, p.lbRapportOSRecherche,
             p.tableauRapportOS, p.radioRapportTranchesHDF, p.seRapportTrancheRecherche,
             p.radioRapportRequetesAnnee, p.btRapportRequetesActualiser}) {
        QVERIFY2(!w->font().bold(), qPrintable(w->objectName()));
    }

    QCOMPARE(p.lbTitreRapport->font().pixelSize(), 21);
    QVERIFY(p.lbTitreRapport->font().bold());
    QCOMPARE(p.lbTitreRapport->font().family(), QStringLiteral("Arial"));
    QCOMPARE(p.lbTitreRapport->palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(p.lbTitreRapport->palette().color(QPalette::Window), QColor(Qt::black));
    QVERIFY(p.lbTitreRapport->autoFillBackground());
    QCOMPARE(p.lbTitreRapport->alignment(), Qt::AlignCenter);
    QCOMPARE(p.lbRapportAudience->font().pixelSize(), 16);
    QVERIFY(p.lbRapportAudience->font().bold());
    QCOMPARE(p.lbRapportAudience->text(), QStringLiteral("AUDIENCE"));

    // A file name is shown as typed, never as markup.
    p.lbTitreRapport->setText(QStringLiteral("Rapport d'analyse du fichier <b>x</b>.log"));
    QCOMPARE(p.lbTitreRapport->textFormat(), Qt::PlainText);
    p.lbRapportOSRecherche->ecrireTexte("<i>aucune</i>");
    QCOMPARE(p.lbRapportOSRecherche->textFormat(), Qt::PlainText);
}

void TestPageRapport::radiosExclusivesEtDecocherSansAction() {
    PageRapport p;
    const QList<QButtonGroup*> ensembles{
        p.groupeTriAdressesIP, p.groupeTriOS,       p.groupeTriNav,
        p.groupeTriFichier,    p.groupeTriTaux,     p.groupeTriPrecedent,
        p.groupeTriTranches,   p.groupeTriRequetes, p.groupePeriodeRequetes};
    int radios = 0;
    for (QButtonGroup* g : ensembles) {
        QVERIFY(!g->checkedButton());
        for (QAbstractButton* b : g->buttons()) QVERIFY(!b->isChecked());
        radios += static_cast<int>(g->buttons().size());
    }
    QCOMPARE(radios, 6 * 2 + 4 + 2 + 5);
    QCOMPARE(p.groupeTriTranches->buttons().size(), 4);
    QCOMPARE(p.groupePeriodeRequetes->buttons().size(), 5);

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
    QSignalSpy bascules(p.radioRapportOSCroissant, &QAbstractButton::toggled);
    p.radioRapportOSCroissant->click();
    QCOMPARE(bascules.count(), 0);

    // The silent uncheck: nothing emitted by the buttons or the set, every button free again.
    QSignalSpy basculesTranches(p.radioRapportTranchesCroissant, &QAbstractButton::toggled);
    QSignalSpy ensembleTranches(p.groupeTriTranches, &QButtonGroup::idToggled);
    QSignalSpy clics(p.groupeTriTranches, &QButtonGroup::buttonClicked);
    PageRapport::decocherSansAction(p.groupeTriTranches);
    QCOMPARE(basculesTranches.count(), 0);
    QCOMPARE(ensembleTranches.count(), 0);
    QCOMPARE(clics.count(), 0);
    QVERIFY(!p.groupeTriTranches->checkedButton());
    for (QAbstractButton* b : p.groupeTriTranches->buttons()) QVERIFY(!b->isChecked());
    QVERIFY(p.groupeTriTranches->exclusive());
    QVERIFY(p.radioRapportOSCroissant->isChecked());

    // The same button can be selected again, and its selection is announced.
    p.radioRapportTranchesCroissant->click();
    QCOMPARE(basculesTranches.count(), 1);
    QCOMPARE(basculesTranches.at(0).at(0).toBool(), true);
    p.radioRapportTranchesHFD->click();
    QVERIFY(!p.radioRapportTranchesCroissant->isChecked());
    QCOMPARE(basculesTranches.count(), 2);
}

void TestPageRapport::boiteATranchesParPasSeulement() {
    PageRapport p;
    QSpinBox* se = p.seRapportTrancheRecherche;
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
    PageRapport p;
    const QString adresse = QStringLiteral("xxx.xxx.xxx.xxx");
    const QList<std::pair<QLineEdit*, QString>> edits{{p.editRapportAdressesIPRecherche, adresse},
                                                      {p.editRapportOSRecherche, {}},
                                                      {p.editRapportNavRecherche, {}},
                                                      {p.editRapportFichierRecherche, {}},
                                                      {p.editRapportTauxRecherche, adresse},
                                                      {p.editRapportPrecedentRecherche, {}}};
    for (const auto& [edit, initial] : edits) {
        QCOMPARE(edit->text(), initial);
        edit->clear();
        QTest::keyClicks(edit, "/images/banniere-2005.gif");
        QCOMPARE(edit->text(), QStringLiteral("/images/bannier"));
        edit->setText(QStringLiteral("Mozilla/5.0 (Windows)"));
        QCOMPARE(edit->text().size(), 15);
    }

    for (QComboBox* c : {p.cbRapportRequetesAnnees, p.cbRapportRequetesMois}) {
        QVERIFY(!c->isEditable());
        QCOMPARE(c->count(), 0);
    }
    QCOMPARE(p.cbDateRapportRequetesPeriodeDu->date(), QDate(2002, 10, 8));
    QCOMPARE(p.cbDateRapportRequetesPeriodeAu->date(), QDate(2005, 10, 8));
    QCOMPARE(p.cbDateRapportJournee->date(), QDate(2005, 10, 8));
    QCOMPARE(p.lbRapportRequetesAu->text(), QStringLiteral("au"));
    QCOMPARE(p.lbRapportRequetesTotal->text(), QStringLiteral("nbRequ\u00e8tes"));
    QCOMPARE(p.btRapportRequetesActualiser->text(), QStringLiteral("Actualiser"));
    QCOMPARE(p.boiteRapportRequetes->title(), QStringLiteral("Requ\u00e8tes :"));
    QCOMPARE(p.groupRapportRequetesParam->title(), QString());
}

void TestPageRapport::boutonsDeDefilement() {
    PageMontree m;
    QVERIFY(QTest::qWaitForWindowExposed(&m.page));
    QCOMPARE(m.barre()->minimum(), 0);
    QCOMPARE(m.barre()->maximum(), m.maximum());
    QVERIFY(m.maximum() > 0 && m.maximum() < PageRapport::kPositionAudience);

    m.page.btRapportAudience->click();
    QCOMPARE(m.page.position(), m.maximum());
    m.page.btRapportRapport->click();
    QCOMPARE(m.page.position(), 0);

    // Short enough for the audience title to reach the top: exactly 1287.
    m.page.resize(686, 300);
    QTRY_COMPARE(m.barre()->maximum(), m.maximum());
    QVERIFY(m.maximum() > PageRapport::kPositionAudience);
    m.page.btRapportAudience->click();
    QCOMPARE(m.page.position(), PageRapport::kPositionAudience);
    QCOMPARE(m.page.contenuRapport->mapTo(m.page.scrollBoxRapport->viewport(), QPoint(0, 1287)).y(),
             0);

    // Taller than the report: nothing to scroll.
    m.page.resize(686, 1900);
    QTRY_COMPARE(m.barre()->maximum(), 0);
    m.page.btRapportAudience->click();
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
    QWidget* vue = m.page.scrollBoxRapport->viewport();

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
    molette(m.page.lbRapportOSRecherche, -120);
    molette(m.page.boiteRapportAdressesIP, -120);
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
    GrilleRapportQt* g = m.page.tableauRapportAdressesIP;
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
    molette(m.page.seRapportTrancheRecherche, 120);
    QCOMPARE(m.page.seRapportTrancheRecherche->value(), 1);
    QCOMPARE(m.page.position(), 10);
    molette(m.page.cbDateRapportJournee, -120);
    QCOMPARE(m.page.cbDateRapportJournee->date(), QDate(2005, 10, 8));
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
    m.page.seRapportTrancheRecherche->setFocus();
    QTRY_VERIFY(m.page.seRapportTrancheRecherche->hasFocus());
    molette(m.page.seRapportTrancheRecherche, 120);
    QCOMPARE(m.page.seRapportTrancheRecherche->value(), 2);
    QCOMPARE(m.page.position(), 30);
}

KESTRANE_TEST_UI(TestPageRapport);
