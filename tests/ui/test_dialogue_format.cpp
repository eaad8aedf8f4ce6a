#include "tests/ui/test_dialogue_format.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include "tests/commun/GrillesComplements.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;
using test::tableau;
using namespace kestrane::tests;

namespace {

const std::vector<std::string> kNginxHote = {
    "www.a.fr 10.0.0.1 - - [10/Jan/2024:10:00:00 +0100] \"GET /a HTTP/1.1\" 200 10 \"-\" \"x\"",
    "www.b.fr 10.0.0.2 - - [10/Jan/2024:10:00:01 +0100] \"GET /b HTTP/1.1\" 404 20 \"-\" \"y\"",
    "10.0.0.3 - - [10/Jan/2024:10:00:02 +0100] \"GET /c HTTP/1.1\" 200 30 \"-\" \"z\"",
    "www.a.fr 10.0.0.4 - - [10/Jan/2024:10:00:03 +0100] \"GET /d HTTP/1.1\" 200 40 \"-\" \"x\"",
};

const std::vector<std::string> kCommun = {
    "10.0.0.1 - - [10/Jan/2024:10:00:00 +0100] \"GET /a HTTP/1.1\" 200 10",
    "10.0.0.2 - - [10/Jan/2024:11:00:00 +0100] \"GET /b HTTP/1.1\" 404 20",
    "10.0.0.3 - - [10/Jan/2024:12:00:00 +0100] \"GET /c HTTP/1.1\" 200 30",
};

QDialog* ouvrirDialogue(TForm1& w) {
    controle<QAction>(w, "menuFormatJournal")->trigger();
    auto* d = controle<QDialog>(w, "dialogueFormat");
    return d;
}

void choisirRang(QDialog& d, int rang) {
    controle<QListWidget>(d, "listeFormats")->setCurrentRow(rang);
}

void valider(QDialog& d) {
    QTest::mouseClick(controle<QDialogButtonBox>(d, "boutonsFormat")->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
}

// The page's grid named `nom`: the table view is named, its frame holds the rows as shown.
QString cellule(const QTableWidget& g, int ligne, int colonne) {
    const QTableWidgetItem* i = g.item(ligne, colonne);
    return i ? i->text() : QStringLiteral("<vide>");
}

}  // namespace

void TestDialogueFormat::init() {
    dossier_.renouveler();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

void TestDialogueFormat::cleanup() {
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

void TestDialogueFormat::apercuDecoupeEtLigneEnRouge_data() {
    QTest::addColumn<int>("rang");  // in the list
    QTest::addColumn<QString>("chaine");
    QTest::addColumn<int>("rouge");  // the row of the line that does not read
    QTest::addColumn<QString>("raisonDebut");
    // nginx, host first: the third line has no host; read by the same string pasted as custom.
    QTest::newRow("nginx-hote") << 4 << QString() << 2 << QStringLiteral("'");
    QTest::newRow("chaine nginx")
        << 8
        << QStringLiteral(
               "$host $remote_addr - $remote_user [$time_local] \"$request\" $status "
               "$body_bytes_sent \"$http_referer\" \"$http_user_agent\"")
        << 2 << QString();
    // Automatique picks the same format, and says so.
    QTest::newRow("auto") << 1 << QString() << 2 << QString();
}

void TestDialogueFormat::apercuDecoupeEtLigneEnRouge() {
    QFETCH(int, rang);
    QFETCH(QString, chaine);
    QFETCH(int, rouge);
    Fenetre f;
    charger(f.form, dossier_.ecrire("nginx.log", journal(kNginxHote)));
    QDialog* d = ouvrirDialogue(f.form);
    QVERIFY(d->isVisible());
    choisirRang(*d, rang);
    if (!chaine.isEmpty()) {
        auto* e = controle<QLineEdit>(*d, "editChaine");
        e->setText(chaine);
        emit e->textEdited(chaine);
    }
    const auto* g = controle<QTableWidget>(*d, "grilleApercu");
    QCOMPARE(g->rowCount(), 4);
    QCOMPARE(cellule(*g, 0, 1), QStringLiteral("10.0.0.1"));
    QCOMPARE(cellule(*g, 1, 3), QStringLiteral("GET /b HTTP/1.1"));
    QCOMPARE(cellule(*g, 1, 4), QStringLiteral("404"));
    QVERIFY(cellule(*g, 3, 9).contains(QStringLiteral("www.a.fr")));
    // The line that does not read: red, its reason then the line.
    const QTableWidgetItem* r = g->item(rouge, 1);
    QVERIFY(r);
    QCOMPARE(r->foreground().color(), QColor(0xb0, 0, 0));
    QVERIFY2(r->text().endsWith(QString::fromStdString(kNginxHote[std::size_t(rouge)])),
             qPrintable(r->text()));
    QVERIFY(g->item(0, 1)->foreground().color() != QColor(0xb0, 0, 0));
    if (rang == 1) {
        // Host first without a port: vhost_combined's second form, first in the list.
        QVERIFY(
            controle<QLabel>(*d, "etiquetteDetecte")->text().contains(QStringLiteral("virtuel")));
    }
    if (qEnvironmentVariableIsSet("KESTRANE_CAPTURE_FORMAT") && rang == 4) {
        d->grab().save(qEnvironmentVariable("KESTRANE_CAPTURE_FORMAT"));
    }
    d->reject();
}

void TestDialogueFormat::chaineIncorrecteRefuseeFormatInchange() {
    Fenetre f;
    charger(f.form, dossier_.ecrire("commun.log", journal(kCommun)));
    QDialog* d = ouvrirDialogue(f.form);
    choisirRang(*d, 2);  // Commun
    valider(*d);
    QVERIFY(!d->isVisible());
    d = ouvrirDialogue(f.form);
    auto* e = controle<QLineEdit>(*d, "editChaine");
    const QString mauvaise = QStringLiteral("%h %l %u %Z");
    e->setText(mauvaise);
    emit e->textEdited(mauvaise);
    valider(*d);
    // Refused: the dialog stays with the message; the format in use is still Commun.
    QVERIFY(d->isVisible());
    QCOMPARE(controle<QLabel>(*d, "etiquetteErreur")->text(),
             QStringLiteral("Format de journal incorrect : directive inconnue %Z (position 10)"));
    QCOMPARE(controle<QTableWidget>(*d, "grilleApercu")->rowCount(), 0);
    d->reject();
    analyser(f.form);
    QVERIFY2(f.message().endsWith(QStringLiteral("(format : Commun)")), qPrintable(f.message()));
    QCOMPARE(QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"))
                 .value(QStringLiteral("analyse/formatJournal"))
                 .toString(),
             QStringLiteral("commun"));
}

void TestDialogueFormat::choixAppliqueNommeEtRetenu() {
    const QString chemin = dossier_.ecrire("commun.log", journal(kCommun));
    {
        // With the default the status line is as it always was.
        Fenetre f;
        charger(f.form, chemin);
        analyser(f.form);
        QCOMPARE(f.message(), QStringLiteral("Analyse du fichier termin\u00e9e !"));
        QDialog* d = ouvrirDialogue(f.form);
        choisirRang(*d, 1);  // Automatique
        valider(*d);
        analyser(f.form);
        QCOMPARE(f.form.boites.erreurs, QStringList{});
        QVERIFY2(f.message().endsWith(QStringLiteral("(format : Commun, d\u00e9tect\u00e9)")),
                 qPrintable(f.message()));
    }
    // The next session analyses with the same choice; back to the default, the status line is as
    // it always was.
    Fenetre f;
    charger(f.form, chemin);
    analyser(f.form);
    QCOMPARE(f.form.boites.erreurs, QStringList{});
    QVERIFY(f.message().contains(QStringLiteral("d\u00e9tect\u00e9")));
    QDialog* d = ouvrirDialogue(f.form);
    QCOMPARE(controle<QListWidget>(*d, "listeFormats")->currentRow(), 1);
    choisirRang(*d, 0);
    valider(*d);
    charger(f.form, dossier_.ecrire("nginx.log", journal({kNginxHote[2], kNginxHote[2]})));
    analyser(f.form);
    QCOMPARE(f.message(), QStringLiteral("Analyse du fichier termin\u00e9e !"));
}

void TestDialogueFormat::complementsHotesEtTempsDeReponse() {
    const std::vector<std::string> lignes = {
        "a.fr 10.0.0.1 - - [10/Jan/2024:10:00:00 +0100] \"GET /lent HTTP/1.1\" 200 10 300000",
        "b.fr 10.0.0.2 - - [10/Jan/2024:10:00:01 +0100] \"GET /vite HTTP/1.1\" 200 20 1000",
        "a.fr 10.0.0.3 - - [10/Jan/2024:10:00:02 +0100] \"GET /lent HTTP/1.1\" 200 30 100000",
        "c.fr 10.0.0.4 - - [hier] \"GET /x HTTP/1.1\" 200 30 100000",
    };
    Fenetre f;
    charger(f.form, dossier_.ecrire("temps.log", journal(lignes)));
    QDialog* d = ouvrirDialogue(f.form);
    auto* e = controle<QLineEdit>(*d, "editChaine");
    const QString chaine = QStringLiteral("%v %h %l %u %t \"%r\" %>s %b %D");
    e->setText(chaine);
    emit e->textEdited(chaine);
    valider(*d);
    QVERIFY(!d->isVisible());
    controle<QAction>(f.form, "menuAfficherComplements")->trigger();
    controle<QAction>(f.form, "menuIgnorerLignes")->setChecked(true);
    analyser(f.form);
    QCOMPARE(f.form.boites.erreurs, QStringList{});
    // The line skipped names the site it was sent to; the summary ends with the times.
    controle<QAction>(f.form, "menuLignesIgnorees")->trigger();
    const QStringList liste =
        controle<QPlainTextEdit>(f.form, "texteLignesIgnorees")->toPlainText().split('\n');
    QCOMPARE(liste.value(1),
             QStringLiteral("Ligne\tRaison\tH\u00f4te virtuel\tD\u00e9but de la ligne"));
    QVERIFY2(liste.value(2).startsWith(QStringLiteral("4\t")) &&
                 liste.value(2).contains(QStringLiteral("\tc.fr\tc.fr 10.0.0.4")),
             qPrintable(liste.value(2)));
    const QStringList resume = controle<PageComplements>(f.form, "pageComplements")->resume();
    QCOMPARE(resume.mid(resume.size() - 2),
             (QStringList{QStringLiteral("Temps de r\u00e9ponse moyen : 133,666 ms"),
                          QStringLiteral("95e centile du temps de r\u00e9ponse : 300,000 ms")}));
    const auto* hotes = tableau(f.form, "tableauComplementsHotes");
    QCOMPARE(hotes->nbLignes(), 2);
    QCOMPARE(hotes->texte(0, 0), QStringLiteral("a.fr"));
    QCOMPARE(hotes->texte(0, 1), QStringLiteral("2"));
    QCOMPARE(hotes->texte(0, 2), QStringLiteral("40"));
    const auto* temps = tableau(f.form, "tableauComplementsTemps");
    QCOMPARE(temps->nbLignes(), 2);
    QCOMPARE(temps->texte(0, 0), QStringLiteral("/lent"));
    QCOMPARE(temps->texte(0, 2), QStringLiteral("200,000"));
    QCOMPARE(temps->texte(0, 3), QStringLiteral("200,000"));
    QCOMPARE(temps->texte(0, 5), QStringLiteral("300,000"));
    QCOMPARE(temps->texte(1, 2), QStringLiteral("1,000"));
    // The detail text: one line more per record, its virtual host.
    const VueTexte* detail = controle<VueTexte>(f.form, "RichEdit1");
    QCOMPARE(detail->nbLignes(), std::size_t{3 + 16 * 3});
    QCOMPARE(detail->texteLigne(2), QStringLiteral("Adresse IP      : 10.0.0.1"));
    QCOMPARE(detail->texteLigne(2 + 16 + 13), QStringLiteral("H\u00f4te virtuel    : b.fr"));
    QCOMPARE(detail->texteLigne(2 + 16 + 14), QStringLiteral("-").repeated(42));
    // Back to the default format: the sub-page goes.
    d = ouvrirDialogue(f.form);
    choisirRang(*d, 0);
    valider(*d);
    charger(f.form, dossier_.ecrire("defaut.log", journal({kNginxHote[2], kNginxHote[2]})));
    analyser(f.form);
    const auto* onglets = controle<QTabWidget>(f.form, "ongletsComplements");
    for (int k = 0; k < onglets->count(); ++k) {
        QVERIFY(onglets->widget(k)->objectName() != QStringLiteral("ongletComplementsEnPlus"));
    }
}

KESTRANE_TEST_UI(TestDialogueFormat);
