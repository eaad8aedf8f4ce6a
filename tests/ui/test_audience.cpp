#include "tests/ui/test_audience.h"

#include <QAction>
#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QXYSeries>
#include <QtTest>
#include <string>
#include <vector>

#include "core/analyse/Complements.h"
#include "core/audience/BasePays.h"
#include "tests/commun/Controles.h"
#include "tests/commun/GrillesComplements.h"
#include "tests/commun/JournalAudience.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/vues/Texte1252.h"

using namespace kestrane;
using kestrane::tests::analyser;
using kestrane::tests::charger;
using kestrane::tests::Fenetre;
using kestrane::tests::journal;
using test::lignes;
using test::tableau;

namespace {

QByteArray journalAudience() {
    return journal(test::lignesAudience());
}

// Name and requests of each row, as the page writes them.
QStringList attendues(const std::vector<LigneAudience>& table) {
    QStringList r;
    for (const LigneAudience& l : table) {
        r << QString::fromStdString(l.nom) + QLatin1Char('|') +
                 QString::fromStdString(nombreFrancais(l.requetes));
    }
    return r;
}

QStringList deuxColonnes(const TableauComplements& t) {
    QStringList r;
    for (int l = 0; l < t.nbLignes(); ++l) r << t.texte(l, 0) + QLatin1Char('|') + t.texte(l, 1);
    return r;
}

// Every grid of the page and its summary, for comparing two pages.
QStringList page(const TForm1& w) {
    QStringList r = controle<PageComplements>(w, "pageComplements")->resume();
    for (auto* t : w.findChildren<TableauComplements*>()) r << t->vue()->objectName() << lignes(*t);
    return r;
}

QString ecrireBase(tests::DossierDeTest& dossier) {
    return dossier.ecrire("pays.mmdb", QByteArray::fromStdString(test::basePaysDeTest()));
}

}  // namespace

void TestAudience::init() {
    dossier_.renouveler();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

void TestAudience::grillesEgalesAuxComptes() {
    Fenetre f;
    TForm1& w = f.form;
    controle<QAction>(w, "menuAfficherComplements")->trigger();
    // The database remembered is no longer one (whatever the machine holds): told once, and the
    // analysis goes on without countries.
    const QString vide = dossier_.ecrire("vide.mmdb", "pas une base");
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"))
        .setValue(QStringLiteral("audience/baseGeolocalisation"), vide);
    charger(w, dossier_.ecrire("acces.log", journalAudience()));
    analyser(w);
    analyser(w);
    QCOMPARE(w.boites.erreurs,
             QStringList{QLatin1Char('"') + vide +
                         QStringLiteral("\" n'est pas une base de g\u00e9olocalisation lisible.")});
    QVERIFY(w.resultat().audience.has_value());
    const Audience& a = *w.resultat().audience;
    const struct {
        const char* grille;
        const std::vector<LigneAudience>* table;
        int lignes;
    } cas[] = {
        {"tableauComplementsSites", &a.sitesReferents, 4},
        {"tableauComplementsRecherches", &a.recherches, 1},
        {"tableauComplementsRobots", &a.robots, 3},
        {"tableauComplementsMethodes", &a.methodes, 4},
        {"tableauComplementsProtocoles", &a.protocoles, 4},
    };
    for (const auto& c : cas) {
        const TableauComplements* t = tableau(w, c.grille);
        QVERIFY2(t->nbLignes() == c.lignes, c.grille);
        QCOMPARE(deuxColonnes(*t), attendues(*c.table));
    }
    // Hosts lowered, without "www." and port; both searches one term in either encoding.
    QCOMPARE(deuxColonnes(*tableau(w, "tableauComplementsSites")),
             (QStringList{"exemple.org|3", "autre.net|2", "google.fr|1", "bing.com|1"}));
    QCOMPARE(lignes(*tableau(w, "tableauComplementsRecherches")), (QStringList{"caf\u00e9|2"}));
    QCOMPARE(lignes(*tableau(w, "tableauComplementsRobots")),
             (QStringList{"Googlebot|2|200 octets|20,0 %", "WhatsApp|1|100 octets|10,0 %",
                          "MonCrawler|1|100 octets|10,0 %"}));
    QCOMPARE(deuxColonnes(*tableau(w, "tableauComplementsProtocoles")).last(),
             QStringLiteral("Autre|1"));
    // The visitors of each day beside its requests, and a third series in the day chart.
    QCOMPARE(lignes(*tableau(w, "tableauComplementsJours")),
             (QStringList{"06/12/2026|1|100 octets|1|1", "07/12/2026|9|900 octets|6|6"}));
    auto* jours = controle<QChartView>(w, "grapheComplementsJours");
    QCOMPARE(jours->chart()->series().size(), 3);
    QCOMPARE(static_cast<QXYSeries*>(jours->chart()->series().last())->points().last().y(), 6.0);
    const QStringList resume = controle<PageComplements>(w, "pageComplements")->resume();
    QVERIFY(resume.contains(QStringLiteral("Visiteurs uniques : 7")));
    QVERIFY(resume.contains(QStringLiteral("Visites : 7")));
    QVERIFY(resume.contains(QStringLiteral("Requ\u00eates de robots : 4 (40,0 %)")));
    // Without a database, the line telling how to get one instead of the countries.
    auto* pile = controle<QLabel>(w, "lbComplementsSansBasePays")->parentWidget();
    QCOMPARE(qobject_cast<QStackedWidget*>(pile)->currentIndex(), 1);
    QCOMPARE(controle<QLabel>(w, "lbComplementsSansBasePays")->text(), depuis1252(kSansBasePays));
    // The charts are fed: ten bars at most.
    QVERIFY(!controle<QChartView>(w, "grapheComplementsSites")->chart()->series().isEmpty());
    QVERIFY(!controle<QChartView>(w, "grapheComplementsRobots")->chart()->series().isEmpty());
}

void TestAudience::triEtFiltre() {
    Fenetre f;
    TForm1& w = f.form;
    controle<QAction>(w, "menuAfficherComplements")->trigger();
    charger(w, dossier_.ecrire("acces.log", journalAudience()));
    analyser(w);
    TableauComplements* sites = tableau(w, "tableauComplementsSites");
    const struct {
        int colonne;
        Qt::SortOrder ordre;
        const char* filtre;
        QStringList attendu;
    } cas[] = {
        // Counts as numbers, equal counts in their first order.
        {1, Qt::AscendingOrder, "", {"google.fr|1", "bing.com|1", "autre.net|2", "exemple.org|3"}},
        {0, Qt::AscendingOrder, "", {"autre.net|2", "bing.com|1", "exemple.org|3", "google.fr|1"}},
        {1, Qt::DescendingOrder, "e.", {"exemple.org|3", "autre.net|2", "google.fr|1"}},
        {1, Qt::DescendingOrder, "NET", {"autre.net|2"}},
    };
    for (const auto& c : cas) {
        sites->vue()->sortByColumn(c.colonne, c.ordre);
        sites->recherche()->setText(QString::fromLatin1(c.filtre));
        QCOMPARE(deuxColonnes(*sites), c.attendu);
    }
    // Ctrl+F on the referring sites' sub-page goes to their search field.
    auto* onglets = controle<QTabWidget>(w, "ongletsComplements");
    QCOMPARE(onglets->count(), 8);
    onglets->setCurrentIndex(3);
    QCOMPARE(onglets->tabText(3), QStringLiteral("Sites r\u00e9f\u00e9rents"));
    for (int k = 3; k < 7; ++k) QVERIFY(onglets->isTabVisible(k));
    // The figures of each entry only when asked for.
    QVERIFY(!onglets->isTabVisible(7));
}

void TestAudience::baseGeolocalisation() {
    const QString base = ecrireBase(dossier_);
    const QString journalChemin = dossier_.ecrire("acces.log", journalAudience());
    {
        Fenetre f;
        TForm1& w = f.form;
        auto* choix = controle<QAction>(w, "menuBaseGeolocalisation");
        QVERIFY(controle<QMenu>(w, "menuOutils")->actions().contains(choix));
        QCOMPARE(choix->text(), QStringLiteral("Base de &g\u00e9olocalisation..."));
        controle<QAction>(w, "menuAfficherComplements")->trigger();
        charger(w, journalChemin);
        analyser(w);
        // A file that is no MaxMind DB is refused; nothing is remembered.
        const QString faux = dossier_.ecrire("faux.mmdb", "pas une base");
        w.dialogBaseGeolocalisation.repondreProchaineFois(faux);
        choix->trigger();
        QCOMPARE(
            w.boites.erreurs,
            QStringList{QLatin1Char('"') + faux +
                        QStringLiteral("\" n'est pas une base de g\u00e9olocalisation lisible.")});
        QVERIFY(!QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"))
                     .contains(QStringLiteral("audience/baseGeolocalisation")));
        // A database chosen while the page is shown counts the countries at once.
        w.dialogBaseGeolocalisation.repondreProchaineFois(base);
        choix->trigger();
        QCOMPARE(w.boites.erreurs.size(), 1);
        QCOMPARE(lignes(*tableau(w, "tableauComplementsPays")),
                 (QStringList{"France|6|600 octets|4", "Allemagne|4|400 octets|3"}));
        QCOMPARE(qobject_cast<QStackedWidget*>(
                     controle<QLabel>(w, "lbComplementsSansBasePays")->parentWidget())
                     ->currentIndex(),
                 0);
    }
    // Remembered by the next start (the page's option too).
    Fenetre f;
    TForm1& w = f.form;
    charger(w, journalChemin);
    analyser(w);
    QVERIFY(w.resultat().audience && w.resultat().audience->avecPays);
    QCOMPARE(tableau(w, "tableauComplementsPays")->nbLignes(), 2);
}

void TestAudience::activeeApresUneAnalyse() {
    const QString chemin = dossier_.ecrire("acces.log", journalAudience());
    QStringList premier, apres;
    for (const bool avant : {true, false}) {
        Fenetre f;
        TForm1& w = f.form;
        if (avant) controle<QAction>(w, "menuAfficherComplements")->trigger();
        charger(w, chemin);
        analyser(w);
        if (!avant) controle<QAction>(w, "menuAfficherComplements")->trigger();
        (avant ? premier : apres) = page(w);
    }
    QVERIFY(premier.size() > 40);
    QCOMPARE(apres, premier);
}

KESTRANE_TEST_UI(TestAudience);
