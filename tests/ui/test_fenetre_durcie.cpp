#include "tests/ui/test_fenetre_durcie.h"

#include <QAbstractBarSeries>
#include <QAction>
#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPieSeries>
#include <QPieSlice>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QtTest>
#include <functional>
#include <string>
#include <vector>

#include "core/analyse/Complements.h"
#include "tests/commun/ChienDeGarde.h"
#include "tests/commun/Controles.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/dialogues/LignesIgnorees.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;
using kestrane::test::ChienDeGarde;
using kestrane::tests::analyser;
using kestrane::tests::charger;
using kestrane::tests::Fenetre;
using kestrane::tests::journal;
using kestrane::tests::texteAffiche;

namespace {

// Twenty nested tables: 300 bytes any visitor can send as a referrer, which Qt's rich text takes
// for ever to lay out.
std::string tablesImbriquees() {
    std::string s;
    for (int k = 0; k < 20; ++k) s += "<table><tr><td>";
    for (int k = 0; k < 20; ++k) s += "</td></tr></table>";
    return s;
}

std::string ligne(const std::string& jour, const std::string& fichier = "/p.html",
                  const std::string& code = "200", const std::string& provenance = "-") {
    return "10.0.0.1 - - [" + jour + ":10:00:00 +0100] \"GET " + fichier + " HTTP/1.1\" " + code +
           " 512 \"" + provenance + "\" \"Mozilla/5.0 (X11; Linux x86_64)\"";
}

QString message(const char* texte) {
    return QString::fromUtf8(texte);
}

// Runs `f` at the first turn of the event loop: from inside the command that follows.
void enCours(QObject* contexte, std::function<void()> f) {
    QMetaObject::invokeMethod(contexte, std::move(f), Qt::QueuedConnection);
}

QString nbLignes(const TForm1& w) {
    return controle<QLabel>(w, "lbNbLignes")->text();
}

QSettings reglages() {
    return QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"));
}

// The letter after a lone "&" of a caption, lower case; none for "&&" or no "&".
QChar mnemonique(const QString& texte) {
    for (qsizetype k = 0; k + 1 < texte.size(); ++k) {
        if (texte[k] != QLatin1Char('&')) continue;
        if (texte[k + 1] == QLatin1Char('&')) {
            ++k;
            continue;
        }
        return texte[k + 1].toLower();
    }
    return {};
}

// Every menu reached from `actions`: the captions of one menu sharing a mnemonic, as
// "menu: a / b".
void doublons(const QString& menu, const QList<QAction*>& actions, QStringList& trouves) {
    QHash<QChar, QString> vus;
    for (QAction* a : actions) {
        if (a->isSeparator()) continue;
        const QChar m = mnemonique(a->text());
        if (!m.isNull()) {
            if (vus.contains(m))
                trouves << menu + QStringLiteral(": ") + vus[m] + " / " + a->text();
            vus[m] = a->text();
        }
        if (a->menu()) doublons(a->text(), a->menu()->actions(), trouves);
    }
}

// Chooses "Du ... au ..." in the period dialog, as a user would.
void choisirPeriode(TForm1& w, const QDateTime& du, const QDateTime& au) {
    controle<QAction>(w, "menuPeriode")->trigger();
    auto* d = controle<QDialog>(w, "dialoguePeriode");
    controle<QRadioButton>(*d, "radioPeriodeDu")->click();
    controle<QDateTimeEdit>(*d, "cbPeriodeDebut")->setDateTime(du);
    controle<QDateTimeEdit>(*d, "cbPeriodeFin")->setDateTime(au);
    controle<QDialogButtonBox>(*d, "boutonsPeriode")->button(QDialogButtonBox::Ok)->click();
}

// Shows `bulle` as a tooltip, bounded by the watchdog, and returns the text it shows.
// The chart's first series of kind T, or null.
template <typename T>
T* premiereSerie(GrapheQt& g) {
    for (QAbstractSeries* s : g.chart()->series()) {
        if (auto* t = qobject_cast<T*>(s)) return t;
    }
    return nullptr;
}

QString montrerBulle(QWidget* w, const QString& bulle) {
    const ChienDeGarde chien(5);
    QToolTip::showText(w->mapToGlobal(QPoint(5, 5)), bulle, w);
    return QToolTip::isVisible() ? texteAffiche(QToolTip::text()) : QStringLiteral("<cachée>");
}

}  // namespace

void TestFenetreDurcie::init() {
    dossier_.renouveler();
    QVERIFY(dossier_.valide());
    QSettings r = reglages();
    r.remove(QStringLiteral("fichiersRecents"));
    r.remove(QStringLiteral("fenetre"));
}

// Alt+F then R opened the recent files instead of the report's export: one letter per item in
// each menu, submenus and the bar included.
void TestFenetreDurcie::mnemoniquesUniquesDansChaqueMenu() {
    Fenetre f;
    TForm1& w = f.form;
    charger(w, dossier_.ecrire(QStringLiteral("j.log"), "1\n2\n"));
    QStringList trouves;
    doublons(QStringLiteral("barre"), w.menuBar()->actions(), trouves);
    QCOMPARE(trouves, QStringList{});
    // The described items keep their letters.
    QCOMPARE(controle<QAction>(w, "menuExporterRapport")->text(),
             message("Exporter le &rapport..."));
    QCOMPARE(controle<QMenu>(w, "menuFichiersRecents")->title(), message("&Fichiers récents"));
}

// A period chosen for a 2004 log does not apply to the 2015 log loaded next.
void TestFenetreDurcie::periodeOublieeAuChargement() {
    Fenetre f;
    TForm1& w = f.form;
    charger(w, dossier_.ecrire(QStringLiteral("a.log"),
                               journal({ligne("06/Dec/2004"), ligne("07/Dec/2004")})));
    choisirPeriode(w, QDateTime(QDate(2004, 12, 6), QTime(0, 0), Qt::UTC),
                   QDateTime(QDate(2004, 12, 6), QTime(23, 0), Qt::UTC));
    const QString b = dossier_.ecrire(QStringLiteral("b.log"),
                                      journal({ligne("17/May/2015"), ligne("18/May/2015")}));
    charger(w, b);
    QCOMPARE(f.message(), message("Chargement du fichier journal : ") + b +
                              message(" ; période analysée : Tout le journal"));
    analyser(w);
    QCOMPARE(f.message(), message("Analyse du fichier terminée !"));
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
    QCOMPARE(w.resultat().journal.nbLignes(), std::size_t{2});
    charger(w, b);  // no period any more: nothing to say
    QCOMPARE(f.message(), message("Chargement du fichier journal : ") + b);
}

// A journal opened by a relative path is reopened from anywhere; one whose file went is shown
// disabled.
void TestFenetreDurcie::fichiersRecentsAbsolusEtIntrouvables() {
    const QString absolu = dossier_.ecrire(QStringLiteral("rel.log"), "1\n2\n");
    const QString ici = QDir::currentPath();
    {
        Fenetre f;
        QDir::setCurrent(dossier_.racine());
        charger(f.form, QStringLiteral("rel.log"));
        QDir::setCurrent(ici);
        QCOMPARE(f.form.boites.erreurs, QStringList{});
    }
    Fenetre f;
    TForm1& w = f.form;
    auto* recent = controle<QAction>(w, "menuFichierRecent1");
    QCOMPARE(recent->text(), QStringLiteral("&1 ") + QFileInfo(absolu).absoluteFilePath());
    QVERIFY(recent->isEnabled());
    recent->trigger();
    QCOMPARE(nbLignes(w), QStringLiteral("2 lignes"));
    QVERIFY(QFile::remove(absolu));
    // The menu looks again when it opens.
    emit controle<QMenu>(w, "menuFichiersRecents")->aboutToShow();
    recent = controle<QAction>(w, "menuFichierRecent1");
    QCOMPARE(recent->text(),
             QStringLiteral("&1 ") + QFileInfo(absolu).absoluteFilePath() + " (introuvable)");
    QVERIFY(!recent->isEnabled());
}

// Size, place and maximised state come back at the next start, unless the screen has no room.
void TestFenetreDurcie::geometrieRetenue() {
    QRect avant;
    {
        Fenetre f;
        f.form.restaurerGeometrie();  // nothing remembered: the window's own
        QCOMPARE(f.form.pos(), QPoint(224, 136));
        f.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.form));
        f.form.setGeometry(40, 50, 600, 420);
        avant = f.form.geometry();
        f.form.close();
    }
    {
        Fenetre f;
        f.form.restaurerGeometrie();
        QCOMPARE(f.form.geometry(), avant);
        f.form.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&f.form));
        f.form.close();
    }
    {
        Fenetre f;
        f.form.restaurerGeometrie();
        QVERIFY(f.form.windowState() & Qt::WindowMaximized);
    }
    // Remembered partly out of the screen: brought back within it, or the first place kept.
    const QRect ecran = QGuiApplication::primaryScreen()->availableGeometry();
    {
        Fenetre f;
        f.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.form));
        f.form.setGeometry(ecran.right() - 100, ecran.top() + 10, 500, 400);
        f.form.close();
    }
    Fenetre f;
    const QRect premiere = f.form.geometry();
    f.form.restaurerGeometrie();
    QVERIFY(ecran.contains(f.form.geometry()) || f.form.geometry() == premiere);
}

// Singular for 0 and 1 in the window's captions.
void TestFenetreDurcie::singuliers() {
    QCOMPARE(suffixeLignesIgnorees(1, 10), message(" (1 ligne ignorée sur 10)"));
    QCOMPARE(suffixeLignesIgnorees(2, 10), message(" (2 lignes ignorées sur 10)"));
    PageComplements page;
    Complements c;
    c.jours = {CompteJour{2026, 2, 1, 1, 1}, CompteJour{2026, 2, 2, 2, 300}};
    c.requetes = 3;
    c.octets = 1;
    c.codes = {CompteCode{200, 1, 1}};
    page.afficher(c);
    QCOMPARE(page.bulleJour(0), message("01/02/2026 : 1 requête, 1 octet"));
    QCOMPARE(page.bulleJour(1), message("02/02/2026 : 2 requêtes, 300 octets"));
    QVERIFY2(page.bulleClasse(0).contains(message(" 1 requête ")), qPrintable(page.bulleClasse(0)));
    QCOMPARE(controle<QLabel>(page, "lbComplementsResume")->toolTip(), message("1 octet"));
}

// Several files analysed as one: the report's title and the exported page name them all, oldest
// first, as the command line does.
void TestFenetreDurcie::titreDeTousLesJournaux() {
    Fenetre f;
    TForm1& w = f.form;
    const QString recent = dossier_.ecrire(QStringLiteral("access.log"),
                                           journal({ligne("18/May/2015"), ligne("19/May/2015")}));
    const QString ancien = dossier_.ecrire(QStringLiteral("access.log.1"),
                                           journal({ligne("16/May/2015"), ligne("17/May/2015")}));
    w.dialogOuvrir.repondreProchaineFois(QStringList{recent, ancien});
    controle<QAction>(w, "menuChargerJournal")->trigger();
    analyser(w);
    const QString titre = message("Rapport d'analyse de 2 journaux : access.log.1, access.log");
    QCOMPARE(controle<QLabel>(w, "lbTitreRapport")->text(), titre);
    const QString sortie = dossier_.chemin(QStringLiteral("r.html"));
    w.dialogExporterRapport.choisirFiltre(0);
    w.dialogExporterRapport.repondreProchaineFois(sortie);
    controle<QAction>(w, "menuExporterRapport")->trigger();
    QCOMPARE(w.boites.erreurs, QStringList{});
    QVERIFY(tests::lire(sortie).contains("2 journaux : access.log.1, access.log</title>"));
}

// Markup from a log or a file name shows as the text it is, at once, wherever it shows: grids,
// chart bars and slices, the Compléments grids, recent files, the status line, message boxes.
void TestFenetreDurcie::textePlatPartout() {
    const std::string tables = tablesImbriquees();
    const QString brut = QString::fromStdString(tables);
    // A file name holding it too: two folders, a name is at most 255 bytes.
    const QString moitie = QString::fromStdString(tables.substr(0, 150));
    QVERIFY(QDir(dossier_.racine()).mkpath(moitie + "/" + moitie));
    const QString chemin = dossier_.ecrire(
        moitie + "/" + moitie + "/j.log",
        journal({ligne("06/Dec/2006", "/" + tables, "404", tables),
                 ligne("06/Dec/2006", "/p.html", "200", tables), ligne("07/Dec/2006")}));
    Fenetre f;
    TForm1& w = f.form;
    w.resize(900, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* complements = controle<QAction>(w, "menuAfficherComplements");
    if (!complements->isChecked()) complements->trigger();
    {
        const ChienDeGarde chien(10);
        charger(w, chemin);
        analyser(w);
    }
    QCOMPARE(w.boites.erreurs, QStringList{});
    auto* statut = controle<QLabel>(w, "barreStatusPanneau1");
    QCOMPARE(statut->textFormat(), Qt::PlainText);

    // The report grid of referrers, its cell too narrow for the text.
    auto* grille = controle<QTableView>(w, "tableauRapportPrecedent");
    QModelIndex cellule;
    for (int c = 0; c < grille->model()->columnCount() && !cellule.isValid(); ++c) {
        const QModelIndex i = grille->model()->index(0, c);
        if (i.data().toString() == brut) cellule = i;
    }
    QVERIFY(cellule.isValid());
    {
        const ChienDeGarde chien(5);
        const QPoint p = grille->visualRect(cellule).center();
        QHelpEvent aide(QEvent::ToolTip, p, grille->viewport()->mapToGlobal(p));
        QCoreApplication::sendEvent(grille->viewport(), &aide);
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(texteAffiche(QToolTip::text()), brut);
    }

    // A bar of the referrers' chart, and a slice of a pie holding the same label.
    GrapheQt& barres = *graphes(w).grapheStatPrecedent;
    barres.actualiser();
    auto* serie = premiereSerie<QAbstractBarSeries>(barres);
    QVERIFY(serie && !serie->barSets().isEmpty());
    bool vue = false;
    for (int k = 0; k < serie->barSets().front()->count() && !vue; ++k) {
        const ChienDeGarde chien(5);
        emit serie->barSets().front()->hovered(true, k);
        vue = QToolTip::isVisible() && texteAffiche(QToolTip::text()).startsWith(brut + "\n");
    }
    QVERIFY(vue);
    GrapheQt& camembert = *graphes(w).grapheStatOS;
    camembert.viderSerie(0);
    camembert.ajouterPoint(0, 5, tables);
    camembert.actualiser();
    auto* parts = premiereSerie<QPieSeries>(camembert);
    QVERIFY(parts && !parts->slices().isEmpty());
    {
        const ChienDeGarde chien(5);
        emit parts->slices().front()->hovered(true);
        QCOMPARE(texteAffiche(QToolTip::text()), brut + "\n5");
    }

    // The Compléments grid of pages not found.
    auto* introuvables = controle<QTableView>(w, "tableauComplementsIntrouvables");
    QCOMPARE(montrerBulle(introuvables,
                          introuvables->model()->index(0, 0).data(Qt::ToolTipRole).toString()),
             "Fichier : /" + brut);

    // The recent file's tooltip, with its path.
    auto* recent = controle<QAction>(w, "menuFichierRecent1");
    QCOMPARE(montrerBulle(&w, recent->toolTip()), QFileInfo(chemin).absoluteFilePath());
    QToolTip::hideText();

    // A message box, shown for real, with the path of a file that is not there.
    w.boites.enregistrer = false;
    QString texteBoite;
    Qt::TextFormat format = Qt::AutoText;
    QTimer guetteur;  // the box, once it shows
    QObject::connect(&guetteur, &QTimer::timeout, &w, [&] {
        for (QWidget* h : QApplication::topLevelWidgets()) {
            if (auto* b = qobject_cast<QMessageBox*>(h); b && b->isVisible()) {
                texteBoite = b->text();
                format = b->textFormat();
                b->accept();
            }
        }
    });
    guetteur.start(10);
    const QString absent = dossier_.chemin(moitie + "/" + moitie + "/absent.log");
    {
        const ChienDeGarde chien(5);
        charger(w, absent);
    }
    QCOMPARE(format, Qt::PlainText);
    QVERIFY2(texteBoite.contains(absent), qPrintable(texteBoite));
    complements->trigger();
}

// "Exporter le rapport..." never replaces a journal loaded, through whatever path or link.
void TestFenetreDurcie::rapportRefuseSurLeJournal() {
    Fenetre f;
    TForm1& w = f.form;
    const QByteArray octets = journal({ligne("06/Dec/2006"), ligne("07/Dec/2006")});
    const QString j = dossier_.ecrire(QStringLiteral("j.html"), octets);
    const QString lien = dossier_.chemin(QStringLiteral("lien.html"));
    QVERIFY(QFile::link(j, lien));
    charger(w, j);
    analyser(w);
    w.dialogExporterRapport.choisirFiltre(0);
    for (const QString& sortie : {j, lien}) {
        w.boites.erreurs.clear();
        w.dialogExporterRapport.repondreProchaineFois(sortie);
        controle<QAction>(w, "menuExporterRapport")->trigger();
        QCOMPARE(w.boites.erreurs, QStringList{message("Le rapport remplacerait le journal « ") +
                                               j + message(" ».")});
        QCOMPARE(tests::lire(j), octets);
    }
    // Elsewhere, the same export is written.
    w.boites.erreurs.clear();
    w.dialogExporterRapport.repondreProchaineFois(dossier_.chemin(QStringLiteral("r.html")));
    controle<QAction>(w, "menuExporterRapport")->trigger();
    QCOMPARE(w.boites.erreurs, QStringList{});
    QVERIFY(tests::lire(dossier_.chemin(QStringLiteral("r.html"))).startsWith("<!DOCTYPE html>"));
}

// The "Annuler" button beside the bar, or Escape, stops a load or an Analyse: the journal and the
// results before it stay as they were.
void TestFenetreDurcie::annulerChargementEtAnalyse() {
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    std::vector<std::string> lignes;
    for (int k = 0; k < 40000; ++k) lignes.push_back(ligne(k % 2 ? "06/Dec/2006" : "07/Dec/2006"));
    charger(w, dossier_.ecrire(QStringLiteral("long.log"), journal(lignes)));
    analyser(w);
    QCOMPARE(f.message(), message("Analyse du fichier terminée !"));
    auto* bouton = controle<QPushButton>(w, "boutonAnnuler");
    QVERIFY(!bouton->isVisible());
    const auto* details = controle<VueTexte>(w, "RichEdit1");
    const auto sourceAvant = details->source();
    const std::size_t enregistrements = w.resultat().enregistrements.taille();

    bool montre = false;
    enCours(&w, [&] {
        montre = bouton->isVisible();
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    analyser(w);
    QVERIFY(montre);
    QCOMPARE(f.message(), message("Analyse annulée : résultats précédents conservés"));
    QCOMPARE(w.boites.erreurs, QStringList{});
    QVERIFY(details->source() == sourceAvant);
    QCOMPARE(w.resultat().enregistrements.taille(), enregistrements);
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
    QVERIFY(!bouton->isVisible());
    QVERIFY(!controle<QProgressBar>(w, "barreProgressionAnalyse")->isVisible());

    montre = false;
    enCours(&w, [&] {
        montre = bouton->isVisible();
        QTest::mouseClick(bouton, Qt::LeftButton);
    });
    charger(w, dossier_.ecrire(QStringLiteral("autre.log"), "1\n2\n3\n"));
    QVERIFY(montre);
    QCOMPARE(f.message(), message("Chargement annulé : journal précédent conservé"));
    QCOMPARE(nbLignes(w), QStringLiteral("40000 lignes"));
    QCOMPARE(w.journal().nbLignes(), std::size_t{40000});
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
    QVERIFY(!bouton->isVisible());
    // Not asked: the next load goes through.
    charger(w, dossier_.chemin(QStringLiteral("autre.log")));
    QCOMPARE(nbLignes(w), QStringLiteral("3 lignes"));
}

// Log text on the Compléments page: UTF-8 when it is, Windows-1252 otherwise.
void TestFenetreDurcie::complementsEnUtf8OuWindows1252() {
    Fenetre f;
    TForm1& w = f.form;
    auto* complements = controle<QAction>(w, "menuAfficherComplements");
    if (!complements->isChecked()) complements->trigger();
    charger(w, dossier_.ecrire(QStringLiteral("j.log"),
                               journal({ligne("06/Dec/2006", "/caf\xC3\xA9", "404"),
                                        ligne("06/Dec/2006", "/th\xE9", "404")})));
    analyser(w);
    auto* v = controle<QTableView>(w, "tableauComplementsIntrouvables");
    QStringList noms;
    for (int k = 0; k < v->model()->rowCount(); ++k)
        noms << v->model()->index(k, 0).data().toString();
    noms.sort();
    QCOMPARE(noms, (QStringList{message("/café"), message("/thé")}));
    complements->trigger();
}

// Two paths of one file: read once, the status line says so.
void TestFenetreDurcie::journalNommeDeuxFois() {
    Fenetre f;
    TForm1& w = f.form;
    const QString j = dossier_.ecrire(QStringLiteral("j.log"), "1\n2\n3\n");
    const QString lien = dossier_.chemin(QStringLiteral("lien.log"));
    QVERIFY(QFile::link(j, lien));
    w.dialogOuvrir.repondreProchaineFois(QStringList{j, lien});
    controle<QAction>(w, "menuChargerJournal")->trigger();
    QCOMPARE(nbLignes(w), QStringLiteral("3 lignes"));
    QCOMPARE(f.message(), message("Chargement du fichier journal : ") + j +
                              message(" (1 journal nommé plusieurs fois, lu une seule fois)"));
}

// The window closed while the start-up load's error box is shown closes after the box.
void TestFenetreDurcie::fermetureApresLaBoiteDErreurDuDemarrage() {
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    int finsPendant = -1;
    w.boites.pendant = [&] {
        w.close();
        finsPendant = f.fins;
    };
    w.ouvrirAuDemarrage(dossier_.chemin(QStringLiteral("absent.log")));
    QCOMPARE(w.boites.erreurs.size(), 1);
    QCOMPARE(finsPendant, 0);
    QCOMPARE(f.fins, 1);
}

KESTRANE_TEST_UI(TestFenetreDurcie);
