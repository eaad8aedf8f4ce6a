#include "tests/ui/test_modeles_grilles.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/Registre.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/vues/GrilleRapportQt.h"

using namespace kestrane;

namespace {

using Testeur = QAbstractItemModelTester;

std::unique_ptr<Testeur> tester(QAbstractItemModel* modele) {
    return std::make_unique<Testeur>(modele, Testeur::FailureReportingMode::QtTest);
}

Complements complements(int nbFichiers, int nbJours) {
    Complements c;
    c.lignesAnalysees = c.requetes = 1000;
    c.adressesDistinctes = 40;
    c.octets = 123456;
    c.dates = nbJours > 0;
    c.premiere.secondes = 1703030400;
    c.derniere.secondes = c.premiere.secondes + 86400LL * (nbJours > 0 ? nbJours - 1 : 0);
    c.nbJours = nbJours;
    for (int code : {200, 304, 404, 500}) c.codes.push_back({code, 1000 / code, 10 * code});
    for (int k = 0; k < nbFichiers; ++k) {
        c.introuvables.push_back({"/manque-" + std::to_string(k) + "-\xE9t\xE9", 100 - k});
        if (k % 2 == 0) c.erreursServeur.push_back({"/cgi/" + std::to_string(k), 50 - k});
    }
    for (int j = 0; j < nbJours; ++j) c.jours.push_back({2023, 12, 20 + j, 10 * j, 1000 * j});
    return c;
}

}  // namespace

// A grid is filled cell by cell, its changes announced once per turn of the event loop; rows
// come and go between analyses, down to the header row alone.
void TestModelesGrilles::grilleDuRapport() {
    GrilleRapportQt grille;
    const auto testeur = tester(grille.model());
    const struct {
        int lignes;
        int publiees;  // rows whose cells are written
    } etapes[] = {{5, 5}, {200, 120}, {2, 2}, {1, 1}, {0, 1}, {-4, 1}, {40, 40}, {3, 3}};
    for (const auto& e : etapes) {
        grille.changerNbLignes(e.lignes);
        QCOMPARE(grille.model()->rowCount(), std::max(e.lignes, 1) - 1);
        grille.ecrireCellule(0, 0, "Adresse IP");
        grille.ecrireCellule(1, 0, "Occurences");
        for (int l = 1; l < e.publiees; ++l) {
            grille.ecrireCellule(0, l, "10.0.0." + std::to_string(l) + " \xE9");
            grille.ecrireCellule(1, l, std::to_string(1000 - l));
        }
        grille.ecrireCellule(0, e.publiees + 5, "hors de la grille");  // ignored
        if (e.lignes % 2 == 0) {
            grille.publierModifications();
        } else {
            QCoreApplication::processEvents();  // the queued announcement
        }
        if (e.publiees > 1) grille.choisirLigne(e.publiees - 1);
        QCOMPARE(grille.model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Adresse IP"));
        if (grille.model()->rowCount() > 0) {
            QCOMPARE(grille.model()->index(0, 0).data().toString(), QStringLiteral("10.0.0.1 é"));
        }
        if (QTest::currentTestFailed()) return;
    }
}

// The grids of the Compléments page through their sort and search proxies: new analyses with
// more or fewer rows, none, a search that keeps some rows or none, a sort by each column.
void TestModelesGrilles::grillesDesComplements() {
    PageComplements page;
    const QList<TableauComplements*> tableaux = page.findChildren<TableauComplements*>();
    QVERIFY(tableaux.size() >= 3);
    std::vector<std::unique_ptr<Testeur>> testeurs;
    for (TableauComplements* t : tableaux) {
        auto* filtre = qobject_cast<QSortFilterProxyModel*>(t->vue()->model());
        QVERIFY(filtre != nullptr);
        testeurs.push_back(tester(filtre));
        testeurs.push_back(tester(filtre->sourceModel()));
    }
    const Complements analyses[] = {complements(30, 12), complements(3, 1), Complements{},
                                    complements(200, 40)};
    for (const Complements& c : analyses) {
        page.afficher(c);
        for (TableauComplements* t : tableaux) {
            const int lignes = t->nbLignes();
            for (int colonne = 0; colonne < t->vue()->model()->columnCount(); ++colonne) {
                t->vue()->sortByColumn(colonne, Qt::AscendingOrder);
                t->vue()->sortByColumn(colonne, Qt::DescendingOrder);
            }
            QCOMPARE(t->nbLignes(), lignes);
            for (const QString& cherche : {QStringLiteral("1"), QStringLiteral("rien de tel"),
                                           QStringLiteral("ÉTÉ"), QString()}) {
                t->recherche()->setText(cherche);
                QVERIFY(t->nbLignes() <= lignes);
            }
            QCOMPARE(t->nbLignes(), lignes);
            if (QTest::currentTestFailed()) return;
        }
    }
    // The search ignores case: "ÉTÉ" finds the 404 files named "été".
    page.afficher(complements(5, 2));
    int trouves = 0;
    for (TableauComplements* t : tableaux) {
        t->recherche()->setText(QStringLiteral("ÉTÉ"));
        trouves += t->nbLignes();
        t->recherche()->clear();
    }
    QCOMPARE(trouves, 5);
}

KESTRANE_TEST_UI(TestModelesGrilles);
