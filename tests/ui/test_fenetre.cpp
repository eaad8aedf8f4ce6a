#include "tests/ui/test_fenetre.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>
#include <tuple>

#include "core/analyse/TablesStat.h"
#include "platform/BipAlsa.h"
#include "tests/commun/Controles.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;

using kestrane::tests::Fenetre;
using kestrane::tests::lire;

void TestFenetre::init() {
    dossier_.renouveler();
}

void TestFenetre::etatAuDemarrage() {
    Fenetre f;
    TForm1& w = f.form;
    QVERIFY(QRegularExpression(QStringLiteral("^Kestrane ouvert \\[\\d\\d:\\d\\d:\\d\\d\\]$"))
                .match(f.statut())
                .hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                .match(controle<QLabel>(w, "barreStatusPanneau0")->text())
                .hasMatch());
    QCOMPARE(controle<QLabel>(w, "barreStatusPanneau0")->width(), 80);
    QVERIFY(controle<QLabel>(w, "barreStatusPanneau1")->width() >= 300);
    QStringList visibles;
    for (QAction* a : w.menuBar()->actions()) {
        if (a->isVisible()) visibles << a->text();
    }
    QCOMPARE(visibles, (QStringList{"&Fichier", "&Edition", "&Outils", "?"}));
    QVERIFY(!controle<QMenu>(w, "menuStatistiques")->menuAction()->isEnabled());
    QCOMPARE(controle<QTabWidget>(w, "PageControl1")->currentIndex(), 0);
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(0));
    QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
    QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(2));
    QCOMPARE(controle<QTabWidget>(w, "PageControl1")->tabText(2),
             QStringLiteral("Rapport d'Analyse"));
    QVERIFY(!controle<QAction>(w, "menuOptions")->isEnabled());
    QVERIFY(!controle<QAction>(w, "menuStatVisites")->isEnabled());
    QVERIFY(w.resultat().periodeChoisie.empty());
    QVERIFY(controle<QLabel>(w, "lbNbLignes")->text().isEmpty());
    QVERIFY(controle<QProgressBar>(w, "barreProgressionAnalyse")->isHidden());
    QCOMPARE(controle<QProgressBar>(w, "barreProgressionAnalyse")->value(), 50);
    QCOMPARE(controle<VueTexte>(w, "Memo1")->nbLignes(), std::size_t{0});
    QCOMPARE(controle<VueTexte>(w, "RichEdit1")->nbLignes(), std::size_t{0});
    QCOMPARE(w.windowTitle().left(11), QStringLiteral("Kestrane - "));
    // Every named control can be found by its name.
    for (const char* nom :
         {"PageControl1", "ongletAnalyse", "ongletStatistiques", "ongletRapportAnalyse",
          "btCharger", "btEnregistrerSous", "lbNbLignes", "barreProgressionAnalyse", "btAnalyser",
          "btExporter", "Memo1", "Splitter1", "RichEdit1", "pBoutonAnalyse", "panelAnalyse",
          "menuPrincipal", "barreStatus", "Timer1"}) {
        QVERIFY2(w.findChild<QObject*>(QString::fromLatin1(nom)) != nullptr, nom);
    }
    for (const char* nom :
         {"menuChargerJournal", "menuEnregisterjournalsous", "menuExporterAnalyse", "menuQuitter",
          "menuAnalyser", "menuOptions", "menuStatIP", "menuStatHoraires", "menuRapportdAnalyse",
          "menuApropos", "N1", "N2", "N3"}) {
        QVERIFY2(w.findChild<QAction*>(QString::fromLatin1(nom)) != nullptr, nom);
    }
    QCOMPARE(controle<QAction>(w, "menuChargerJournal")->shortcut(),
             QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(controle<QAction>(w, "menuExporterAnalyse")->shortcut(),
             QKeySequence(QStringLiteral("Ctrl+Alt+S")));
    QCOMPARE(controle<QAction>(w, "menuAnalyser")->shortcut(),
             QKeySequence(QStringLiteral("Ctrl+Alt+A")));
    QCOMPARE(controle<QAction>(w, "menuRapportdAnalyse")->shortcut(), QKeySequence(Qt::Key_F3));
    QCOMPARE(controle<QPushButton>(w, "btEnregistrerSous")->text(),
             QStringLiteral("Enregister &Sous..."));
}

void TestFenetre::panneauDuMessageJusquAuBout() {
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The message panel runs to the end of the bar and follows the window's width.
    const int avant = controle<QLabel>(w, "barreStatusPanneau1")->width();
    QVERIFY(avant >= 300);
    QVERIFY(controle<QLabel>(w, "barreStatusPanneau1")->geometry().right() >
            w.statusBar()->width() - 40);
    w.resize(w.width() + 100, w.height());
    QTRY_COMPARE(controle<QLabel>(w, "barreStatusPanneau1")->width(), avant + 100);
    QCOMPARE(controle<QLabel>(w, "barreStatusPanneau0")->width(), 80);
}

void TestFenetre::touchesDeFonctionMortesSansAnalyse() {
    Fenetre f;
    TForm1& w = f.form;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    for (Qt::Key k : {Qt::Key_F3, Qt::Key_F4, Qt::Key_F7, Qt::Key_F10, Qt::Key_F11}) {
        QTest::keyClick(&w, k);
        QCOMPARE(controle<QTabWidget>(w, "PageControl1")->currentIndex(), 0);
    }
    // The same key works once an analysis is shown.
    w.montrerAnalyse(true);
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(controle<QTabWidget>(w, "PageControl1")->currentIndex(), 2);
    w.montrerAnalyse(false);
    controle<QTabWidget>(w, "PageControl1")->setCurrentIndex(0);
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(controle<QTabWidget>(w, "PageControl1")->currentIndex(), 0);
    w.close();
}

void TestFenetre::ligneDeStatutEtHorloge() {
    Fenetre f;
    TForm1& w = f.form;
    QTime maintenant(14, 5, 9);
    w.horloge = [&] { return maintenant; };
    controle<QLabel>(w, "barreStatusPanneau0")->setText(QStringLiteral("14:05:00"));
    w.afficherStatut(QStringLiteral("premier"));
    QCOMPARE(f.statut(), QStringLiteral("premier [14:05:00]"));
    QCOMPARE(controle<QLabel>(w, "barreStatusPanneau0")->text(), QStringLiteral("14:05:09"));
    w.afficherStatut(QStringLiteral("second"));
    QCOMPARE(f.statut(), QStringLiteral("second [14:05:09]"));
    // The clock ticks into panel 0 only.
    maintenant = QTime(14, 6, 0);
    QTRY_COMPARE_WITH_TIMEOUT(controle<QLabel>(w, "barreStatusPanneau0")->text(),
                              QStringLiteral("14:06:00"), 3000);
    QCOMPARE(f.statut(), QStringLiteral("second [14:05:09]"));
    w.afficherStatut(QStringLiteral("apr\u00e8s"));
    QCOMPARE(f.statut(), QStringLiteral("apr\u00e8s [14:06:00]"));
}

void TestFenetre::aPropos() {
    Fenetre f;
    controle<QAction>(f.form, "menuApropos")->trigger();
    QCOMPARE(f.form.boites.informations.size(), 1);
    const QStringList lignes = f.form.boites.informations[0].split(QStringLiteral("\n\r"));
    QCOMPARE(lignes.size(), 4);
    QCOMPARE(lignes[0], QStringLiteral("Projet Kestrane - Kestrane"));
    QVERIFY(lignes[1].startsWith(QStringLiteral("R\u00e9alis\u00e9 par ")));
    QVERIFY(lignes[2].contains(QStringLiteral(" - ")));
    QVERIFY(lignes[3].contains(QLatin1Char('1')));
}

void TestFenetre::airDeSortieAlaFermetureEtParQuitter() {
    std::vector<std::pair<int, int>> air;
    for (int fr = 900; fr >= 100; fr -= 60) air.emplace_back(fr, 5);
    QCOMPARE(air.size(), std::size_t{14});
    const struct {
        const char* facon;
        void (*quitter)(TForm1&);
    } facons[] = {
        {"fermeture", [](TForm1& w) { QVERIFY(w.close()); }},  // closing is never refused
        {"&Quitter", [](TForm1& w) { controle<QAction>(w, "menuQuitter")->trigger(); }},
        {"Ctrl+Q", [](TForm1& w) { QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier); }},
    };
    for (const auto& [facon, quitter] : facons) {
        Fenetre f;
        f.form.show();
        f.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.form));
        quitter(f.form);
        QVERIFY2(f.bip.bips == air, facon);
        QVERIFY2(f.fins == 1, facon);
        f.form.close();  // the event loop's end closes the window: no second tune
        QVERIFY2(f.bip.bips == air, facon);
        QVERIFY2(f.fins == 1, facon);
    }
}

void TestFenetre::chargementAnnuleEchoueOuReussi() {
    Fenetre f;
    TForm1& w = f.form;
    const QString bon = dossier_.ecrire(QStringLiteral("acc\u00e8s.log"), "a\nb\r\nc");
    w.montrerAnalyse(true);
    controle<QTabWidget>(w, "PageControl1")->setCurrentIndex(2);

    w.dialogOuvrir.repondreProchaineFois(std::nullopt);
    QTest::mouseClick(controle<QPushButton>(w, "btCharger"), Qt::LeftButton);
    QCOMPARE(f.message(), QStringLiteral("Chargement - annul\u00e9e !"));
    QCOMPARE(w.dialogOuvrir.titre(), QStringLiteral("Ouverture d'un fichier journal - Kestrane"));
    QCOMPARE(w.dialogOuvrir.filtre(),
             QStringLiteral("Fichier Log|*.log|Fichier Texte|*.txt|Journaux compress\u00e9s|*.gz|"
                            "Tous les fichiers|*"));
    QCOMPARE(
        DialogueFichier::filtresQt(w.dialogOuvrir.filtre()),
        (QStringList{"Fichier Log (*.log)", "Fichier Texte (*.txt)",
                     QStringLiteral("Journaux compress\u00e9s (*.gz)"), "Tous les fichiers (*)"}));
    QVERIFY(controle<QTabWidget>(w, "PageControl1")->isTabVisible(2));

    w.dialogOuvrir.repondreProchaineFois(bon);
    QTest::mouseClick(controle<QPushButton>(w, "btCharger"), Qt::LeftButton);
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(f.message(), QStringLiteral("Chargement du fichier journal : ") + bon);
    QCOMPARE(controle<QLabel>(w, "lbNbLignes")->text(), QStringLiteral("3 lignes"));
    QCOMPARE(controle<VueTexte>(w, "Memo1")->nbLignes(), std::size_t{3});
    QCOMPARE(controle<VueTexte>(w, "Memo1")->texteLigne(2), QStringLiteral("c"));
    QCOMPARE(controle<QTabWidget>(w, "PageControl1")->currentIndex(), 0);
    QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(1));
    QVERIFY(!controle<QTabWidget>(w, "PageControl1")->isTabVisible(2));
    QVERIFY(!controle<QMenu>(w, "menuStatistiques")->menuAction()->isVisible());

    const QString absent = dossier_.chemin(QStringLiteral("absent.log"));
    QCOMPARE(w.dialogOuvrir.nomFichier(), bon);  // the dialog offers the last name again
    w.dialogOuvrir.repondreProchaineFois(absent);
    controle<QAction>(w, "menuChargerJournal")->trigger();
    QCOMPARE(w.boites.erreurs,
             QStringList{QStringLiteral("Impossible d'ouvrir le fichier \"") + absent +
                         QStringLiteral("\". ") + QStringLiteral("Fichier ou dossier introuvable") +
                         QLatin1Char('.')});
    QCOMPARE(f.message(), QStringLiteral("Demande de chargement..."));
    QCOMPARE(w.dialogOuvrir.nomFichier(), absent);
    QCOMPARE(controle<QLabel>(w, "lbNbLignes")->text(), QStringLiteral("3 lignes"));
    QCOMPARE(w.journal().nbLignes(), std::size_t{3});

    w.dialogOuvrir.repondreProchaineFois(dossier_.ecrire(QStringLiteral("vide.log"), ""));
    controle<QAction>(w, "menuChargerJournal")->trigger();
    QCOMPARE(controle<QLabel>(w, "lbNbLignes")->text(), QStringLiteral("0 ligne"));
    QCOMPARE(controle<VueTexte>(w, "Memo1")->nbLignes(), std::size_t{0});
}

void TestFenetre::enregistrementAllerRetour_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("attendu");
    QTest::newRow("LF") << QByteArray("un\ndeux\ntrois\n") << QByteArray("un\r\ndeux\r\ntrois\r\n");
    QTest::newRow("LF sans fin") << QByteArray("un\ndeux\ntrois")
                                 << QByteArray("un\r\ndeux\r\ntrois");
    QTest::newRow("CR") << QByteArray("un\rdeux\r") << QByteArray("un\r\ndeux\r\n");
    QTest::newRow("CR sans fin") << QByteArray("un\r\rdeux") << QByteArray("un\r\n\r\ndeux");
    QTest::newRow("CRLF") << QByteArray("un\r\ndeux\r\n") << QByteArray("un\r\ndeux\r\n");
    QTest::newRow("CRLF sans fin") << QByteArray("un\r\ndeux") << QByteArray("un\r\ndeux");
    QTest::newRow("NUL") << QByteArray("a\0b\nc\0\0\n", 9) << QByteArray("a\0b\r\nc\0\0\r\n", 11);
    QTest::newRow("vide") << QByteArray() << QByteArray();
}

void TestFenetre::enregistrementAllerRetour() {
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, attendu);
    Fenetre f;
    TForm1& w = f.form;
    w.dialogOuvrir.repondreProchaineFois(dossier_.ecrire(QStringLiteral("source.log"), source));
    controle<QPushButton>(w, "btCharger")->click();
    const QString cible = dossier_.chemin(QStringLiteral("copie.log"));
    w.dialogEnregistrer.repondreProchaineFois(cible);
    controle<QPushButton>(w, "btEnregistrerSous")->click();
    QCOMPARE(w.boites.erreurs, QStringList{});
    QCOMPARE(lire(cible), attendu);
    QCOMPARE(f.message(), QStringLiteral("Enregistr\u00e9 sous : ") + cible);
    QCOMPARE(w.dialogEnregistrer.titre(),
             QStringLiteral("Enregistrer le journal sous... - Kestrane"));
}

void TestFenetre::enregistrementSurLeFichierCharge() {
    Fenetre f;
    TForm1& w = f.form;
    QByteArray source;
    for (int k = 0; k < 5000; ++k) source += "10.0.0.1 ligne " + QByteArray::number(k) + "\n";
    const QString chemin = dossier_.ecrire(QStringLiteral("journal.log"), source);
    w.dialogOuvrir.repondreProchaineFois(chemin);
    controle<QPushButton>(w, "btCharger")->click();
    w.dialogEnregistrer.repondreProchaineFois(chemin);
    controle<QPushButton>(w, "btEnregistrerSous")->click();
    QCOMPARE(w.boites.erreurs, QStringList{});
    QByteArray attendu = source;
    attendu.replace("\n", "\r\n");
    QCOMPARE(lire(chemin), attendu);
    QCOMPARE(controle<VueTexte>(w, "Memo1")->texteLigne(4999),
             QStringLiteral("10.0.0.1 ligne 4999"));
}

void TestFenetre::nomsDExportation() {
    Fenetre f;
    TForm1& w = f.form;
    const QString rapport = dossier_.chemin(QStringLiteral("rapport"));
    w.dialogEnregistrer.repondreProchaineFois(rapport);
    controle<QPushButton>(w, "btExporter")->click();
    QVERIFY(QFile::exists(rapport + QStringLiteral(".txt")));
    QVERIFY(!QFile::exists(rapport));
    QCOMPARE(lire(rapport + QStringLiteral(".txt")), QByteArray());
    QCOMPARE(f.message(), QStringLiteral("R\u00e9sultat export\u00e9 sous : ") + rapport +
                              QStringLiteral(".txt"));
    QCOMPARE(w.dialogEnregistrer.filtre(), QStringLiteral("Fichier Texte|*.txt"));
    QCOMPARE(w.dialogEnregistrer.titre(), QStringLiteral("Exportation de l'Analyse - Kestrane"));

    w.dialogEnregistrer.repondreProchaineFois(rapport + QStringLiteral(".txt"));
    controle<QAction>(w, "menuExporterAnalyse")->trigger();
    QVERIFY(QFile::exists(rapport + QStringLiteral(".txt.txt")));
    QCOMPARE(f.message(), QStringLiteral("R\u00e9sultat export\u00e9 sous : ") + rapport +
                              QStringLiteral(".txt.txt"));
    QCOMPARE(w.boites.erreurs, QStringList{});
}

void TestFenetre::annulationsEnregistrementEtExportation() {
    Fenetre f;
    TForm1& w = f.form;
    w.dialogEnregistrer.repondreProchaineFois(std::nullopt);
    controle<QPushButton>(w, "btEnregistrerSous")->click();
    QCOMPARE(f.message(), QStringLiteral("Enregistrement - annul\u00e9e !"));
    w.dialogEnregistrer.repondreProchaineFois(std::nullopt);
    controle<QPushButton>(w, "btExporter")->click();
    QCOMPARE(f.message(), QStringLiteral("Demande d'exportation - annul\u00e9e !"));
    QCOMPARE(QDir(dossier_.racine()).entryList(QDir::Files).size(), 0);
}

void TestFenetre::chargerCeQuiNEstPasUnFichier() {
    Fenetre f;
    TForm1& w = f.form;
    const QString tube = dossier_.chemin(QStringLiteral("tube.log"));
    QVERIFY(::mkfifo(QFile::encodeName(tube).constData(), 0600) == 0);
    for (const QString& chemin : {tube, QStringLiteral("/dev/zero"), dossier_.racine()}) {
        w.boites.erreurs.clear();
        w.dialogOuvrir.repondreProchaineFois(chemin);
        controle<QPushButton>(w, "btCharger")->click();
        QCOMPARE(w.boites.erreurs,
                 QStringList{QStringLiteral("Impossible d'ouvrir le fichier \"") + chemin +
                             QStringLiteral("\". Ce n'est pas un fichier "
                                            "ordinaire.")});
        QCOMPARE(f.message(), QStringLiteral("Demande de chargement..."));
    }
    // Nor is one written into.
    w.boites.erreurs.clear();
    w.dialogEnregistrer.repondreProchaineFois(tube);
    controle<QPushButton>(w, "btEnregistrerSous")->click();
    QCOMPARE(w.boites.erreurs.size(), 1);
    QVERIFY(w.boites.erreurs[0].endsWith(QStringLiteral("Ce n'est pas un fichier ordinaire.")));
}

void TestFenetre::leJournalNeDependPlusDuFichier() {
    // The log rotated by copy-then-truncate after the load: the analysis and a save are those of
    // what was loaded.
    QByteArray texte;
    for (int k = 0; k < 300; ++k) {
        texte += "10.0.0." + QByteArray::number(k % 9) +
                 " - - [08/Oct/2005:10:00:00 +0100] \"GET /p" + QByteArray::number(k % 13) +
                 ".html HTTP/1.1\" 200 " + QByteArray::number(k) + " \"-\" \"Mozilla/5.0 (X11)\"\n";
    }
    const QString temoin = dossier_.ecrire(QStringLiteral("temoin.log"), texte);
    const QString tourne = dossier_.ecrire(QStringLiteral("tourne.log"), texte);
    const auto analyserEtEnregistrer = [&](const QString& chemin, bool tronquer) {
        Fenetre f;
        TForm1& w = f.form;
        w.dialogOuvrir.repondreProchaineFois(chemin);
        controle<QPushButton>(w, "btCharger")->click();
        if (tronquer) QFile::resize(chemin, 0);
        controle<QPushButton>(w, "btAnalyser")->click();
        const QString copie = chemin + QStringLiteral(".copie");
        w.dialogEnregistrer.repondreProchaineFois(copie);
        controle<QPushButton>(w, "btEnregistrerSous")->click();
        QFile c(copie);
        c.open(QIODevice::ReadOnly);
        return std::make_tuple(w.boites.erreurs, controle<VueTexte>(w, "RichEdit1")->texteLigne(2),
                               controle<VueTexte>(w, "RichEdit1")->nbLignes(), c.readAll());
    };
    const auto attendu = analyserEtEnregistrer(temoin, false);
    const auto obtenu = analyserEtEnregistrer(tourne, true);
    QCOMPARE(std::get<0>(obtenu), QStringList{});
    QCOMPARE(std::get<1>(obtenu), QStringLiteral("Adresse IP      : 10.0.0.0"));
    QCOMPARE(std::get<2>(obtenu), std::get<2>(attendu));
    QCOMPARE(std::get<3>(obtenu).size(), texte.size() + 300);
    QCOMPARE(std::get<3>(obtenu), std::get<3>(attendu));
    QCOMPARE(QFileInfo(tourne).size(), 0);
}

void TestFenetre::enregistrementImpossibleGardeLOriginal() {
    Fenetre f;
    TForm1& w = f.form;
    w.dialogOuvrir.repondreProchaineFois(dossier_.ecrire(QStringLiteral("a.log"), "x\ny\n"));
    controle<QPushButton>(w, "btCharger")->click();
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        w.dialogEnregistrer.repondreProchaineFois(QStringLiteral("/dev/full"));
        controle<QPushButton>(w, "btEnregistrerSous")->click();
        QCOMPARE(w.boites.erreurs.size(), 1);
        QCOMPARE(w.boites.erreurs[0],
                 QStringLiteral("Impossible de cr\u00e9er le fichier \"/dev/full\". Ce n'est pas "
                                "un fichier ordinaire."));
        QCOMPARE(f.message(), QStringLiteral("Demande d'enregistrement sous..."));
    }
    // A folder that turns read-only: the save fails and the former file stays whole.
    const QString monte = dossier_.chemin(QStringLiteral("monte"));
    QDir().mkpath(monte);
    const QByteArray point = QFile::encodeName(monte);
    if (::mount("tmpfs", point.constData(), "tmpfs", 0, "size=64k") != 0) {
        QSKIP("cannot mount a tmpfs here");
    }
    const QString cible = monte + QStringLiteral("/ancien.log");
    {
        QFile a(cible);
        QVERIFY(a.open(QIODevice::WriteOnly));
        a.write("ancien contenu\r\n");
    }
    QVERIFY(::mount(nullptr, point.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
    w.boites.erreurs.clear();
    w.dialogEnregistrer.repondreProchaineFois(cible);
    controle<QPushButton>(w, "btEnregistrerSous")->click();
    QCOMPARE(w.boites.erreurs.size(), 1);
    QVERIFY(w.boites.erreurs[0].startsWith(
        QStringLiteral("Impossible de cr\u00e9er le fichier \"") + cible + QStringLiteral("\". ")));
    QCOMPARE(lire(cible), QByteArray("ancien contenu\r\n"));
    ::umount2(point.constData(), MNT_DETACH);
}

void TestFenetre::ouvertureEnLigneDeCommande() {
    Fenetre f;
    TForm1& w = f.form;
    const QString chemin = dossier_.ecrire(QStringLiteral("access.log"), "1\n2\n");
    w.show();
    w.ouvrirAuDemarrage(chemin);
    QCOMPARE(controle<QLabel>(w, "lbNbLignes")->text(), QStringLiteral("2 lignes"));
    QCOMPARE(w.dialogOuvrir.nomFichier(), chemin);
    QCOMPARE(f.message(), QStringLiteral("Chargement du fichier journal : ") + chemin);

    Fenetre g;
    g.form.show();
    g.form.ouvrirAuDemarrage(dossier_.chemin(QStringLiteral("nulle-part.log")));
    QCOMPARE(g.form.boites.erreurs.size(), 1);
    QVERIFY(g.form.isVisible());
    QVERIFY(g.bip.bips.empty());
}

void TestFenetre::nomFichierDeChemins() {
    QCOMPARE(nomFichier(QStringLiteral("/var/log/apache2/access.log")),
             QStringLiteral("access.log"));
    QCOMPARE(nomFichier(QStringLiteral("D:\\logs\\access.log")), QStringLiteral("access.log"));
    QCOMPARE(nomFichier(QStringLiteral("access.log")), QStringLiteral("access.log"));
    QCOMPARE(nomFichier(QStringLiteral("/var/log/")), QString());
    QCOMPARE(nomFichier(QStringLiteral("C:\\a/b\\c.log")), QStringLiteral("c.log"));
}

KESTRANE_TEST_UI(TestFenetre);
