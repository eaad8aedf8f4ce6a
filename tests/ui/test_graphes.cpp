#include "tests/ui/test_graphes.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QElapsedTimer>
#include <QGraphicsSimpleTextItem>
#include <QHorizontalStackedBarSeries>
#include <QImage>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QScrollBar>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QValueAxis>
#include <QWheelEvent>
#include <QtTest>
#include <memory>
#include <set>
#include <string>

#include "core/analyse/Decomptes.h"
#include "core/analyse/GrillesRapport.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/graphes/FormatsGraphes.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/graphes/GraphesStat.h"
#include "ui/vues/Texte1252.h"

using namespace kestrane;

namespace {

// n entries "e0", "e1", ... with distinct counts, the first the largest.
tableauRapportStat table(int n) {
    tableauRapportStat t;
    for (int k = 0; k < n; ++k) {
        t.push_back(
            {QByteArray("e").append(QByteArray::number(k)).toStdString(), "", 1000 - 7 * k});
    }
    return t;
}

tableauRapportStat table(std::initializer_list<std::pair<const char*, int>> entrees) {
    tableauRapportStat t;
    for (const auto& [libelle, nombre] : entrees) t.push_back({libelle, "", nombre});
    return t;
}

template <typename T>
QList<T*> seriesDe(GrapheQt& g) {
    QList<T*> trouvees;
    for (QAbstractSeries* s : g.chart()->series()) {
        if (auto* t = qobject_cast<T*>(s)) trouvees.append(t);
    }
    return trouvees;
}

QStringList libellesDesEnsembles(QAbstractBarSeries* serie) {
    QStringList libelles;
    for (QBarSet* e : serie->barSets()) libelles.append(e->label());
    return libelles;
}

QStringList attendus(int debut, int fin) {
    QStringList l;
    for (int k = debut; k < fin; ++k) l.append(QStringLiteral("e%1").arg(k));
    return l;
}

QValueAxis* axeValeurs(GrapheQt& g, Qt::Orientation o) {
    const auto axes = g.chart()->axes(o);
    return axes.size() == 1 ? qobject_cast<QValueAxis*>(axes.front()) : nullptr;
}

}  // namespace

void TestGraphes::huitGraphesCachesEtLeursSeries() {
    struct Attendu {
        const char* nom;
        QString titre;
        QStringList series;
        QList<bool> actives;
        QColor couleurTitre, couleurFond;
    };
    const Attendu table[] = {
        {"grapheStatIP", "Adresses IP", {"IP"}, {true}, Qt::blue, QColor(0, 128, 192)},
        {"grapheStatOS",
         "Systèmes d'exploitation",
         {"OS"},
         {true},
         QColor(128, 128, 0),
         QColor(255, 255, 128)},
        {"grapheStatNavRobots",
         "Navigateurs / Robots",
         {"Camenbert", "Histogramme"},
         {true, false},
         QColor(0, 128, 0),
         QColor(0, 255, 128)},
        {"grapheStatFichierCharge",
         "Fichiers chargés",
         {"Fichier", "FichierMoyenMois", "FichierMoyenJour"},
         {true, false, false},
         QColor(128, 0, 128),
         QColor(128, 0, 128)},
        {"grapheStatTauxCharge",
         "Taux de chargement",
         {"tauxChargement", ""},
         {false, true},
         QColor(0, 128, 128),
         QColor(64, 128, 128)},
        {"grapheStatPrecedent",
         "Provenances des visites",
         {"Provenance1"},
         {true},
         Qt::black,
         QColor(192, 192, 192)},
        {"grapheStatHoraires",
         "Tranches horaires",
         {""},
         {true},
         QColor(128, 0, 0),
         QColor(128, 64, 0)},
        {"grapheStatVMensuelles", "Visites", {""}, {true}, QColor(128, 0, 0), QColor(255, 128, 0)},
    };

    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    panneau.show();
    const auto tous = graphes.tous();
    for (int i = 0; i < 8; ++i) {
        GrapheQt* g = tous[i];
        QVERIFY(g != nullptr);
        QCOMPARE(g->objectName(), QString::fromLatin1(table[i].nom));
        QCOMPARE(g->parentWidget(), &panneau);
        QVERIFY(g->isHidden());
        QCOMPARE(g->chart()->title(), table[i].titre.toHtmlEscaped());
        QCOMPARE(g->chart()->titleBrush().color(), table[i].couleurTitre);
        // The background fades from the chart's colour at the bottom to white at the top.
        const QGradient* fond = g->chart()->backgroundBrush().gradient();
        QVERIFY(fond != nullptr && fond->type() == QGradient::LinearGradient);
        const auto* lineaire = static_cast<const QLinearGradient*>(fond);
        QVERIFY(lineaire->start().y() > lineaire->finalStop().y());
        QCOMPARE(fond->stops().front().second, table[i].couleurFond);
        QCOMPARE(fond->stops().back().second, QColor(Qt::white));
        QCOMPARE(g->nbSeries(), static_cast<int>(table[i].series.size()));
        for (int s = 0; s < g->nbSeries(); ++s) {
            QCOMPARE(g->titreSerie(s), table[i].series[s]);
            QCOMPARE(g->serieActive(s), table[i].actives[s]);
            QCOMPARE(g->nbPoints(s), 0);
        }
    }
    QCOMPARE(panneau.findChild<GrapheQt*>(QStringLiteral("grapheStatHoraires")),
             graphes.grapheStatHoraires);
}

void TestGraphes::limiteDePointsEtOrdreDeLaTable() {
    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    const tableauRapportStat trente = table(30);
    for (GrapheQt* g : graphes.tous()) {
        remplirGraphe(*g, 10, trente);
        for (int s = 0; s < g->nbSeries(); ++s) {
            QCOMPARE(g->nbPoints(s), 10);
            for (int k = 0; k < 10; ++k) {
                QCOMPARE(g->valeur(s, k), static_cast<double>(trente[k].nombre));
                QCOMPARE(g->libelle(s, k), QStringLiteral("e%1").arg(k));
            }
        }
        // A second feed replaces the points: never twice as many.
        remplirGraphe(*g, 10, trente);
        for (int s = 0; s < g->nbSeries(); ++s) QCOMPARE(g->nbPoints(s), 10);

        remplirGraphe(*g, 50, table(3));
        for (int s = 0; s < g->nbSeries(); ++s) QCOMPARE(g->nbPoints(s), 3);
        remplirGraphe(*g, 0, trente);
        for (int s = 0; s < g->nbSeries(); ++s) QCOMPARE(g->nbPoints(s), 0);
        remplirGraphe(*g, -4, trente);
        for (int s = 0; s < g->nbSeries(); ++s) QCOMPARE(g->nbPoints(s), 0);
    }

    // Windows-1252 bytes become their characters.
    GrapheQt* os = graphes.grapheStatOS;
    remplirGraphe(*os, 50, table({{"Syst\xE8me \x80", 3}, {"caf\xE9", 2}}));
    QCOMPARE(os->libelle(0, 0), QStringLiteral("Système €"));
    QCOMPARE(os->libelle(0, 1), QStringLiteral("café"));
}

void TestGraphes::tableDUneEntreeVideLeGraphe() {
    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    for (GrapheQt* g : graphes.tous()) {
        remplirGraphe(*g, 50, table(5));
        g->actualiser();
        QVERIFY(!g->chart()->series().isEmpty());

        remplirGraphe(*g, 50, table({{"Tous", 120}}));
        for (int s = 0; s < g->nbSeries(); ++s) QCOMPARE(g->nbPoints(s), 0);
        g->actualiser();
        QVERIFY(g->chart()->series().isEmpty());
        QVERIFY(g->chart()->axes().isEmpty());
        QVERIFY(g->textesMarques().isEmpty());

        remplirGraphe(*g, 50, tableauRapportStat{});
        for (int s = 0; s < g->nbSeries(); ++s) QCOMPARE(g->nbPoints(s), 0);
    }
}

void TestGraphes::seriesInactivesGardentLesPointsSansDessin() {
    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    const tableauRapportStat cinq = table(5);

    GrapheQt& nav = *graphes.grapheStatNavRobots;
    remplirGraphe(nav, 50, cinq);
    QCOMPARE(nav.nbPoints(0), 5);
    QCOMPARE(nav.nbPoints(1), 5);
    QCOMPARE(nav.libelle(1, 4), QStringLiteral("e4"));
    nav.actualiser();
    QCOMPARE(nav.chart()->series().size(), 1);
    QCOMPARE(seriesDe<QPieSeries>(nav).size(), 1);
    QCOMPARE(seriesDe<QPieSeries>(nav).front()->count(), 5);

    GrapheQt& fichiers = *graphes.grapheStatFichierCharge;
    remplirGraphe(fichiers, 50, cinq);
    for (int s = 0; s < 3; ++s) QCOMPARE(fichiers.nbPoints(s), 5);
    fichiers.actualiser();
    QCOMPARE(fichiers.chart()->series().size(), 1);
    const auto barres = seriesDe<QHorizontalStackedBarSeries>(fichiers);
    QCOMPARE(barres.size(), 1);
    QCOMPARE(barres.front()->name(), QStringLiteral("Fichier"));
    // One set per file, each with its own colour and its value at its own row only.
    QCOMPARE(libellesDesEnsembles(barres.front()), attendus(0, 5));
    std::set<QRgb> couleurs;
    for (int i = 0; i < 5; ++i) {
        QBarSet* e = barres.front()->barSets()[i];
        couleurs.insert(e->brush().gradient() != nullptr
                            ? e->brush().gradient()->stops().front().second.rgb()
                            : e->color().rgb());
        // The first file on the top row.
        for (int j = 0; j < 5; ++j) QCOMPARE(e->at(j), j == 4 - i ? cinq[i].nombre : 0.0);
    }
    QCOMPARE(couleurs.size(), std::size_t{5});
    QVERIFY(fichiers.textesMarques().isEmpty());  // no marks on this chart

    GrapheQt& taux = *graphes.grapheStatTauxCharge;
    remplirGraphe(taux, 50, cinq);
    QCOMPARE(taux.nbPoints(0), 5);
    taux.actualiser();
    QVERIFY(seriesDe<QLineSeries>(taux).isEmpty());
    QCOMPARE(seriesDe<QHorizontalStackedBarSeries>(taux).size(), 1);
}

void TestGraphes::regroupementDuCamembert_data() {
    QTest::addColumn<QList<double>>("valeurs");
    QTest::addColumn<QStringList>("libelles");
    QTest::addColumn<QList<double>>("parts");

    QTest::newRow("exactement 2 % reste seule, égales dans l'ordre des points")
        << QList<double>{49, 2, 49} << QStringList{"p0", "p2", "p1"} << QList<double>{49, 49, 2};
    QTest::newRow("1 % regroupée")
        << QList<double>{1, 99} << QStringList{"p1", "Autres"} << QList<double>{99, 1};
    QTest::newRow("1,99 % regroupée")
        << QList<double>{199, 9801} << QStringList{"p1", "Autres"} << QList<double>{9801, 199};
    QTest::newRow("plusieurs regroupées, la plus grande d'abord")
        << QList<double>{1, 48, 1, 50} << QStringList{"p3", "p1", "Autres"}
        << QList<double>{50, 48, 2};
    QList<double> soixanteUns(60, 1.0);
    soixanteUns << 4 << 6;  // 1 of 70 is 1.4 %, 4 of 70 is 5.7 %
    QTest::newRow("le regroupement reste après les autres, même plus grand")
        << soixanteUns << QStringList{"p61", "p60", "Autres"} << QList<double>{6, 4, 60};
    QTest::newRow("aucun point") << QList<double>{} << QStringList{} << QList<double>{};
    QTest::newRow("tout à zéro") << QList<double>{0, 0} << QStringList{"p0", "p1"}
                                 << QList<double>{0, 0};
}

void TestGraphes::regroupementDuCamembert() {
    QFETCH(QList<double>, valeurs);
    QFETCH(QStringList, libelles);
    QFETCH(QList<double>, parts);
    std::vector<PointGraphe> points;
    for (int k = 0; k < valeurs.size(); ++k)
        points.push_back({valeurs[k], QStringLiteral("p%1").arg(k)});
    QStringList obtenus;
    QList<double> valeursObtenues;
    for (const PartCamembert& p : partsCamembert(points, QStringLiteral("Autres"))) {
        obtenus.append(p.libelle);
        valeursObtenues.append(p.valeur);
        if (p.point >= 0) QCOMPARE(p.libelle, points[p.point].libelle);
    }
    QCOMPARE(obtenus, libelles);
    QCOMPARE(valeursObtenues, parts);
}

void TestGraphes::camembertsDessines() {
    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    const tableauRapportStat systemes =
        table({{"Mac", 9}, {"Linux", 60}, {"BeOS", 1}, {"Windows", 30}});
    const struct {
        GrapheQt* graphe;
        QString autres;
    } cas[] = {{graphes.grapheStatOS, "Autres"}, {graphes.grapheStatNavRobots, "Autre"}};
    for (const auto& c : cas) {
        remplirGraphe(*c.graphe, 50, systemes);
        c.graphe->actualiser();
        const auto camemberts = seriesDe<QPieSeries>(*c.graphe);
        QCOMPARE(camemberts.size(), 1);
        QStringList libelles;
        QList<double> valeurs;
        for (QPieSlice* t : camemberts.front()->slices()) {
            libelles.append(t->label());
            valeurs.append(t->value());
            QVERIFY(!t->isLabelVisible());  // the chart lays the labels out itself
        }
        QCOMPARE(libelles,
                 (QStringList{"Linux : 60", "Windows : 30", "Mac : 9", c.autres + " : 1"}));
        QCOMPARE(valeurs, (QList<double>{60, 30, 9, 1}));
        // The table itself keeps its order and its small entry.
        QCOMPARE(c.graphe->libelle(0, 2), QStringLiteral("BeOS"));
    }
}

// Named by how many entries it gathers, the slice of the small ones is told whole, or without
// its count where the chart has no room, never cut.
void TestGraphes::nomDesAutresEntierOuCourt() {
    tableauRapportStat t = table({{"Windows 10", 5000}, {"Linux", 3000}});
    for (int k = 0; k < 40; ++k) t.push_back({"petit " + std::to_string(k), "", 100});
    const QSize tailles[] = {{150, 150}, {225, 320}, {460, 470}, {1150, 780}};
    for (const QSize& taille : tailles) {
        QWidget panneau;
        panneau.resize(taille + QSize(20, 20));
        const GraphesStat graphes = creerGraphes(&panneau);
        GrapheQt& os = *graphes.grapheStatOS;
        os.changerNomAutres(0, formaterAutres);
        remplirGraphe(os, 50, t);
        os.setGeometry(QRect(QPoint(0, 0), taille));
        panneau.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panneau));
        os.show();
        QCoreApplication::processEvents();
        const QStringList autres =
            os.etiquettesCamembert().filter(QRegularExpression(QStringLiteral("^Autres")));
        if (taille.width() >= 460) QCOMPARE(autres.size(), 1);
        for (const QString& e : autres) {
            QVERIFY2(e == QStringLiteral("Autres (40 entr\u00e9es) : 4000") ||
                         e == QStringLiteral("Autres : 4000"),
                     qPrintable(e));
        }
        if (taille.width() >= 1000)
            QCOMPARE(autres.value(0), QStringLiteral("Autres (40 entr\u00e9es) : 4000"));
    }
    QCOMPARE(formaterAutres(1), QStringLiteral("Autres (1 entr\u00e9e)"));
}

void TestGraphes::formatOctets_data() {
    QTest::addColumn<double>("valeur");
    QTest::addColumn<QString>("texte");
    QTest::newRow("zéro") << 0.0 << "0 octets";
    QTest::newRow("trois chiffres") << 999.0 << "999 octets";
    QTest::newRow("mille") << 1000.0 << "1 000 octets";
    QTest::newRow("six chiffres") << 123456.0 << "123 456 octets";
    QTest::newRow("sept chiffres") << 1234567.0 << "1 234 567 octets";
    QTest::newRow("plus grand entier 32 bits") << 2147483647.0 << "2 147 483 647 octets";
    QTest::newRow("une décimale") << 1234.5 << "1 234,5 octets";
    QTest::newRow("trois décimales au plus") << 0.1236 << "0,124 octets";
    QTest::newRow("zéros de fin ôtés") << 12.25 << "12,25 octets";
    QTest::newRow("arrondi qui ajoute un groupe") << 999.9996 << "1 000 octets";
    QTest::newRow("négatif") << -1234.5 << "-1 234,5 octets";
    QTest::newRow("négatif arrondi à zéro") << -0.0001 << "0 octets";
    QTest::newRow("au-delà de 9e15") << 1e16 << "10 000 000 000 000 000 octets";
}

void TestGraphes::formatOctets() {
    QFETCH(double, valeur);
    QFETCH(QString, texte);
    QCOMPARE(formaterOctets(valeur), texte);
}

void TestGraphes::marquesDuTauxDeChargement() {
    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    const tableauRapportStat octets =
        table({{"10.0.0.1", 1234567}, {"10.0.0.2", 12}, {"10.0.0.3", 1500}});
    remplirGraphe(*graphes.grapheStatTauxCharge, 50, octets);
    graphes.grapheStatTauxCharge->actualiser();
    QCOMPARE(graphes.grapheStatTauxCharge->textesMarques(),
             (QStringList{"1 234 567 octets", "12 octets", "1 500 octets"}));

    // The other marks are plain numbers, without grouping.
    remplirGraphe(*graphes.grapheStatIP, 50, octets);
    graphes.grapheStatIP->actualiser();
    QCOMPARE(graphes.grapheStatIP->textesMarques(), (QStringList{"1234567", "12", "1500"}));
    remplirGraphe(*graphes.grapheStatVMensuelles, 50, octets);
    graphes.grapheStatVMensuelles->actualiser();
    QCOMPARE(graphes.grapheStatVMensuelles->textesMarques(),
             (QStringList{"1234567", "12", "1500"}));
}

void TestGraphes::axeHoraireAvecEnteteVide() {
    // The hourly table as the slices leave it: a blank head entry, then one entry per hour.
    tableauRapportStat horaires{{"", "", 0}};
    for (int c = 0; c < 24; ++c) horaires.push_back({libelleTranche(c, 1), "", 10 + c});

    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    GrapheQt& g = *graphes.grapheStatHoraires;
    remplirGraphe(g, 24, horaires);
    QCOMPARE(g.nbPoints(0), 24);
    QCOMPARE(g.libelle(0, 0), QString());
    QCOMPARE(g.libelle(0, 23), depuis1252(horaires[23].libelle));

    g.actualiser();
    const auto axes = g.chart()->axes(Qt::Horizontal);
    QCOMPARE(axes.size(), 1);
    auto* categories = qobject_cast<QBarCategoryAxis*>(axes.front());
    QVERIFY(categories != nullptr);
    QVERIFY(categories->isVisible());
    QCOMPARE(categories->count(), 24);
    QString tete = categories->at(0);
    QVERIFY(!tete.isEmpty());
    QVERIFY(tete.remove(QChar(0x200B)).isEmpty());
    QCOMPARE(categories->at(1), QStringLiteral("00 à 01"));
    QCOMPARE(categories->at(23), QStringLiteral("22 à 23"));

    const auto lignes = seriesDe<QLineSeries>(g);
    QCOMPARE(lignes.size(), 1);
    QCOMPARE(lignes.front()->count(), 24);
    QCOMPARE(lignes.front()->at(0), QPointF(0, 0));
    QCOMPARE(lignes.front()->at(23), QPointF(23, 32));
    QCOMPARE(lignes.front()->pen().color(), QColor(Qt::black));
    QCOMPARE(lignes.front()->pen().width(), 2);
    QVERIFY(g.textesMarques().isEmpty());
}

void TestGraphes::libellesRepetesEtTexteEchappe() {
    QCOMPARE(categoriesUniques({"", "", "x", "x", "x\u200B"}).size(), 5);
    const QStringList noms = categoriesUniques({"", "", "x", "x", "x\u200B"});
    QCOMPARE(QSet<QString>(noms.begin(), noms.end()).size(), 5);

    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    GrapheQt& g = *graphes.grapheStatFichierCharge;
    remplirGraphe(g, 50, table({{"/a", 3}, {"/a", 2}, {"", 1}, {"caf\xE9 <b>&", 4}}));
    QCOMPARE(g.libelle(0, 3), QStringLiteral("café <b>&"));
    g.actualiser();
    const auto axes = g.chart()->axes(Qt::Vertical);
    QCOMPARE(axes.size(), 1);
    auto* categories = qobject_cast<QBarCategoryAxis*>(axes.front());
    QVERIFY(categories != nullptr);
    QCOMPARE(categories->count(), 4);  // one per bar: none merged, none dropped
    // Listed from the bottom: the first file stands on the top row.
    QCOMPARE(categories->at(3), QStringLiteral("/a"));
    QVERIFY(categories->at(2).startsWith(QStringLiteral("/a")));
    QVERIFY(categories->at(2) != categories->at(3));
    QCOMPARE(categories->at(0), QStringLiteral("café &lt;b&gt;&amp;"));
}

void TestGraphes::paginationDesAdresses() {
    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    GrapheQt& g = *graphes.grapheStatIP;
    const tableauRapportStat trente = table(30);
    remplirGraphe(g, 50, trente);
    g.actualiser();

    QScrollBar* barre = g.barrePages();
    QVERIFY(barre != nullptr);
    QCOMPARE(barre->orientation(), Qt::Horizontal);
    QVERIFY(!barre->isHidden());
    QCOMPARE(barre->minimum(), 0);
    QCOMPARE(barre->maximum(), 20);
    QCOMPARE(barre->pageStep(), 10);

    auto barres = seriesDe<QStackedBarSeries>(g);
    QCOMPARE(barres.size(), 1);
    QCOMPARE(libellesDesEnsembles(barres.front()), attendus(0, 10));
    QCOMPARE(g.textesMarques().size(), 10);
    QCOMPARE(g.textesMarques().front(), QString::number(trente[0].nombre));
    const QBrush pinceauDuCinquieme = barres.front()->barSets()[5]->brush();

    barre->setValue(5);
    QCOMPARE(g.premierPoint(), 5);
    g.actualiser();
    barres = seriesDe<QStackedBarSeries>(g);
    QCOMPARE(libellesDesEnsembles(barres.front()), attendus(5, 15));
    QCOMPARE(g.textesMarques().front(), QString::number(trente[5].nombre));
    QCOMPARE(g.textesMarques().back(), QString::number(trente[14].nombre));
    // A point keeps its colour from page to page.
    QCOMPARE(barres.front()->barSets()[0]->brush(), pinceauDuCinquieme);
    auto* positions = axeValeurs(g, Qt::Horizontal);
    QVERIFY(positions != nullptr);
    QVERIFY(!positions->isVisible());
    QCOMPARE(positions->min(), -0.5);
    QCOMPARE(positions->max(), 9.5);

    g.allerAuPoint(1000);
    QCOMPARE(g.premierPoint(), 20);
    QCOMPARE(barre->value(), 20);
    g.actualiser();
    QCOMPARE(libellesDesEnsembles(seriesDe<QStackedBarSeries>(g).front()), attendus(20, 30));

    // A new feed starts on the first page; a short one needs no bar.
    remplirGraphe(g, 50, trente);
    g.actualiser();
    QCOMPARE(g.premierPoint(), 0);
    QCOMPARE(barre->value(), 0);
    remplirGraphe(g, 50, table(8));
    g.actualiser();
    QVERIFY(barre->isHidden());
    QCOMPARE(libellesDesEnsembles(seriesDe<QStackedBarSeries>(g).front()), attendus(0, 8));
    g.allerAuPoint(3);
    QCOMPARE(g.premierPoint(), 0);
}

void TestGraphes::paginationDesProvenances() {
    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    GrapheQt& g = *graphes.grapheStatPrecedent;
    remplirGraphe(g, 50, table(25));
    g.actualiser();
    QScrollBar* barre = g.barrePages();
    QVERIFY(barre != nullptr);
    QCOMPARE(barre->orientation(), Qt::Vertical);  // along the rows of horizontal bars
    QCOMPARE(barre->maximum(), 15);
    auto barres = seriesDe<QHorizontalStackedBarSeries>(g);
    QCOMPARE(libellesDesEnsembles(barres.front()), attendus(0, 10));
    barre->setValue(barre->maximum());
    g.actualiser();
    barres = seriesDe<QHorizontalStackedBarSeries>(g);
    QCOMPARE(libellesDesEnsembles(barres.front()), attendus(15, 25));
    QCOMPARE(g.textesMarques().size(), 10);

    // The other charts have no pages.
    QVERIFY(graphes.grapheStatFichierCharge->barrePages() == nullptr);
    const tableauRapportStat vingtCinq = table(25);
    remplirGraphe(*graphes.grapheStatFichierCharge, 50, vingtCinq);
    graphes.grapheStatFichierCharge->actualiser();
    // 25 bars on one page, from 16 sets (one per palette colour): each row holds exactly its bar.
    const auto ensembles =
        seriesDe<QHorizontalStackedBarSeries>(*graphes.grapheStatFichierCharge).front()->barSets();
    QCOMPARE(ensembles.size(), 16);
    for (int rang = 0; rang < 25; ++rang) {
        int nonNuls = 0;
        for (QBarSet* e : ensembles) {
            if (e->at(rang) == 0) continue;
            ++nonNuls;
            QCOMPARE(e->at(rang), static_cast<double>(vingtCinq[24 - rang].nombre));
        }
        QCOMPARE(nonNuls, 1);
    }
    // Points 0 and 16 share the first colour, hence the first set.
    QVERIFY(ensembles[0]->at(24) != 0 && ensembles[0]->at(24 - 16) != 0);
}

void TestGraphes::zoomEnPourcent() {
    QWidget panneau;
    const GraphesStat graphes = creerGraphes(&panneau);
    GrapheQt& g = *graphes.grapheStatPrecedent;
    const tableauRapportStat trente = table(30);
    remplirGraphe(g, 50, trente);
    g.zoomPourcent(110);  // before any drawing: kept for it
    g.actualiser();

    const double haut = trente[0].nombre * 1.15;
    auto verifier = [&](double rangBas, double rangHaut, double valBas, double valHaut) {
        QValueAxis* rangs = axeValeurs(g, Qt::Vertical);
        QValueAxis* valeurs = axeValeurs(g, Qt::Horizontal);
        QVERIFY(rangs != nullptr && valeurs != nullptr);
        QVERIFY(qAbs(rangs->min() - rangBas) < 1e-9);
        QVERIFY(qAbs(rangs->max() - rangHaut) < 1e-9);
        QVERIFY(qAbs(valeurs->min() - valBas) < 1e-6);
        QVERIFY(qAbs(valeurs->max() - valHaut) < 1e-6);
    };
    // d = 10 % of each range on each side.
    verifier(0.5, 8.5, 0.1 * haut, 0.9 * haut);
    QCOMPARE(g.zoom(), 110);
    g.zoomPourcent(110);  // from the unzoomed view, not on top of the last zoom
    verifier(0.5, 8.5, 0.1 * haut, 0.9 * haut);
    g.zoomPourcent(90);
    verifier(-1.5, 10.5, -0.1 * haut, 1.1 * haut);
    g.zoomPourcent(-5);  // "-" pressed 21 times
    verifier(-11.0, 20.0, -1.05 * haut, 2.05 * haut);
    g.zoomPourcent(100);
    verifier(-0.5, 9.5, 0, haut);
    g.zoomPourcent(150);  // empty range: 1 % around the middle
    verifier(4.45, 4.55, 0.495 * haut, 0.505 * haut);
    g.zoomPourcent(400);
    verifier(4.45, 4.55, 0.495 * haut, 0.505 * haut);

    // Paging keeps the zoom.
    g.zoomPourcent(110);
    g.allerAuPoint(10);
    g.actualiser();
    const double hautPage = trente[10].nombre * 1.15;
    verifier(0.5, 8.5, 0.1 * hautPage, 0.9 * hautPage);
}

void TestGraphes::dessinDiffereEtGrapheAffiche() {
    QWidget panneau;
    panneau.resize(900, 640);
    const GraphesStat graphes = creerGraphes(&panneau);
    tableauRapportStat horaires{{"", "", 0}};
    for (int c = 0; c < 24; ++c) horaires.push_back({libelleTranche(c, 1), "", 5 + (c * 7) % 13});
    const auto tous = graphes.tous();
    for (int i = 0; i < 8; ++i) {
        remplirGraphe(*tous[i], 50, i == 6 ? horaires : table(30));
        tous[i]->setGeometry((i % 4) * 225, (i / 4) * 320, 225, 320);
    }
    panneau.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panneau));
    QCoreApplication::processEvents();
    for (GrapheQt* g : tous) QVERIFY(g->aActualiser());  // hidden: nothing drawn yet

    for (GrapheQt* g : tous) g->show();
    QCoreApplication::processEvents();
    for (GrapheQt* g : tous) {
        QVERIFY2(!g->aActualiser(), qPrintable(g->objectName()));
        QVERIFY(!g->chart()->series().isEmpty());
        const QImage image = g->grab().toImage();
        QCOMPARE(image.size(), g->size() * image.devicePixelRatio());
        // The first point's colour (red) or the hourly line (black) is on the picture.
        const bool noir = g == graphes.grapheStatHoraires;
        bool trouve = false;
        for (int y = 0; y < image.height() && !trouve; ++y) {
            for (int x = 0; x < image.width() && !trouve; ++x) {
                const QColor c = image.pixelColor(x, y);
                trouve = noir ? c.red() < 40 && c.green() < 40 && c.blue() < 40
                              : c.red() > 200 && c.green() < 60 && c.blue() < 60;
            }
        }
        QVERIFY2(trouve, qPrintable(g->objectName()));
    }

    // The marks of the shown page stand inside the plot, in bar order, above their bars.
    graphes.grapheStatIP->resize(450, 320);
    QCoreApplication::processEvents();
    GrapheQt& ip = *graphes.grapheStatIP;
    const QRectF zone = ip.chart()->plotArea();
    QVERIFY(zone.width() > 20 && zone.height() > 20);
    QList<QGraphicsSimpleTextItem*> marques;
    for (QGraphicsItem* item : ip.scene()->items(Qt::AscendingOrder)) {
        auto* t = dynamic_cast<QGraphicsSimpleTextItem*>(item);
        // The legend's texts stand right of the plot.
        if (t != nullptr && t->sceneBoundingRect().center().x() < zone.right()) marques.append(t);
    }
    QCOMPARE(marques.size(), 10);
    std::sort(marques.begin(), marques.end(), [](auto* a, auto* b) {
        return a->sceneBoundingRect().x() < b->sceneBoundingRect().x();
    });
    // The first bar's mark is drawn; a mark with no room beside its neighbours' is left out.
    QVERIFY(marques[0]->isVisible());
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(marques[i]->text(), QString::number(table(30)[i].nombre));
        if (!marques[i]->isVisible()) continue;
        const QRectF r = marques[i]->sceneBoundingRect();
        QVERIFY2(zone.adjusted(-r.width(), -2, r.width(), 2).contains(r),
                 qPrintable(QStringLiteral("marque %1").arg(i)));
    }
    // Counts decrease along the table: each mark stands no higher than the previous one.
    for (int i = 1; i < 10; ++i) {
        QVERIFY(marques[i]->sceneBoundingRect().y() >= marques[i - 1]->sceneBoundingRect().y());
    }

    // Horizontal bars: the first entry's bar and mark on the top row, the others below in order.
    QList<QGraphicsSimpleTextItem*> rangees;
    for (QGraphicsItem* item : graphes.grapheStatPrecedent->scene()->items()) {
        if (auto* t = dynamic_cast<QGraphicsSimpleTextItem*>(item)) rangees.append(t);
    }
    std::sort(rangees.begin(), rangees.end(), [](auto* a, auto* b) {
        return a->sceneBoundingRect().y() < b->sceneBoundingRect().y();
    });
    QStringList deHautEnBas;
    for (auto* t : rangees) deHautEnBas.append(t->text());
    QStringList tableOrdre;
    for (int k = 0; k < 10; ++k) tableOrdre.append(QString::number(table(30)[k].nombre));
    QCOMPARE(deHautEnBas, tableOrdre);

    // A feed of a shown chart builds once, after the feed, not point by point.
    remplirGraphe(ip, 50, table(12));
    QVERIFY(ip.aActualiser());
    QTRY_VERIFY(!ip.aActualiser());
    QCOMPARE(ip.barrePages()->maximum(), 2);
    // Paging a shown chart redraws at once.
    ip.barrePages()->setValue(2);
    QVERIFY(!ip.aActualiser());
    QCOMPARE(libellesDesEnsembles(seriesDe<QStackedBarSeries>(ip).front()), attendus(2, 12));
    QVERIFY(!ip.grab().isNull());
    // The wheel moves the pages too.
    remplirGraphe(ip, 50, table(30));
    QTRY_VERIFY(!ip.aActualiser());
    QWheelEvent molette(QPointF(50, 50), ip.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(ip.viewport(), &molette);
    QVERIFY(ip.premierPoint() > 0);
    QCOMPARE(libellesDesEnsembles(seriesDe<QStackedBarSeries>(ip).front()).front(),
             QStringLiteral("e%1").arg(ip.premierPoint()));

    // Fed while hidden, drawn when shown again.
    GrapheQt& visites = *graphes.grapheStatVMensuelles;
    visites.hide();
    remplirGraphe(visites, 50, table(4));
    QCoreApplication::processEvents();
    QVERIFY(visites.aActualiser());
    visites.show();
    QVERIFY(!visites.aActualiser());
    QCOMPARE(seriesDe<QLineSeries>(visites).front()->count(), 4);
    QCOMPARE(seriesDe<QLineSeries>(visites).front()->pen().color(), QColor(Qt::red));
    QCOMPARE(visites.textesMarques().size(), 4);
}

namespace {

// n entries with long, distinct names sharing their head and tail, as real paths and agents do.
tableauRapportStat tableLongue(int n) {
    tableauRapportStat t;
    for (int k = 0; k < n; ++k) {
        t.push_back({"/presentations/logstash-monitorama-2013/images/dossier-" + std::to_string(k) +
                         "/kibana-search-" + std::to_string(k) + ".png",
                     "", 5000 - 97 * k});
    }
    return t;
}

// A text as drawn is its whole label, or the label's head and tail around one "…".
bool eludeAuMilieu(const QString& dessine, const QString& entier) {
    if (dessine == entier) return true;
    const qsizetype e = dessine.indexOf(QChar(0x2026));
    if (e < 1 || dessine.indexOf(QChar(0x2026), e + 1) >= 0 || e + 1 >= dessine.size())
        return false;
    return entier.startsWith(dessine.left(e)) && entier.endsWith(dessine.mid(e + 1));
}

}  // namespace

void TestGraphes::couleursVoisinesDuCamembert() {
    // Palette indexes are read modulo the 16 colours; "points" are the parts' points, -1 gathered.
    const struct {
        std::vector<int> points;
        int nbPoints;
        std::vector<int> attendu;
    } cas[] = {
        {{0, 1, 2}, 3, {0, 1, 2}},     // nothing to change
        {{0, 16, 3}, 20, {0, 17, 3}},  // 16 repeats 0 beside it
        {{3, 16, 0}, 20, {3, 16, 1}},  // the last touches the first and its neighbour
        {{5, 2, -1}, 21, {5, 2, 22}},  // the gathered slice after the last point: 21 = 5
        {{0, 16, 32, 48}, 60, {0, 17, 32, 49}},
        {{7, 23}, 30, {7, 24}},  // two slices touch on both sides
        {{4}, 5, {4}},
    };
    for (const auto& c : cas) {
        std::vector<PartCamembert> parts;
        for (int p : c.points) parts.push_back({QString(), 1.0, p});
        const std::vector<int> couleurs = couleursCamembert(parts, c.nbPoints);
        QCOMPARE(couleurs, c.attendu);
    }
    // Whatever the points, neighbours (the last and the first included) never share a colour.
    for (int n = 2; n <= 20; ++n) {
        std::vector<PartCamembert> parts;
        for (int k = 0; k < n; ++k) parts.push_back({QString(), 1.0, k % 3 == 2 ? -1 : 16 * k});
        const std::vector<int> couleurs = couleursCamembert(parts, 16 * n);
        for (int k = 0; k < n; ++k) {
            const int voisin = (k + 1) % n;
            if (voisin != k && (n > 2 || k == 0))
                QVERIFY2((couleurs[k] - couleurs[voisin]) % 16 != 0,
                         qPrintable(QString::number(n)));
        }
    }
}

// Each chart, fed long labels, at the sizes the page gives it (seven charts at the first window
// size up to one filling a large screen): no drawn text covers another or leaves the chart, the
// axis labels, legend entries and pie labels are their whole text or elided in the middle, and
// titles fit.
void TestGraphes::textesLisiblesATouteTaille() {
    tableauRapportStat horaires{{"", "", 0}};
    for (int c = 0; c < 24; ++c) horaires.push_back({libelleTranche(c, 1), "", 5 + (c * 7) % 13});
    tableauRapportStat adresses;
    for (int k = 0; k < 10; ++k)
        adresses.push_back({"207.241.237." + std::to_string(100 + k), "", 900 - 80 * k});
    const QSize tailles[] = {{150, 150}, {225, 320}, {460, 470}, {1150, 780}};
    for (const QSize& taille : tailles) {
        QWidget panneau;
        panneau.resize(taille + QSize(20, 20));
        const GraphesStat graphes = creerGraphes(&panneau);
        for (GrapheQt* g : graphes.tous()) {
            const bool ip = g == graphes.grapheStatIP;
            const tableauRapportStat& t = g == graphes.grapheStatHoraires ? horaires
                                          : ip                            ? adresses
                                                                          : tableLongue(50);
            remplirGraphe(*g, 50, t);
            g->setGeometry(QRect(QPoint(0, 0), taille));
        }
        panneau.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panneau));
        for (GrapheQt* g : graphes.tous()) {
            const QString nom =
                g->objectName() + QStringLiteral(" %1x%2").arg(taille.width()).arg(taille.height());
            g->show();
            QCoreApplication::processEvents();
            QVERIFY2(!g->aActualiser(), qPrintable(nom));

            // Title: whole, shrunk when the chart is narrow.
            const QFont titre = g->chart()->titleFont();
            QVERIFY2(
                QFontMetricsF(titre).horizontalAdvance(g->modele().titre) <= taille.width() - 16 ||
                    titre.pointSizeF() <= 6,
                qPrintable(nom));

            // No text over another, none out of the chart.
            QList<QRectF> textes;
            for (QGraphicsItem* item : g->scene()->items()) {
                auto* t = dynamic_cast<QGraphicsSimpleTextItem*>(item);
                if (t == nullptr || !t->isVisible()) continue;
                const QRectF r = t->sceneBoundingRect().adjusted(0.5, 0.5, -0.5, -0.5);
                QVERIFY2(QRectF(QPointF(0, 0), g->chart()->size()).contains(r),
                         qPrintable(nom + " : " + t->text()));
                for (const QRectF& autre : textes)
                    QVERIFY2(!autre.intersects(r), qPrintable(nom + " : " + t->text()));
                textes.append(r);
            }

            // Value axes keep their numbers whole.
            for (QAbstractAxis* axe : g->chart()->axes()) {
                if (auto* v = qobject_cast<QValueAxis*>(axe)) QVERIFY(!v->truncateLabels());
            }
        }

        // Category labels: the top row's file always named; the others whole or elided.
        GrapheQt& fichiers = *graphes.grapheStatFichierCharge;
        const QStringList axe = fichiers.libellesAxe();
        QCOMPARE(axe.size(), 50);
        QVERIFY(!axe.back().isEmpty());  // listed from the bottom
        int nommes = 0;
        for (int k = 0; k < 50; ++k) {
            if (axe[k].isEmpty()) continue;
            ++nommes;
            QVERIFY2(eludeAuMilieu(axe[k], fichiers.libelle(0, 49 - k)), qPrintable(axe[k]));
            QVERIFY(axe[k].size() > 4);
        }
        QVERIFY(nommes >= (taille.height() >= 700 ? 50 : 3));
        if (taille.width() >= 1000) QVERIFY(axe.back().size() >= 60);  // of 76 characters

        // Hours: thinned out at a constant step, never merged.
        const QStringList heures = graphes.grapheStatHoraires->libellesAxe();
        QCOMPARE(heures.size(), 25);  // the blank head entry, then the 24 hours
        int pas = 1;
        while (pas < 25 && heures[pas].isEmpty()) ++pas;
        QVERIFY2(pas <= 4, qPrintable(QString::number(pas)));
        for (int k = 1; k < 25; ++k) QCOMPARE(heures[k].isEmpty(), k % pas != 0);
        if (taille.width() >= 460) QCOMPARE(heures[24], depuis1252(horaires[24].libelle));

        // The address legend lists every address.
        const QStringList legende = graphes.grapheStatIP->libellesLegende();
        QCOMPARE(legende.size(), 10);
        for (int k = 0; k < 10; ++k) {
            QVERIFY2(eludeAuMilieu(legende[k], graphes.grapheStatIP->libelle(0, k)),
                     qPrintable(legende[k]));
            if (taille.width() >= 460) QCOMPARE(legende[k], graphes.grapheStatIP->libelle(0, k));
        }

        // Pie labels: those with room, each naming its slice, from the largest.
        const QStringList etiquettes = graphes.grapheStatOS->etiquettesCamembert();
        if (taille.width() >= 460) {
            QVERIFY(etiquettes.size() >= 5);
            QVERIFY(etiquettes.filter(QStringLiteral(" : 5000")).size() == 1);
        }
        for (const QString& e : etiquettes) {
            const qsizetype deuxPoints = e.lastIndexOf(QStringLiteral(" : "));
            QVERIFY(deuxPoints > 0);
            const QString libelle = e.left(deuxPoints);
            bool connu = eludeAuMilieu(libelle, QStringLiteral("Autres"));
            for (int k = 0; k < 50 && !connu; ++k)
                connu = eludeAuMilieu(libelle, graphes.grapheStatOS->libelle(0, k));
            QVERIFY2(connu, qPrintable(e));
        }
    }
}

// Hovering a bar, a slice or a line's point shows its whole label and its value.
void TestGraphes::bullesDesBarresTranchesEtPoints() {
    QWidget panneau;
    panneau.resize(500, 500);
    const GraphesStat graphes = creerGraphes(&panneau);
    panneau.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panneau));
    const tableauRapportStat t = tableLongue(12);
    const QString premier = depuis1252(t[0].libelle), dernier = depuis1252(t[11].libelle);

    GrapheQt& taux = *graphes.grapheStatTauxCharge;
    remplirGraphe(taux, 50, t);
    taux.setGeometry(0, 0, 480, 480);
    taux.show();
    QCoreApplication::processEvents();
    QCOMPARE(taux.texteBulle(1, 0), premier + QStringLiteral("\n5 000 octets"));
    QCOMPARE(taux.texteBulle(1, 12), QString());
    QCOMPARE(taux.texteBulle(7, 0), QString());
    QCOMPARE(seriesDe<QHorizontalStackedBarSeries>(taux).size(), 1);
    auto* barres = seriesDe<QHorizontalStackedBarSeries>(taux).front();
    // Horizontal bars stand from the top: category 0 is the last point.
    emit barres->barSets().front()->hovered(true, 0);
    QTRY_COMPARE(tests::texteAffiche(QToolTip::text()),
                 dernier + QStringLiteral("\n") + formaterOctets(t[11].nombre));
    emit barres->barSets().front()->hovered(false, 0);
    QTRY_VERIFY(!QToolTip::isVisible());

    GrapheQt& os = *graphes.grapheStatOS;
    remplirGraphe(os, 50, table({{"Linux", 60}, {"Mac", 39}, {"BeOS", 1}}));
    os.setGeometry(0, 0, 480, 480);
    os.show();
    QCoreApplication::processEvents();
    const QList<QPieSlice*> tranches = seriesDe<QPieSeries>(os).front()->slices();
    emit tranches[0]->hovered(true);
    QTRY_COMPARE(tests::texteAffiche(QToolTip::text()), QStringLiteral("Linux\n60"));
    emit tranches[2]->hovered(true);
    QTRY_COMPARE(tests::texteAffiche(QToolTip::text()), QStringLiteral("Autres\n1"));

    GrapheQt& horaires = *graphes.grapheStatHoraires;
    remplirGraphe(horaires, 50, table({{"", 0}, {"00 h", 7}, {"01 h", 9}}));
    horaires.setGeometry(0, 0, 480, 480);
    horaires.show();
    QCoreApplication::processEvents();
    emit seriesDe<QLineSeries>(horaires).front()->hovered(QPointF(1.8, 8.5), true);
    QCOMPARE(seriesDe<QLineSeries>(horaires).size(), 1);
    QTRY_COMPARE(tests::texteAffiche(QToolTip::text()), QStringLiteral("01 h\n9"));
    QToolTip::hideText();
}

KESTRANE_TEST_UI(TestGraphes);
