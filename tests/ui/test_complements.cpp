#include "tests/ui/test_complements.h"

#include <QAction>
#include <QChartView>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QXYSeries>
#include <QtTest>
#include <algorithm>
#include <string>
#include <vector>

#include "core/lecture/ULog.h"
#include "tests/commun/Controles.h"
#include "tests/commun/GrillesComplements.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/vues/GrilleRapportQt.h"
#include "ui/vues/Texte1252.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;
using kestrane::tests::analyser;
using kestrane::tests::charger;
using kestrane::tests::Fenetre;
using kestrane::tests::journal;
using test::lignes;
using test::tableau;

namespace {

std::string ligne(const std::string& ip, const std::string& quand, const std::string& fichier,
                  const std::string& code, const std::string& octets) {
    return ip + " - - [" + quand + " +0100] \"GET " + fichier + " HTTP/1.1\" " + code + " " +
           octets + " \"-\" \"Mozilla/5.0 (X11; Linux x86_64)\"";
}

// Over a month's end, with a day without lines (01/Feb), odd codes and a few 404 and 5xx.
QByteArray journalVarie() {
    return journal({
        ligne("10.0.0.1", "31/Jan/2026:23:59:58", "/index.html", "200", "1000"),
        ligne("10.0.0.2", "31/Jan/2026:23:59:59", "/absent.html", "404", "10"),
        ligne("10.0.0.1", "02/Feb/2026:00:00:01", "/absent.html", "404", "10"),
        ligne("10.0.0.3", "02/Feb/2026:08:00:00", "/vieux.php", "404", "-"),
        ligne("10.0.0.3", "02/Feb/2026:09:00:00", "/cgi", "500", "5"),
        ligne("10.0.0.1", "02/Feb/2026:10:00:00", "/index.html", "000", "0"),
        ligne("10.0.0.1", "02/Feb/2026:11:00:00", "/index.html", "999", "0"),
        ligne("10.0.0.1", "02/Feb/2026:12:00:00", "/img.png", "304", "0"),
        ligne("10.0.0.4", "02/Feb/2026:13:00:00", "/index.html", "200", "2048"),
        ligne("10.0.0.4", "02/Feb/2026:14:00:00", "/index.html", "200", "1048576"),
    });
}

// What the described pages show after an analysis: every report grid, the detail text, the tabs.
QStringList resultats(const TForm1& w) {
    QStringList r;
    for (GrilleRapportQt* g : pageRapport(w)->findChildren<GrilleRapportQt*>()) {
        r << g->objectName();
        for (int l = 0; l < g->nbLignes(); ++l)
            r << depuis1252(g->cellule(0, l) + "|" + g->cellule(1, l));
    }
    const VueTexte* detail = controle<VueTexte>(w, "RichEdit1");
    for (std::size_t i = 0; i < detail->nbLignes(); ++i) r << detail->texteLigne(i);
    const auto* onglets = controle<QTabWidget>(w, "PageControl1");
    for (int k = 0; k < 3; ++k)
        r << onglets->tabText(k) << QString::number(onglets->isTabVisible(k));
    return r;
}

}  // namespace

void TestComplements::init() {
    dossier_.renouveler();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

void TestComplements::optionRetenueEtOngletAvecLesResultats() {
    const QString chemin = dossier_.ecrire("acces.log", journalVarie());
    {
        Fenetre f;
        TForm1& w = f.form;
        w.show();  // keys reach a shown window only
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* option = controle<QAction>(w, "menuAfficherComplements");
        auto* onglets = controle<QTabWidget>(w, "PageControl1");
        QVERIFY(option->isCheckable());
        QVERIFY(!option->isChecked());
        QCOMPARE(option->text(), QStringLiteral("Afficher les &compl\u00e9ments"));
        QVERIFY(controle<QMenu>(w, "menuOutils")->actions().contains(option));
        QCOMPARE(onglets->count(), 5);  // the history's page last, hidden without a base
        QVERIFY(!onglets->isTabVisible(4));
        QCOMPARE(onglets->tabText(3), QStringLiteral("Compl\u00e9ments"));
        QCOMPARE(onglets->widget(3)->objectName(), QStringLiteral("ongletComplements"));
        QVERIFY(!onglets->isTabVisible(3));
        option->trigger();
        // Checked without an analysis: nothing to show yet.
        QVERIFY(!onglets->isTabVisible(3));
        charger(w, chemin);
        analyser(w);
        QCOMPARE(w.boites.erreurs, QStringList{});
        QVERIFY(onglets->isTabVisible(3));
        QCOMPARE(onglets->currentIndex(), 0);
        QTest::keyClick(&w, Qt::Key_F2);
        QCOMPARE(onglets->currentIndex(), 3);
        // A new load hides it with the result pages, and F2 does nothing then.
        charger(w, chemin);
        QVERIFY(!onglets->isTabVisible(3));
        onglets->setCurrentIndex(0);
        QTest::keyClick(&w, Qt::Key_F2);
        QCOMPARE(onglets->currentIndex(), 0);
    }
    {
        Fenetre f;  // the next start remembers the choice
        TForm1& w = f.form;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(controle<QAction>(w, "menuAfficherComplements")->isChecked());
        controle<QAction>(w, "menuAfficherComplements")->trigger();
        charger(w, chemin);
        analyser(w);
        QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(3));
        QTest::keyClick(&w, Qt::Key_F2);
        QCOMPARE(controle<QTabWidget>(w, "PageControl1")->currentIndex(), 0);
    }
    Fenetre f;
    QVERIFY(!controle<QAction>(f.form, "menuAfficherComplements")->isChecked());
}

void TestComplements::optionSansEffetSurLesResultats() {
    const QString chemin = dossier_.ecrire("acces.log", journalVarie());
    QStringList sans, avec;
    for (const bool coche : {false, true}) {
        Fenetre f;
        TForm1& w = f.form;
        controle<QAction>(w, "menuAfficherComplements")->setChecked(coche);
        charger(w, chemin);
        analyser(w);
        QCOMPARE(f.message(), QStringLiteral("Analyse du fichier termin\u00e9e !"));
        (coche ? avec : sans) = resultats(w);
    }
    QVERIFY(sans.size() > 50);
    QCOMPARE(avec, sans);
}

void TestComplements::contenuDeLaPage() {
    Fenetre f;
    TForm1& w = f.form;
    controle<QAction>(w, "menuAfficherComplements")->trigger();
    charger(w, dossier_.ecrire("acces.log", journalVarie()));
    analyser(w);
    const auto* page = controle<PageComplements>(w, "pageComplements");
    QCOMPARE(page->resume(),
             (QStringList{
                 "Lignes lues : 10", "Lignes analys\u00e9es : 10",
                 "Adresses clientes distinctes : 4", "Requ\u00eates : 10",
                 "Octets envoy\u00e9s : 1,00 Mo", "Premi\u00e8re date : 31/01/2026 23:59:58",
                 "Derni\u00e8re date : 02/02/2026 14:00:00", "Jours (du premier au dernier) : 3",
                 // The audience: one visit per request, all more than 30 minutes apart.
                 "Visiteurs uniques : 5", "Visites : 10", "Dur\u00e9e moyenne d'une visite : 0 s",
                 "Requ\u00eates par visite : 1,0", "Requ\u00eates de robots : 0 (0,0 %)",
                 "Octets envoy\u00e9s aux robots : 0 octets"}));
    QCOMPARE(
        lignes(*tableau(w, "tableauComplementsCodes")),
        (QStringList{"000|1|0 octets|10,0 %", "200|3|1,00 Mo|30,0 %", "304|1|0 octets|10,0 %",
                     "404|3|20 octets|30,0 %", "500|1|5 octets|10,0 %", "999|1|0 octets|10,0 %"}));
    QCOMPARE(lignes(*tableau(w, "tableauComplementsIntrouvables")),
             (QStringList{"/absent.html|2", "/vieux.php|1"}));
    QCOMPARE(lignes(*tableau(w, "tableauComplementsErreurs")), (QStringList{"/cgi|1"}));
    QCOMPARE(lignes(*tableau(w, "tableauComplementsJours")),
             (QStringList{"31/01/2026|2|1 010 octets|2|2", "01/02/2026|0|0 octets|0|0",
                          "02/02/2026|8|1,00 Mo|3|8"}));

    // The pie: one slice per class present, in its colour, largest classes first.
    auto* vue = controle<QChartView>(w, "grapheComplementsCodes");
    QCOMPARE(vue->chart()->series().size(), 1);
    auto* camembert = qobject_cast<QPieSeries*>(vue->chart()->series().first());
    QVERIFY(camembert);
    QStringList tranches;
    for (QPieSlice* t : camembert->slices())
        tranches << t->label() + QLatin1Char('=') + QString::number(t->value()) + QLatin1Char(' ') +
                        t->color().name();
    QCOMPARE(tranches, (QStringList{"2xx (30,0 %)=3 #3c9d3c", "3xx (10,0 %)=1 #3b78c4",
                                    "4xx (30,0 %)=3 #f08c00", "5xx (10,0 %)=1 #d03030",
                                    "Autres (20,0 %)=2 #999999"}));
    QCOMPARE(page->bulleClasse(2), QStringLiteral("4xx : 3 requ\u00eates (30,0 %)"));
    QCOMPARE(page->bulleJour(1), QStringLiteral("01/02/2026 : 0 requ\u00eate, 0 octets"));

    // The day chart: requests, bytes and visitors on two value axes, a point per day.
    auto* jours = controle<QChartView>(w, "grapheComplementsJours");
    QCOMPARE(jours->chart()->series().size(), 3);
    for (QAbstractSeries* s : jours->chart()->series()) {
        QCOMPARE(static_cast<QXYSeries*>(s)->count(), 3);
        QCOMPARE(s->attachedAxes().size(), 2);
    }
    QCOMPARE(jours->chart()->axes(Qt::Vertical).size(), 2);

    // Cells tell their column and whole text.
    const QTableView* v = controle<QTableView>(w, "tableauComplementsIntrouvables");
    QCOMPARE(tests::texteAffiche(v->model()->index(0, 0).data(Qt::ToolTipRole).toString()),
             QStringLiteral("Fichier : /absent.html"));

    // A share under 0.1 % reads "< 0,1 %" in the legend, which takes rich text.
    std::vector<std::string> beaucoup(2500,
                                      ligne("10.0.0.9", "03/Feb/2026:10:00:00", "/", "200", "1"));
    beaucoup.push_back(ligne("10.0.0.9", "03/Feb/2026:10:00:01", "/cgi", "500", "1"));
    charger(w, dossier_.ecrire("beaucoup.log", journal(beaucoup)));
    analyser(w);
    camembert = qobject_cast<QPieSeries*>(vue->chart()->series().first());
    QVERIFY(camembert);
    QCOMPARE(camembert->slices().back()->label(), QStringLiteral("5xx (&lt; 0,1 %)"));
}

void TestComplements::triNumeriqueEtRecherche() {
    std::vector<std::string> l;
    // 404 counts 9, 10 and 100: as texts they would sort 10, 100, 9.
    for (const auto& [fichier, n] : {std::pair{"/neuf", 9}, {"/cent", 100}, {"/dix", 10}}) {
        for (int k = 0; k < n; ++k)
            l.push_back(ligne("1.1.1.1", "02/Feb/2026:10:00:00", fichier, "404", "1"));
    }
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    controle<QAction>(w, "menuAfficherComplements")->trigger();
    charger(w, dossier_.ecrire("acces.log", journal(l)));
    analyser(w);
    QTest::keyClick(&w, Qt::Key_F2);
    controle<QTabWidget>(w, "ongletsComplements")->setCurrentIndex(1);
    auto* t = tableau(w, "tableauComplementsIntrouvables");
    QCOMPARE(lignes(*t), (QStringList{"/cent|100", "/dix|10", "/neuf|9"}));
    QHeaderView* entete = t->vue()->horizontalHeader();
    const auto cliquer = [&](int colonne) {
        QTest::mouseClick(
            entete->viewport(), Qt::LeftButton, {},
            QPoint(entete->sectionViewportPosition(colonne) + 5, entete->height() / 2));
    };
    const QStringList parNombre = {"/neuf|9", "/dix|10", "/cent|100"};
    const QStringList parNom = {"/cent|100", "/dix|10", "/neuf|9"};
    const auto inverse = [](QStringList l) {
        std::reverse(l.begin(), l.end());
        return l;
    };
    // A click on the shown order's header reverses it; on another header, orders by that one.
    cliquer(1);
    QCOMPARE(lignes(*t), parNombre);
    cliquer(1);
    QCOMPARE(lignes(*t), inverse(parNombre));
    cliquer(0);
    const QStringList premier = lignes(*t);
    QVERIFY2(premier == parNom || premier == inverse(parNom), qPrintable(premier.join(' ')));
    cliquer(0);
    QCOMPARE(lignes(*t), inverse(premier));
    if (lignes(*t) != parNom) cliquer(0);
    QCOMPARE(lignes(*t), parNom);

    // Ctrl+F reaches the search field of the grid in use; a substring, any case, filters.
    t->vue()->setFocus();
    QTest::keyClick(t->vue(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), t->recherche());
    QTest::keyClicks(t->recherche(), QStringLiteral("E"));
    QCOMPARE(lignes(*t), (QStringList{"/cent|100", "/neuf|9"}));
    t->recherche()->setText(QStringLiteral("10"));  // the counts are searched too
    QCOMPARE(lignes(*t), (QStringList{"/cent|100", "/dix|10"}));
    t->recherche()->clear();
    QCOMPARE(t->nbLignes(), 3);
}

void TestComplements::cocheeApresUneAnalyse() {
    Fenetre f;
    TForm1& w = f.form;
    charger(w, dossier_.ecrire("acces.log", journalVarie()));
    analyser(w);
    QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(3));
    controle<QAction>(w, "menuAfficherComplements")->trigger();
    QCOMPARE(w.boites.erreurs, QStringList{});
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(3));
    QCOMPARE(lignes(*tableau(w, "tableauComplementsErreurs")), (QStringList{"/cgi|1"}));
    controle<QAction>(w, "menuAfficherComplements")->trigger();
    QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(3));
}

namespace {

// Chooses a period in the dialog as a user would, or the whole journal when `du` is empty.
void choisirPeriode(TForm1& w, const QString& du = {}, const QString& au = {}) {
    controle<QAction>(w, "menuPeriode")->trigger();
    auto* d = controle<QDialog>(w, "dialoguePeriode");
    QVERIFY(d->isVisible());
    if (du.isEmpty()) {
        controle<QRadioButton>(*d, "radioPeriodeTout")->click();
    } else {
        controle<QRadioButton>(*d, "radioPeriodeDu")->click();
        // The editors hold the log's times as written, without a zone.
        const auto enUTC = [](const QString& texte) {
            QDateTime d = QDateTime::fromString(texte, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
            d.setTimeSpec(Qt::UTC);
            return d;
        };
        controle<QDateTimeEdit>(*d, "cbPeriodeDebut")->setDateTime(enUTC(du));
        controle<QDateTimeEdit>(*d, "cbPeriodeFin")->setDateTime(enUTC(au));
    }
    QTest::mouseClick(
        controle<QDialogButtonBox>(*d, "boutonsPeriode")->button(QDialogButtonBox::Ok),
        Qt::LeftButton);
    QVERIFY(!d->isVisible());
}

}  // namespace

void TestComplements::dialogueDeLaPeriode() {
    Fenetre f;
    TForm1& w = f.form;
    QCOMPARE(controle<QAction>(w, "menuPeriode")->text(),
             QStringLiteral("&P\u00e9riode analys\u00e9e..."));
    charger(w, dossier_.ecrire("acces.log", journalVarie()));
    controle<QAction>(w, "menuPeriode")->trigger();
    auto* d = controle<QDialog>(w, "dialoguePeriode");
    QVERIFY(d->isVisible());
    QVERIFY(controle<QRadioButton>(*d, "radioPeriodeTout")->isChecked());
    auto* debut = controle<QDateTimeEdit>(*d, "cbPeriodeDebut");
    auto* fin = controle<QDateTimeEdit>(*d, "cbPeriodeFin");
    QVERIFY(!debut->isEnabled());
    QCOMPARE(debut->text(), QStringLiteral("31/01/2026 23:59:58"));
    QCOMPARE(fin->text(), QStringLiteral("02/02/2026 14:00:00"));
    // Bounded by the journal's first and last dates; the end never before the start.
    debut->setDateTime(QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC));
    QCOMPARE(debut->text(), QStringLiteral("31/01/2026 23:59:58"));
    controle<QRadioButton>(*d, "radioPeriodeDu")->click();
    QVERIFY(debut->isEnabled());
    debut->setDateTime(QDateTime(QDate(2026, 2, 2), QTime(12, 0), Qt::UTC));
    fin->setDateTime(QDateTime(QDate(2026, 2, 1), QTime(0, 0), Qt::UTC));
    QVERIFY(fin->dateTime() >= debut->dateTime());
    // Cancel keeps the whole journal.
    d->reject();
    analyser(w);
    QCOMPARE(f.message(), QStringLiteral("Analyse du fichier termin\u00e9e !"));
}

void TestComplements::periodeAuMilieuDUnJour() {
    Fenetre f;
    TForm1& w = f.form;
    controle<QAction>(w, "menuAfficherComplements")->trigger();
    charger(w, dossier_.ecrire("acces.log", journalVarie()));
    const QStringList toutSeul = [&] {
        analyser(w);
        return resultats(w);
    }();
    choisirPeriode(w, QStringLiteral("02/02/2026 08:00:00"), QStringLiteral("02/02/2026 12:00:00"));
    analyser(w);
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(f.message(),
             QStringLiteral("Analyse du fichier termin\u00e9e ! (5 lignes hors p\u00e9riode)"));
    QCOMPARE(controle<QLabel>(*pageRapport(w), "lbTitreRapport")->text(),
             QStringLiteral("Rapport d'analyse du fichier acces.log du 02/02/2026 08:00:00 au "
                            "02/02/2026 12:00:00"));
    PageRapport& p = *pageRapport(w);
    const auto cellules = [](const GrilleRapportQt* g) {
        QStringList r;
        for (int l = 1; l < g->nbLignes(); ++l)
            r << depuis1252(g->cellule(0, l) + "|" + g->cellule(1, l));
        return r;
    };
    QCOMPARE(cellules(controle<GrilleRapportQt>(p, "tableauRapportAdressesIP")),
             (QStringList{"10.0.0.3|2", "10.0.0.1|3"}));
    // The detail text holds the records of the period's lines only.
    std::string attendu = "RESULTAT DE L'ANALYSE\r\n\r\n";
    const QList<QByteArray> toutes = journalVarie().split('\n');
    for (int k = 3; k <= 7; ++k) {
        attendu += detailLog(analyserLigne(toutes[k].toStdString())) + "\r\n" +
                   std::string(42, '-') + "\r\n\r\n";
    }
    const QStringList morceaux = QString::fromLatin1(attendu).split(QStringLiteral("\r\n"));
    const VueTexte* detail = controle<VueTexte>(w, "RichEdit1");
    QCOMPARE(detail->nbLignes(), static_cast<std::size_t>(morceaux.size()));
    for (int i = 0; i < morceaux.size(); ++i) {
        QCOMPARE(detail->texteLigne(static_cast<std::size_t>(i)), morceaux[i]);
    }
    const auto* page = controle<PageComplements>(w, "pageComplements");
    // Read, less those out of the period: the lines analysed, every one a request.
    QCOMPARE(page->resume().mid(0, 3),
             (QStringList{"Lignes lues : 10", "Lignes hors p\u00e9riode : 5",
                          "Lignes analys\u00e9es : 5"}));
    QVERIFY(page->resume().contains(QStringLiteral("Requ\u00eates : 5")));
    QCOMPARE(lignes(*tableau(w, "tableauComplementsJours")),
             (QStringList{"02/02/2026|5|5 octets|2|5"}));

    // Back to the whole journal: everything as before the period.
    choisirPeriode(w);
    analyser(w);
    QCOMPARE(f.message(), QStringLiteral("Analyse du fichier termin\u00e9e !"));
    QCOMPARE(resultats(w), toutSeul);
}

// The skipping of non-conforming lines and a period together: a line outside the period is left
// out before any line is examined, a bad line inside it is skipped; the message, the page and the
// report count the same kept lines.
void TestComplements::periodeEtLignesIgnorees() {
    Fenetre f;
    TForm1& w = f.form;
    controle<QAction>(w, "menuAfficherComplements")->trigger();
    controle<QAction>(w, "menuIgnorerLignes")->trigger();
    QByteArray texte = journalVarie();
    texte += QByteArray::fromStdString(
                 ligne("2001:db8::1", "02/Feb/2026:09:30:00", "/index.html", "200", "7")) +
             "\n" + "une ligne qui ne se lit pas\n";
    charger(w, dossier_.ecrire("acces.log", texte));
    choisirPeriode(w, QStringLiteral("02/02/2026 08:00:00"), QStringLiteral("02/02/2026 12:00:00"));
    analyser(w);
    QCOMPARE(w.boites.erreurs, QStringList{});
    // 5 + 1 lines in the period (the unreadable line has no date: outside it), none skipped.
    QCOMPARE(f.message(),
             QStringLiteral("Analyse du fichier termin\u00e9e ! (6 lignes hors p\u00e9riode)"));
    const auto* page = controle<PageComplements>(w, "pageComplements");
    QVERIFY(page->resume().contains(QStringLiteral("Requ\u00eates : 6")));
    QVERIFY(page->resume().contains(QStringLiteral("Adresses clientes distinctes : 3")));
    QCOMPARE(lignes(*tableau(w, "tableauComplementsJours")),
             (QStringList{"02/02/2026|6|12 octets|3|6"}));

    // Without a period the unreadable line is skipped, and the summary says so.
    choisirPeriode(w);
    analyser(w);
    QCOMPARE(f.message(),
             QStringLiteral("Analyse du fichier termin\u00e9e ! (1 ligne ignor\u00e9e sur 12)"));
    QCOMPARE(page->resume().mid(0, 3), (QStringList{"Lignes lues : 12", "Lignes ignor\u00e9es : 1",
                                                    "Lignes analys\u00e9es : 11"}));
    QVERIFY(page->resume().contains(QStringLiteral("Requ\u00eates : 11")));
}

void TestComplements::periodeVide() {
    Fenetre f;
    TForm1& w = f.form;
    charger(w, dossier_.ecrire("acces.log", journalVarie()));
    choisirPeriode(w, QStringLiteral("01/02/2026 00:00:00"), QStringLiteral("01/02/2026 23:59:59"));
    analyser(w);
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(f.message(),
             QStringLiteral(
                 "Aucune ligne dans la p\u00e9riode analys\u00e9e (10 lignes hors p\u00e9riode)"));
    QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->nbLignes(), std::size_t{0});
}

// A byte sum past the 64-bit range ends the analysis as the tables' sums do; a line whose day
// reads but whose time does not counts in its day.
void TestComplements::debordementEtHeuresIllisibles() {
    Fenetre f;
    TForm1& w = f.form;
    controle<QAction>(w, "menuAfficherComplements")->trigger();
    charger(
        w, dossier_.ecrire("gros.log",
                           journal({ligne("83.149.9.216", "17/May/2015:10:05:03", "/a", "200", "1"),
                                    ligne("10.0.0.1", "17/May/2015:10:06:00", "/big", "200",
                                          "9223372036854775807")})));
    analyser(w);
    QCOMPARE(w.boites.erreurs, QStringList{QStringLiteral("D\u00e9bordement d'entier.")});

    charger(w, dossier_.ecrire("heures.log",
                               journal({ligne("10.0.0.1", "17/May/2015:10:05:03", "/a", "200", "1"),
                                        ligne("10.0.0.1", "18/May/2015:25:00:00", "/a", "200", "2"),
                                        ligne("10.0.0.1", "18/May/2015:10:5", "/a", "200", "3")})));
    analyser(w);
    QCOMPARE(w.boites.erreurs.size(), 1);
    QCOMPARE(lignes(*tableau(w, "tableauComplementsJours")),
             (QStringList{"17/05/2015|1|1 octet|1|1", "18/05/2015|2|5 octets|0|0"}));
}

KESTRANE_TEST_UI(TestComplements);
