#include "tests/ui/test_export_rapport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QtTest>

#include "tests/commun/Controles.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/fenetre/UFormPrincipale.h"
#include "ui/vues/GrilleRapportQt.h"
#include "ui/vues/Texte1252.h"

using namespace kestrane;
using kestrane::tests::Fenetre;

namespace {

// The report grids in the order of the report's tables.
const char* const kGrilles[] = {
    "tableauRapportAdressesIP",    "tableauRapportOS",
    "tableauRapportNav",           "tableauRapportPrecedent",
    "tableauRapportFichierCharge", "tableauRapportTauxChargement",
    "tableauRapportTranches",      "tableauRapportRequetes",
};

using Lignes = QList<QStringList>;

Lignes lignesDeLaGrille(const TForm1& w, const char* nom) {
    const auto* g = controle<GrilleRapportQt>(w, nom);
    Lignes r;
    for (int l = 0; l < g->nbLignes(); ++l) {
        r << QStringList{depuis1252(g->cellule(0, l)), depuis1252(g->cellule(1, l))};
    }
    return r;
}

QString sansEntites(QString s) {
    s.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
        .replace(QStringLiteral("&#39;"), QStringLiteral("'"))
        .replace(QStringLiteral("&#xFFFD;"), QString(QChar(0xFFFD)))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return s;
}

// The rows without the column of shares, which the report adds to the grids' columns.
Lignes sansParts(Lignes lignes) {
    const qsizetype p = lignes.isEmpty() ? -1 : lignes[0].indexOf(QStringLiteral("Part"));
    if (p < 0) return lignes;
    for (QStringList& l : lignes) {
        if (p < l.size()) l.removeAt(p);
    }
    return lignes;
}

// The header and body rows of section `k` of the page, the folded part included (a body row is a
// line, its cells closed by the next one).
Lignes lignesDuHtml(const QString& html, int k) {
    const QString debut = QStringLiteral("<section id=\"table-%1\">").arg(k);
    const qsizetype d = html.indexOf(debut);
    if (d < 0) return {};
    const QString section = html.mid(d, html.indexOf(QStringLiteral("</section>"), d) - d);
    static const QRegularExpression ligne(QStringLiteral("<tr>(.*?)(?:</tr>|\\n)"));
    static const QRegularExpression cellule(
        QStringLiteral("<t[hd]([^>]*)>(.*?)(?=</t[hd]>|<td[ >]|$)"));
    // The page writes whole numbers in groups of three digits; the grids, as counted.
    static const QRegularExpression groupes(QStringLiteral("^-?\\d{1,3}( \\d{3})+$"));
    Lignes r;
    bool entete = false;
    for (auto it = ligne.globalMatch(section); it.hasNext();) {
        const QString contenu = it.next().captured(1);
        // The header is repeated above the folded part: kept once, as the grid's row 0.
        if (contenu.startsWith(QStringLiteral("<th"))) {
            if (entete) continue;
            entete = true;
        }
        QStringList cellules;
        for (auto c = cellule.globalMatch(contenu); c.hasNext();) {
            const auto m = c.next();
            QString texte = sansEntites(m.captured(2));
            // The numbers' columns are styled from their table: every count in groups.
            if (groupes.match(texte).hasMatch()) {
                texte.remove(QLatin1Char(' '));
            }
            cellules << texte;
        }
        r << cellules;
    }
    return sansParts(r);
}

// A reader of the CSV tables: BOM, ';', quoted cells with doubled quotes, CRLF.
Lignes lireCsv(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray octets = f.readAll();
    if (!octets.startsWith("\xEF\xBB\xBF")) return {};
    const QString texte = QString::fromUtf8(octets.mid(3));
    Lignes r{{}};
    QString c;
    bool guillemets = false;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar x = texte[i];
        if (guillemets) {
            if (x == u'"' && i + 1 < texte.size() && texte[i + 1] == u'"') {
                c += x;
                ++i;
            } else if (x == u'"') {
                guillemets = false;
            } else {
                c += x;
            }
        } else if (x == u'"') {
            guillemets = true;
        } else if (x == u';') {
            r.last() << c;
            c.clear();
        } else if (x == u'\r' && i + 1 < texte.size() && texte[i + 1] == u'\n') {
            r.last() << c;
            c.clear();
            r << QStringList{};
            ++i;
        } else {
            c += x;
        }
    }
    if (r.last().isEmpty()) r.removeLast();
    return r;
}

void analyserEchantillon(TForm1& w) {
    kestrane::tests::charger(w, QStringLiteral(KESTRANE_ACCES_5000));
    kestrane::tests::analyser(w);
}

}  // namespace

void TestExportRapport::init() {
    dossier_.renouveler();
    QVERIFY(dossier_.valide());
}

void TestExportRapport::elementDuMenu() {
    Fenetre f;
    auto* menu = controle<QMenu>(f.form, "menuFichier");
    auto* item = controle<QAction>(f.form, "menuExporterRapport");
    QCOMPARE(item->text(), QStringLiteral("Exporter le &rapport..."));
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.indexOf(item),
             actions.indexOf(controle<QAction>(f.form, "menuExporterAnalyse")) + 1);
    // Before any analysis there is nothing to export, and the dialog is not shown.
    f.form.dialogExporterRapport.repondreProchaineFois(dossier_.chemin(QStringLiteral("r")));
    item->trigger();
    QCOMPARE(f.message(), QStringLiteral("Pas d'analyse \u00e0 exporter"));
    QVERIFY(QDir(dossier_.racine()).isEmpty());
}

void TestExportRapport::tablesDuHtmlEgalesAuxGrilles_data() {
    QTest::addColumn<bool>("fenetre");
    QTest::newRow("ligne de commande") << false;
    QTest::newRow("fen\u00eatre") << true;
}

void TestExportRapport::tablesDuHtmlEgalesAuxGrilles() {
    QFETCH(bool, fenetre);
    Fenetre f;
    analyserEchantillon(f.form);
    const QString chemin = dossier_.chemin(QStringLiteral("rapport.html"));
    if (fenetre) {
        f.form.dialogExporterRapport.repondreProchaineFois(
            dossier_.chemin(QStringLiteral("rapport")));
        f.form.dialogExporterRapport.choisirFiltre(0);
        controle<QAction>(f.form, "menuExporterRapport")->trigger();
        QCOMPARE(f.message(), QStringLiteral("Rapport export\u00e9 sous : ") + chemin);
    } else {
        QProcess p;
        p.start(QStringLiteral(KESTRANE_BINAIRE),
                {QStringLiteral("--resultats-bruts"), QStringLiteral("--rapport"), chemin,
                 QStringLiteral(KESTRANE_ACCES_5000)});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardError().isEmpty());
    }
    QFile page(chemin);
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QVERIFY(
        html.contains(QStringLiteral("<h1>Rapport d&#39;analyse du fichier acces-5000.log</h1>")));
    for (int k = 0; k < 8; ++k) {
        const Lignes grille = lignesDeLaGrille(f.form, kGrilles[k]);
        QVERIFY2(grille.size() >= 2, kGrilles[k]);  // the header and one entry at least
        QCOMPARE(lignesDuHtml(html, k + 1), grille);
    }
}

void TestExportRapport::tablesCsvEgalesAuxGrilles() {
    Fenetre f;
    analyserEchantillon(f.form);
    const QString chemin = dossier_.chemin(QStringLiteral("tables"));
    f.form.dialogExporterRapport.repondreProchaineFois(chemin);
    f.form.dialogExporterRapport.choisirFiltre(1);
    controle<QAction>(f.form, "menuExporterRapport")->trigger();
    QCOMPARE(f.message(), QStringLiteral("Tables export\u00e9es dans : ") + chemin);
    const char* const fichiers[] = {
        "adresses-ip.csv",      "systemes.csv",        "navigateurs-robots.csv", "provenances.csv",
        "fichiers-charges.csv", "taux-chargement.csv", "tranches-horaires.csv",  "requetes.csv",
    };
    // The tables and the overview's figures (resume.csv).
    QCOMPARE(QDir(chemin).entryList(QDir::Files).size(), 9);
    int gardees = 0;
    for (int k = 0; k < 8; ++k) {
        // The keys a spreadsheet would run as formulas come with an apostrophe before them.
        Lignes attendues = lignesDeLaGrille(f.form, kGrilles[k]);
        for (QStringList& l : attendues) {
            const QString& cle = l[0];
            if (cle.startsWith(u'=') || cle.startsWith(u'+') || cle.startsWith(u'@') ||
                (cle.startsWith(u'-') && cle.size() > 1)) {
                l[0].prepend(u'\'');
                ++gardees;
            }
        }
        QCOMPARE(sansParts(lireCsv(QDir(chemin).filePath(QString::fromLatin1(fichiers[k])))),
                 attendues);
    }
    QVERIFY(gardees > 0);  // the sample has such keys: the rule is exercised
}

void TestExportRapport::grapheDesAdressesAuDernierNombre() {
    // The addresses chart of the page has the number of bars the window's chart has: the last
    // whole number of its box, whatever the box holds at the export.
    Fenetre f;
    analyserEchantillon(f.form);
    auto* nombre = controle<QLineEdit>(f.form, "editAdressesIP_Param");
    nombre->setText(QStringLiteral("7"));
    nombre->clear();
    const QString chemin = dossier_.chemin(QStringLiteral("rapport.html"));
    f.form.dialogExporterRapport.repondreProchaineFois(chemin);
    f.form.dialogExporterRapport.choisirFiltre(0);
    controle<QAction>(f.form, "menuExporterRapport")->trigger();
    QCOMPARE(f.form.boites.erreurs, QStringList{});
    QFile fichier(chemin);
    QVERIFY(fichier.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(fichier.readAll());
    const qsizetype debut = html.indexOf(QStringLiteral("<section id=\"table-1\">"));
    const qsizetype fin = html.indexOf(QStringLiteral("</svg>"), debut);
    QVERIFY(debut >= 0 && fin > debut);
    QCOMPARE(html.mid(debut, fin - debut).count(QStringLiteral("<rect ")), 7);
}

void TestExportRapport::complementsSelonLaPage_data() {
    QTest::addColumn<bool>("page");
    QTest::newRow("page affich\u00e9e") << true;
    QTest::newRow("page cach\u00e9e") << false;
}

void TestExportRapport::complementsSelonLaPage() {
    QFETCH(bool, page);
    Fenetre f;
    auto* item = controle<QAction>(f.form, "menuAfficherComplements");
    if (item->isChecked() != page) item->trigger();
    analyserEchantillon(f.form);
    const QString chemin = dossier_.chemin(QStringLiteral("rapport.html"));
    f.form.dialogExporterRapport.repondreProchaineFois(chemin);
    f.form.dialogExporterRapport.choisirFiltre(0);
    controle<QAction>(f.form, "menuExporterRapport")->trigger();
    QFile fichier(chemin);
    QVERIFY(fichier.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(fichier.readAll());
    // With the page: its four tables and the audience's seven, and the chart of the days (the
    // overview is a section too).
    QCOMPARE(html.count(QStringLiteral("<section id=")), page ? 20 : 8);
    QCOMPARE(html.count(QStringLiteral("<section id=\"activite\">")), page ? 1 : 0);
    QCOMPARE(html.count(QStringLiteral("<section class=\"apercu\"")), 1);
    if (!page) return;
    // The status codes in the page's order, their counts as numbers.
    const QAbstractItemModel* codes =
        controle<QTableView>(f.form, "tableauComplementsCodes")->model();
    const Lignes lignes = lignesDuHtml(html, 9);
    QCOMPARE(lignes.size(), codes->rowCount() + 1);
    for (int l = 0; l < codes->rowCount(); ++l) {
        QCOMPARE(lignes[l + 1][0], codes->index(l, 0).data().toString());
        QCOMPARE(lignes[l + 1][1], codes->index(l, 1).data().toString().remove(
                                       QRegularExpression(QStringLiteral("\\s"))));
    }
    // The referring sites as their grid shows them.
    const QAbstractItemModel* sites =
        controle<QTableView>(f.form, "tableauComplementsSites")->model();
    const Lignes lignesSites = lignesDuHtml(html, 14);
    QCOMPARE(lignesSites.size(), sites->rowCount() + 1);
    for (int l = 0; l < sites->rowCount(); ++l) {
        QCOMPARE(lignesSites[l + 1][0], sites->index(l, 0).data().toString());
        QCOMPARE(lignesSites[l + 1][1], sites->index(l, 1).data().toString().remove(
                                            QRegularExpression(QStringLiteral("\\s"))));
    }
}

KESTRANE_TEST_UI(TestExportRapport);
