#include "tests/ui/test_geometrie_graphes.h"

#include <QtTest>
#include <cmath>

#include "tests/ui/Registre.h"
#include "ui/graphes/GeometrieGraphe.h"
#include "ui/graphes/GrapheQt.h"

using namespace kestrane;

namespace {

bool proche(double a, double b) {
    return std::fabs(a - b) < 1e-9;
}

}  // namespace

void TestGeometrieGraphes::taillesEtPlages() {
    const struct {
        double largeur, hauteur;
        bool petit;
    } tailles[] = {{259, 400, true}, {260, 220, false}, {600, 219, true}, {800, 600, false}};
    for (const auto& t : tailles) QCOMPARE(estPetit(QSizeF(t.largeur, t.hauteur)), t.petit);

    // Zoom in, out, and past 150 % where the range would be empty or reversed.
    const struct {
        double min, max;
        int pourcent;
        double bas, haut;
    } zooms[] = {{0, 100, 100, 0, 100},     {0, 100, 120, 20, 80},     {0, 100, 50, -50, 150},
                 {0, 100, 150, 49.5, 50.5}, {0, 100, 300, 49.5, 50.5}, {-10, 10, 149, -0.2, 0.2}};
    for (const auto& z : zooms) {
        const auto [bas, haut] = plageZoomee(z.min, z.max, z.pourcent);
        QVERIFY2(proche(bas, z.bas) && proche(haut, z.haut),
                 qPrintable(QStringLiteral("%1 %: %2..%3").arg(z.pourcent).arg(bas).arg(haut)));
    }

    // A title 10 pixels wide per point: the largest size that fits the width less 16, else 6.
    const auto titre = [](double points) { return 10 * points; };
    const struct {
        double largeur, points;
    } titres[] = {{500, 8}, {96, 8}, {95.9, 7.5}, {86, 7}, {75, 6}, {20, 6}};
    for (const auto& t : titres) QCOMPARE(taillePoliceTitre(titre, t.largeur), t.points);

    // The pie keeps about 140 pixels beside it for labels, within 0.3 to 0.6 of the chart.
    const struct {
        double largeur, hauteur, relative;
    } camemberts[] = {{800, 600, 0.6}, {300, 400, 0.3}, {100, 20, 0.6}, {520, 424, 0.5}};
    for (const auto& c : camemberts) {
        QVERIFY2(proche(tailleCamembert(QSizeF(c.largeur, c.hauteur)), c.relative),
                 qPrintable(QString::number(tailleCamembert(QSizeF(c.largeur, c.hauteur)))));
    }
}

void TestGeometrieGraphes::margesEtGraduations() {
    // The category labels' room goes left of horizontal bars, under the others.
    QCOMPARE(margesGraphe(30.7, 20.2, true), QMargins(36, 4, 28, 4));
    QCOMPARE(margesGraphe(15, 0, false), QMargins(6, 4, 8, 19));

    // Across: numbers side by side with 16 pixels between, 2 or 3. Down: one per two rows.
    const struct {
        double nombre, largeur;
        int graduations;
    } travers[] = {{40, 500, 3}, {40, 100, 2}, {40, 138, 3}, {40, 137.9, 2}, {200, 60, 2}};
    for (const auto& t : travers) {
        QCOMPARE(graduationsTravers(t.nombre, t.largeur, QMargins(6, 4, 8, 4)), t.graduations);
    }
    const struct {
        double hauteur, texte;
        int graduations;
    } hauteurs[] = {{500, 12, 5}, {120, 12, 3}, {108, 12, 3}, {107, 12, 2}, {30, 12, 2}};
    for (const auto& h : hauteurs) QCOMPARE(graduationsHauteur(h.hauteur, h.texte), h.graduations);
}

void TestGeometrieGraphes::libellesDeLAxe() {
    QCOMPARE(placeLibellesAxe(QSizeF(400, 300), true, 0), 152.0);
    QCOMPARE(placeLibellesAxe(QSizeF(50, 300), true, 0), 30.0);
    QCOMPARE(placeLibellesAxe(QSizeF(400, 300), false, -90), 90.0);
    QCOMPARE(placeLibellesAxe(QSizeF(400, 50), false, 45), 30.0);
    QCOMPARE(placeLibellesAxe(QSizeF(400, 300), false, 0), 0.0);

    const struct {
        double rangee, hauteur, plusLarge;
        bool droit;
        int pas;
    } pas[] = {{50, 12, 30, true, 1},  {10, 12, 100, true, 3}, {10, 12, 12, true, 2},
               {5, 12, 0, false, 3},   {100, 12, 0, false, 1}, {12, 12, 0, false, 1},
               {0.5, 12, 0, false, 24}};
    for (const auto& p : pas) {
        const int obtenu = pasLibellesAxe(p.rangee, p.hauteur, p.plusLarge, p.droit);
        QCOMPARE(obtenu, p.pas);
        // The labels drawn never touch: a straight one has its width or three columns and 8
        // pixels, the others a text row.
        const double besoin = p.droit ? std::min(p.plusLarge, 3 * p.rangee - 8) + 8 : p.hauteur;
        QVERIFY(obtenu * p.rangee >= besoin);
    }

    const QRectF zone(50, 20, 300, 200);
    QCOMPARE(positionLibelleAxe(zone, QPointF(50, 100), 40, 12, true, false), QPointF(6, 94));
    QCOMPARE(positionLibelleAxe(zone, QPointF(100, 220), 40, 12, false, true), QPointF(94, 264));
    QCOMPARE(positionLibelleAxe(zone, QPointF(100, 220), 40, 12, false, false), QPointF(80, 223));
}

void TestGeometrieGraphes::rangeesDeLaLegende() {
    const struct {
        double hauteur;
        int n, pixels;
    } polices[] = {{300, 16, 12}, {200, 16, 7}, {150, 16, 7}, {230, 20, 7}, {1000, 1, 12}};
    for (const auto& p : polices) QCOMPARE(pixelsPoliceLegende(p.hauteur, p.n), p.pixels);
    QCOMPARE(placeLegende(500), 184.0);
    QCOMPARE(placeLegende(100), 40.0);
    QCOMPARE(largeurLegende(80.2, 15), 106.0);

    // Centred beside the plot, one row under the other; never above the plot's top.
    const QRectF zone(10, 20, 300, 200);
    const std::vector<RangeeLegende> rangees = rangeesLegende(zone, 420, 100, 15, 4);
    QCOMPARE(rangees.size(), std::size_t(4));
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(rangees[k].texte, QPointF(316 + 9 + 4, 88 + 16 * k));
        QCOMPARE(rangees[k].carre, QRectF(316, 88 + 16 * k + 3.5, 9, 9));
    }
    QCOMPARE(rangeesLegende(zone, 420, 100, 15, 40).front().texte.y(), 20.0);
    QVERIFY(rangeesLegende(zone, 420, 100, 15, 0).empty());
}

void TestGeometrieGraphes::marquesSansChevauchement() {
    const QRectF zone(40, 20, 300, 200);  // the plot; the chart is 400 wide
    const QSizeF texte(30, 12);
    // Above its point; left out when it covers one laid before, its point is out of the plot
    // or it would stand over the title.
    const std::vector<PlaceMarque> verticales = disposerMarques({{QPointF(100, 100), texte},
                                                                 {QPointF(110, 105), texte},
                                                                 {QPointF(200, 100), texte},
                                                                 {QPointF(360, 100), texte},
                                                                 {QPointF(250, 25), texte}},
                                                                zone, 400, QPointF(40, 220), false);
    QCOMPARE(verticales[0].place, QRectF(85, 88, 30, 12));
    const bool visibles[] = {true, false, true, false, false};
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(verticales[k].visible, visibles[k]);
        QVERIFY(!verticales[k].dedans);
    }

    // Right of a horizontal bar's end; inside it when the chart has no room on the right and
    // the bar is long enough, left out when it is too short for the text.
    const std::vector<PlaceMarque> horizontales =
        disposerMarques({{QPointF(200, 50), texte},
                         {QPointF(390, 100), texte},
                         {QPointF(380, 150), texte},
                         {QPointF(70, 150), texte}},
                        QRectF(40, 20, 350, 200), 400, QPointF(40, 220), true);
    QCOMPARE(horizontales[0].place, QRectF(204, 44, 30, 12));
    QVERIFY(horizontales[0].visible && !horizontales[0].dedans);
    QCOMPARE(horizontales[1].place, QRectF(356, 94, 30, 12));
    QVERIFY(horizontales[1].visible && horizontales[1].dedans);
    QVERIFY(horizontales[2].visible && horizontales[2].dedans);
    QVERIFY(!horizontales[3].visible || !horizontales[3].dedans);
    QVERIFY(!disposerMarques({{QPointF(60, 150), QSizeF(400, 12)}}, QRectF(40, 20, 350, 200), 400,
                             QPointF(40, 220), true)
                 .front()
                 .visible);
}

void TestGeometrieGraphes::colonnesDesEtiquettesDuCamembert() {
    const GeometrieCamembert g =
        geometrieCamembert(QRectF(0, 20, 400, 200), QSizeF(400, 240), 0.5, 0.5, 0.6, 12);
    QCOMPARE(g.centre, QPointF(200, 120));
    QCOMPARE(g.rayon, 60.0);
    QCOMPARE(g.bras, 12.0);
    QCOMPARE(g.haut, 14.0);
    QCOMPARE(g.bas, 226.0);
    QCOMPARE(g.rangees, 17);
    QCOMPARE(abscisseColonne(g, 0), 272.0);
    QCOMPARE(abscisseColonne(g, 1), 128.0);
    QCOMPARE(placeColonne(g, 400, 0), 121.0);
    QCOMPARE(placeColonne(g, 400, 1), 121.0);

    // Four quarters from the top: two labels on each side, top to bottom.
    std::vector<TrancheCamembert> quarts;
    for (int k = 0; k < 4; ++k) quarts.push_back({90.0 * k, 90, 25});
    auto colonnes = colonnesEtiquettes(g, quarts);
    QCOMPARE(colonnes[0].size(), std::size_t(2));
    QCOMPARE(colonnes[0][0].tranche, 0);
    QCOMPARE(colonnes[0][1].tranche, 1);
    QCOMPARE(colonnes[1][0].tranche, 3);
    QCOMPARE(colonnes[1][1].tranche, 2);
    // The leader line leaves the pie's edge and ends at the label's middle on its column.
    const std::array<QPointF, 3> trait = traitEtiquette(g, colonnes[0][0], 0);
    QVERIFY(proche(QLineF(g.centre, trait[0]).length(), 60));
    QVERIFY(proche(QLineF(g.centre, trait[1]).length(), 66));
    QCOMPARE(trait[2], QPointF(272, colonnes[0][0].y + 6));

    // Forty thin slices on the right, a big one on the left: a column keeps its largest slices
    // up to its rows, spread so that no label covers another, within the room.
    std::vector<TrancheCamembert> fines;
    for (int k = 0; k < 40; ++k) fines.push_back({4.0 * k, 4, k == 7 ? 50.0 : 1.0 + k % 3});
    fines.push_back({160, 200, 500});
    colonnes = colonnesEtiquettes(g, fines);
    QCOMPARE(colonnes[1].size(), std::size_t(1));
    QCOMPARE(static_cast<int>(colonnes[0].size()), g.rangees);
    bool avecLaPlusGrande = false;
    int aDeux = 0;
    for (std::size_t i = 0; i < colonnes[0].size(); ++i) {
        const EtiquetteTranche& e = colonnes[0][i];
        avecLaPlusGrande = avecLaPlusGrande || e.tranche == 7;
        if (fines[e.tranche].valeur >= 2) ++aDeux;
        QVERIFY(e.y >= g.haut - 1e-9 && e.y <= g.bas - g.hauteurTexte + 1e-9);
        if (i > 0) QVERIFY(e.y - colonnes[0][i - 1].y >= g.hauteurTexte - 1e-9);
    }
    QVERIFY(avecLaPlusGrande);
    QCOMPARE(aDeux, 17);  // 26 slices hold 2 or 3, 14 hold 1: the rows go to the first
}

// Slices of equal value stay in point order (the colours and the report follow the points):
// enough of them that a sort that is not stable reorders them.
void TestGeometrieGraphes::egalitesDuCamembertDansLOrdreDesPoints() {
    std::vector<PointGraphe> points;
    for (int k = 0; k < 45; ++k) points.push_back({k % 3 == 0 ? 21.0 : 20.0, QString::number(k)});
    const std::vector<PartCamembert> parts = partsCamembert(points, QStringLiteral("Autres"));
    QCOMPARE(parts.size(), points.size());
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const PartCamembert &a = parts[i - 1], &b = parts[i];
        QVERIFY(a.valeur >= b.valeur);
        if (a.valeur == b.valeur)
            QVERIFY2(a.point < b.point, qPrintable(a.libelle + " " + b.libelle));
    }
}

KESTRANE_TEST_UI(TestGeometrieGraphes);
