#include "tests/ui/test_graphes_nommes.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QToolTip>
#include <QtTest>
#include <string>
#include <vector>

#include "tests/commun/Controles.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/graphes/GrapheQt.h"

using namespace kestrane;
using kestrane::tests::Fenetre;

namespace {

std::string ligne(const std::string& jour, const std::string& octets, const std::string& referent) {
    return "10.0.0.1 - - [" + jour + "/May/2026:10:00:00 +0200] \"GET / HTTP/1.1\" 200 " + octets +
           " \"" + referent + "\" \"curl/7.29.0\"";
}

// The window having analysed the journal `chemin`, showing the chart of menu item `menu` alone.
void montrerSeul(Fenetre& f, const QString& chemin, bool lisibles, const char* menu) {
    controle<QAction>(f.form, "menuResultatsLisibles")->setChecked(lisibles);
    f.form.resize(900, 700);
    f.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.form));
    tests::charger(f.form, chemin);
    tests::analyser(f.form);
    controle<QAction>(f.form, menu)->trigger();
    QCoreApplication::processEvents();
}

// The texts a chart's axes draw (Qt writes them as text items of its scene) that start with a
// digit, left to right.
QStringList textesDesAxes(const QGraphicsScene* scene) {
    QList<QGraphicsTextItem*> items;
    for (QGraphicsItem* item : scene->items()) {
        auto* t = dynamic_cast<QGraphicsTextItem*>(item);
        if (t != nullptr && t->isVisible() && !t->toPlainText().isEmpty() &&
            t->toPlainText().front().isDigit())
            items.append(t);
    }
    std::sort(items.begin(), items.end(), [](QGraphicsTextItem* a, QGraphicsTextItem* b) {
        return a->scenePos().x() < b->scenePos().x();
    });
    QStringList textes;
    for (const QGraphicsTextItem* t : items) textes.append(t->toPlainText());
    return textes;
}

}  // namespace

void TestGraphesNommes::init() {
    dossier_.renouveler();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

void TestGraphesNommes::cleanup() {
    QToolTip::hideText();
}

// One page of referring pages, one far ahead of the others: their bars are a pixel or two long.
void TestGraphesNommes::provenancesNommeesDansLeurRangee() {
    std::vector<std::string> lignes(400, ligne("17", "10", "https://www.exemple.fr/"));
    const std::vector<std::string> referents = {
        "https://www.google.fr/", "https://duckduckgo.com/?q=k%C3%A9strane",
        "https://www.exemple.fr/produits/fiche.php?id=29442&ref=als6498", "<b>gras</b>"};
    for (const std::string& r : referents) lignes.push_back(ligne("17", "10", r));
    const QString chemin = dossier_.ecrire("j.log", tests::journal(lignes));
    for (const bool lisibles : {false, true}) {
        Fenetre f;
        montrerSeul(f, chemin, lisibles, "menuStatProvenance");
        auto& g = *controle<GrapheQt>(f.form, "grapheStatPrecedent");
        QVERIFY(g.isVisible());
        const int nb = g.nbPoints(0);
        QCOMPARE(nb, 5);
        // Rows from the top, in point order; the pointer right of every bar's end.
        const QRectF zone = g.chart()->plotArea();
        for (int k = 0; k < nb; ++k) {
            QToolTip::hideText();
            QTRY_VERIFY(!QToolTip::isVisible());
            const QPointF dans(zone.right() - 3, zone.top() + (k + 0.5) * zone.height() / nb);
            QTest::mouseMove(g.viewport(), g.mapFromScene(g.chart()->mapToScene(dans)));
            const QString attendu = g.libelle(0, k) + QStringLiteral("\n") +
                                    QString::number(static_cast<int>(g.valeur(0, k)));
            QTRY_COMPARE(tests::texteAffiche(QToolTip::text()), attendu);
        }
        // Off the plot, the tooltip goes.
        QTest::mouseMove(g.viewport(), QPoint(2, 2));
        QTRY_VERIFY(!QToolTip::isVisible());

        // Readable results also name each bar beside it, whole or elided in the middle; without
        // them the axis stays bare.
        const QStringList axe = g.libellesAxe();  // from the bottom row
        if (!lisibles) {
            QVERIFY(axe.isEmpty());
            continue;
        }
        QCOMPARE(axe.size(), nb);
        for (int k = 0; k < nb; ++k) {
            const QString &dessine = axe[nb - 1 - k], &entier = g.libelle(0, k);
            const qsizetype e = dessine.indexOf(QChar(0x2026));
            QVERIFY2(dessine == entier || (e > 0 && entier.startsWith(dessine.left(e)) &&
                                           entier.endsWith(dessine.mid(e + 1))),
                     qPrintable(dessine));
        }
        // Zoomed to 120 %, the rows 0.5 to 3.5 fill the plot: the three whole ones are named.
        for (int k = 0; k < 4; ++k)
            QTest::mouseClick(controle<QPushButton>(f.form, "btZoomPlusStatPrecedent_Param"),
                              Qt::LeftButton);
        QCOMPARE(g.zoom(), 120);
        const QStringList zoome = g.libellesAxe();
        QCOMPARE(zoome.size(), nb);
        for (int k = 0; k < nb; ++k) QCOMPARE(zoome[k].isEmpty(), k == 0 || k == 4);
        // In a narrow chart area the labels narrow the title's room: it shrinks rather than be cut.
        auto* separateur = controle<QSplitter>(f.form, "separateurStat");
        const int total = separateur->sizes().value(0) + separateur->sizes().value(1);
        separateur->setSizes({total - 220, 220});
        QTRY_VERIFY(g.width() < 240);
        QCoreApplication::processEvents();
        const QMargins marges = g.chart()->margins();
        QVERIFY(QFontMetricsF(g.chart()->titleFont()).horizontalAdvance(g.modele().titre) <=
                g.chart()->size().width() - marges.left() - marges.right());
    }
}

// Marks in Mo stand on an axis in Mo; raw bytes, marks and axis alike, without the option.
void TestGraphesNommes::axeDesOctetsDansLUniteDesBarres() {
    std::vector<std::string> lignes;
    for (int k = 0; k < 10; ++k) lignes.push_back(ligne("17", "9667641", "-"));  // 92,2 Mo
    lignes.push_back(
        "10.0.0.2 - - [17/May/2026:10:00:00 +0200] \"GET / HTTP/1.1\" 200 358400 \"-\" \"-\"");
    const QString chemin = dossier_.ecrire("j.log", tests::journal(lignes));
    const struct {
        bool lisibles;
        QStringList marques;
        QString unite;  // of every number of the axis
    } cas[] = {
        {false, {"96 676 410 octets", "358 400 octets"}, ""},
        {true, {"92,2 Mo", "350,0 Ko"}, " Mo"},
    };
    for (const auto& c : cas) {
        Fenetre f;
        montrerSeul(f, chemin, c.lisibles, "menuStatCouleurs");
        auto& g = *controle<GrapheQt>(f.form, "grapheStatTauxCharge");
        QVERIFY(g.isVisible());
        QCOMPARE(g.textesMarques(), c.marques);
        // "0, 50 054 239..." without the option; "0 Mo, 53 Mo..." with it.
        const QStringList axe = textesDesAxes(g.scene());
        QVERIFY2(axe.size() >= 2 && axe.front() == QStringLiteral("0") + c.unite,
                 qPrintable(axe.join(QLatin1Char('|'))));
        for (const QString& n : axe)
            QVERIFY2(n.back().isDigit() == c.unite.isEmpty(), qPrintable(n));
        if (c.lisibles)
            QVERIFY2(axe.back().endsWith(c.unite) && axe.back().size() <= 6,
                     qPrintable(axe.back()));
    }
}

// The dates the traffic chart of the Compléments names on its axis, left to right, after an
// analysis of `lignes`.
QStringList TestGraphesNommes::datesDuTrafic(const std::vector<std::string>& lignes) {
    Fenetre f;
    controle<QAction>(f.form, "menuAfficherComplements")->setChecked(true);
    f.form.resize(900, 700);
    f.form.show();
    if (!QTest::qWaitForWindowExposed(&f.form)) return {QStringLiteral("<fenêtre cachée>")};
    tests::charger(f.form, dossier_.ecrire("j.log", tests::journal(lignes)));
    tests::analyser(f.form);
    controle<QAction>(f.form, "actionComplementsDevant")->trigger();
    controle<QTabWidget>(f.form, "ongletsComplements")->setCurrentIndex(2);
    QCoreApplication::processEvents();
    return textesDesAxes(controle<QChartView>(f.form, "grapheComplementsJours")->scene())
        .filter(QStringLiteral("/"));
}

// A few days' traffic: each day named under its point, and no day outside the journal (four days
// had read 17/05, 18/05, 19/05, 21/05).
void TestGraphesNommes::chaqueJourSurLAxeDuTrafic() {
    const struct {
        std::vector<std::string> jours;  // of May, with a line each
        QStringList etiquettes;
    } cas[] = {
        {{"17"}, {"17/05"}},
        {{"17", "18", "19", "20"}, {"17/05", "18/05", "19/05", "20/05"}},
        {{"17", "20"}, {"17/05", "18/05", "19/05", "20/05"}},  // the days between at 0
        {{"03", "12"},
         {"03/05", "04/05", "05/05", "06/05", "07/05", "08/05", "09/05", "10/05", "11/05",
          "12/05"}},
    };
    for (const auto& c : cas) {
        std::vector<std::string> lignes;
        for (const std::string& jour : c.jours) lignes.push_back(ligne(jour, "10", "-"));
        QCOMPARE(datesDuTrafic(lignes), c.etiquettes);
    }

    // A year and more: the first day, then every so many days, at the same step, with the year.
    const QStringList an = datesDuTrafic(
        {"10.0.0.1 - - [01/May/2025:10:00:00 +0200] \"GET / HTTP/1.1\" 200 1 \"-\" \"-\"",
         ligne("03", "10", "-")});
    QVERIFY2(an.size() >= 3 && an.front() == QStringLiteral("01/05/25"), qPrintable(an.join('|')));
    const auto jour = [&an](int k) {
        return QDate(2025, 5, 1)
            .daysTo(QDate::fromString(an[k].left(6) + "20" + an[k].mid(6), "dd/MM/yyyy"));
    };
    QVERIFY(jour(1) > 1);
    for (int k = 2; k < an.size(); ++k) QCOMPARE(jour(k), k * jour(1));
}

KESTRANE_TEST_UI(TestGraphesNommes);
