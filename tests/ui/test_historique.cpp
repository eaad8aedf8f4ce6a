#include "tests/ui/test_historique.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include "core/historique/BaseJours.h"
#include "core/journal/Calendrier.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/commun/ServeurPostgres.h"
#include "tests/ui/Registre.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/pages/historique/PageHistorique.h"

using namespace kestrane;
using kestrane::tests::Fenetre;

namespace {

// `n` requests of `ip` on day `jour` of November 2026 (30: Monday; 2: 2 December).
std::vector<std::string> lignes(const char* ip, int jour, int mois, int n) {
    std::vector<std::string> l;
    for (int k = 0; k < n; ++k) {
        char date[32];
        std::snprintf(date, sizeof date, "%02d/%s/2026:10:%02d:00 +0000", jour,
                      mois == 11 ? "Nov" : "Dec", k % 60);
        l.push_back(std::string(ip) + " - - [" + date + "] \"GET /p" + std::to_string(k % 3) +
                    " HTTP/1.1\" 200 100 \"-\" \"curl/8.0\"");
    }
    return l;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

int64_t somme(const TableauComplements* t, int colonne) {
    int64_t s = 0;
    for (int r = 0; r < t->nbLignes(); ++r) {
        s += t->vue()->model()->index(r, colonne).data(Qt::UserRole).toLongLong();
    }
    return s;
}

// Opens `adresse` through "Fichier" as a user would, the dialog answering it.
PageHistorique* ouvrir(TForm1& w, const QString& adresse) {
    w.demanderBase = [adresse](const QString&, const QString&) {
        return std::optional(std::pair{adresse, QStringLiteral("web1")});
    };
    controle<QAction>(w, "menuOuvrirBase")->trigger();
    return w.historique();
}

// The periods shown: "label=requests".
QStringList periodes(const PageHistorique* p) {
    QStringList l;
    const TableauComplements* t = p->tableauPeriodes();
    for (int r = 0; r < t->nbLignes(); ++r) l << t->texte(r, 0) + "=" + t->texte(r, 1);
    return l;
}

void verifierPage(Fenetre& f, const tests::DossierDeTest& dossier, const std::string& adresse) {
    {
        BaseJours base(adresse);
        OptionsAnalyse o;
        base.ajouter({dossier.chemin("web1.log").toStdString()}, "web1", o);
        base.ajouter({dossier.chemin("web2.log").toStdString()}, "web2", o);
    }
    PageHistorique* p = ouvrir(f.form, QString::fromStdString(adresse));
    QVERIFY2(f.form.boites.erreurs.isEmpty(), qPrintable(f.form.boites.erreurs.join("\n")));
    auto* onglets = controle<QTabWidget>(f.form, "PageControl1");
    QCOMPARE(onglets->currentWidget()->objectName(), QStringLiteral("ongletHistorique"));
    QVERIFY(f.form.boites.erreurs.isEmpty());
    QCOMPARE(p->choixServeur()->count(), 3);
    // Every day from the first to the last, the one without requests at zero.
    QCOMPARE(periodes(p),
             QStringList({"29/11/2026=5", "30/11/2026=7", "01/12/2026=0", "02/12/2026=4"}));
    // The range's tables: each request in the table of files once.
    const VueTablesHistorique* tables = p->tablesHistorique();
    QVERIFY(tables->choix()->count() > 5);
    tables->choix()->setCurrentIndex(
        tables->choix()->findText(QStringLiteral("Fichiers charg\u00e9s")));
    QVERIFY2(tables->tableau(), qPrintable(tables->choix()->currentText()));
    QCOMPARE(somme(tables->tableau(), 1), 16);

    p->choixGranularite()->setCurrentIndex(1);  // weeks from Monday
    QCOMPARE(periodes(p), QStringList({"Sem. du 23/11/2026=5", "Sem. du 30/11/2026=11"}));
    p->choixGranularite()->setCurrentIndex(2);
    QCOMPARE(periodes(p), QStringList({"Novembre 2026=12", "D\u00e9cembre 2026=4"}));
    p->choixGranularite()->setCurrentIndex(0);

    // One server, then a narrower range.
    p->choixServeur()->setCurrentIndex(p->choixServeur()->findText(QStringLiteral("web2")));
    emit p->choixServeur()->activated(p->choixServeur()->currentIndex());
    QCOMPARE(periodes(p),
             QStringList({"29/11/2026=0", "30/11/2026=3", "01/12/2026=0", "02/12/2026=4"}));
    p->choixServeur()->setCurrentIndex(0);
    const int64_t j30 = joursDepuisEpoque(2026, 11, 30), j2 = joursDepuisEpoque(2026, 12, 2);
    p->afficherPeriode(j30, j2);
    QCOMPARE(periodes(p).size(), 3);

    // Compared with the days before: the chart draws both, every table gains the change.
    p->demanderComparaison = [](std::pair<int64_t, int64_t> propose) {
        return std::optional(propose);
    };
    controle<QPushButton>(*p, "boutonComparer")->click();
    QCOMPARE(p->periodesComparees().size(), 3u);
    QCOMPARE(p->periodesComparees()[2].requetes, 5);  // 29 November beside 2 December
    QCOMPARE(p->graphe()->chart()->series().size(), 2);
    const TableauComplements* t = p->tableauPeriodes();
    QCOMPARE(t->texte(2, 6), QStringLiteral("5"));
    QCOMPARE(t->texte(2, 7), QStringLiteral("-20 %"));
    QVERIFY(tables->tables().front().entetes.back() == "\xC9volution");
    controle<QPushButton>(*p, "boutonSansComparaison")->click();
    QCOMPARE(p->graphe()->chart()->series().size(), 1);

    // A double click on a day opens its own tables.
    const QModelIndex jour = p->tableauPeriodes()->vue()->model()->index(0, 0);
    QCOMPARE(jour.data().toString(), QStringLiteral("30/11/2026"));
    emit p->tableauPeriodes()->vue()->doubleClicked(jour);
    QDialog* d = p->dernierePeriodeOuverte();
    QVERIFY(d && d->isVisible());
    QCOMPARE(d->windowTitle(), QStringLiteral("Tables du 30/11/2026"));
    auto* vue = d->findChild<VueTablesHistorique*>();
    vue->choix()->setCurrentIndex(vue->choix()->findText(QStringLiteral("Fichiers charg\u00e9s")));
    QVERIFY(vue->tableau());
    QCOMPARE(somme(vue->tableau(), 1), 7);
}

}  // namespace

void TestHistorique::init() {
    dossier_.renouveler();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
    dossier_.ecrire("web1.log",
                    tests::journal(lignes("10.0.0.1", 29, 11, 5) + lignes("10.0.0.1", 30, 11, 4)));
    dossier_.ecrire("web2.log",
                    tests::journal(lignes("10.0.0.2", 30, 11, 3) + lignes("10.0.0.3", 2, 12, 4)));
}

void TestHistorique::pageDUneBase() {
    Fenetre f;
    verifierPage(f, dossier_, dossier_.chemin("b.sqlite").toStdString());
    // A file that is no base: the message, the page as it was.
    const QString autre = dossier_.ecrire("pas-une-base", "bonjour\n");
    ouvrir(f.form, autre);
    QCOMPARE(f.form.boites.erreurs.size(), 1);
    QVERIFY(f.form.boites.erreurs.front().contains(QStringLiteral("n'est pas une base")));
    QCOMPARE(periodes(f.form.historique()).size(), 3);
}

void TestHistorique::ajoutDuJournalCharge() {
    Fenetre f;
    tests::charger(f.form, dossier_.chemin("web1.log"));
    const QString base = dossier_.chemin("b.sqlite");
    f.form.demanderBase = [base](const QString&, const QString&) {
        return std::optional(std::pair{base, QStringLiteral("web1")});
    };
    for (int fois = 0; fois < 2; ++fois) controle<QAction>(f.form, "menuAjouterBase")->trigger();
    QVERIFY(f.form.boites.erreurs.isEmpty());
    QCOMPARE(
        f.message(),
        QStringLiteral("0 ligne ajout\u00e9e \u00e0 la base pour le serveur \u00ab web1 \u00bb "
                       "(1 fichier)"));
    QCOMPARE(periodes(f.form.historique()), QStringList({"29/11/2026=5", "30/11/2026=4"}));
    // The server name is remembered beside the base.
    QSettings r(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
    QCOMPARE(r.value(QStringLiteral("historique/base")).toString(), base);
    QCOMPARE(r.value(QStringLiteral("historique/serveur")).toString(), QStringLiteral("web1"));
}

void TestHistorique::basePostgres() {
    const test::BasePostgres pg = test::basePostgresNeuve();
    if (pg.etat == test::BasePostgres::Etat::absent) QSKIP(pg.raison.c_str());
    QVERIFY2(pg.etat == test::BasePostgres::Etat::prete, pg.raison.c_str());
    Fenetre f;
    verifierPage(f, dossier_, pg.adresse);
}

KESTRANE_TEST_UI(TestHistorique);
