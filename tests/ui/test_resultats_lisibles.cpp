#include "tests/ui/test_resultats_lisibles.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPieSeries>
#include <QPieSlice>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QtTest>
#include <string>
#include <vector>

#include "core/lecture/ULog.h"
#include "tests/commun/Controles.h"
#include "tests/commun/OutilsFenetre.h"
#include "tests/ui/Registre.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/graphes/GraphesStat.h"
#include "ui/vues/GrilleRapportQt.h"
#include "ui/vues/SourceDetails.h"
#include "ui/vues/Texte1252.h"
#include "ui/vues/VueTexte.h"

using namespace kestrane;
using kestrane::tests::cellules;
using kestrane::tests::Fenetre;

namespace {

std::string ligne(const char* ip, const char* jour, const char* heure, const char* requete,
                  const char* octets, const char* agent) {
    return std::string(ip) + " - - [" + jour + "/Dec/2006:" + heure + " +0100] \"" + requete +
           "\" 200 " + octets + " \"-\" \"" + agent + "\"";
}

// The slices of a pie chart as drawn: "name : value", largest first, the gathered one last.
QStringList tranches(GrapheQt& g) {
    g.actualiser();
    QStringList libelles;
    for (QAbstractSeries* s : g.chart()->series()) {
        if (auto* camembert = qobject_cast<QPieSeries*>(s)) {
            for (const QPieSlice* t : camembert->slices()) libelles << t->label();
        }
    }
    return libelles;
}

}  // namespace

void TestResultatsLisibles::init() {
    dossier_.renouveler();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane")).clear();
}

void TestResultatsLisibles::elementDeMenu() {
    // Right after the option that skips lines, unchecked at first start, then remembered.
    for (const bool attendu : {false, true, false}) {
        Fenetre f;
        const QList<QAction*> outils = controle<QMenu>(f.form, "menuOutils")->actions();
        const auto k = outils.indexOf(controle<QAction>(f.form, "menuIgnorerLignes"));
        QVERIFY(k >= 0 && k + 1 < outils.size());
        QCOMPARE(outils[k + 1]->objectName(), QStringLiteral("menuResultatsLisibles"));
        QCOMPARE(outils[k + 1]->text(), QStringLiteral("R\u00e9sultats &lisibles"));
        QVERIFY(outils[k + 1]->isCheckable());
        QCOMPARE(outils[k + 1]->isChecked(), attendu);
        outils[k + 1]->trigger();
    }
}

void TestResultatsLisibles::pagesAvecEtSansOption() {
    const char* chrome =
        "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like "
        "Gecko) Chrome/42.0.2311.135 Safari/537.36";
    // Two days; curl comes first but Chrome makes more requests.
    const QString chemin = dossier_.ecrire(
        "j.log", tests::journal(
                     {ligne("10.0.0.1", "06", "03:00:00", "HEAD / HTTP/1.0", "812", "curl/7.29.0"),
                      ligne("10.0.0.2", "06", "03:10:00", "GET /a HTTP/1.1", "358400", chrome),
                      ligne("10.0.0.2", "07", "03:20:00", "DELETE /x HTTP/1.1", "0", chrome),
                      ligne("10.0.0.2", "07", "22:00:00", "GET /a HTTP/1.1", "1024", chrome)}));
    for (const bool lisibles : {false, true}) {
        Fenetre f;
        controle<QAction>(f.form, "menuResultatsLisibles")->setChecked(lisibles);
        tests::charger(f.form, chemin);
        tests::analyser(f.form);
        PageRapport& page = *pageRapport(f.form);
        GrapheQt& octets = *graphes(f.form).grapheStatTauxCharge;
        GrapheQt& horaires = *graphes(f.form).grapheStatHoraires;
        if (!lisibles) {
            // As before: first appearance, the parser's keys, plain bytes.
            QCOMPARE(cellules(f.form, "tableauRapportNav").front(),
                     QStringLiteral("curl/7.29.0|1"));
            QCOMPARE(cellules(f.form, "tableauRapportTauxChargement"),
                     (QStringList{"10.0.0.1|812", "10.0.0.2|359424"}));
            QVERIFY(controle<QGroupBox>(page, "boiteRapportRequetes")->isHidden());
            continue;
        }
        QCOMPARE(cellules(f.form, "tableauRapportNav"), (QStringList{"Chrome 42|3", "curl 7|1"}));
        QCOMPARE(cellules(f.form, "tableauRapportTauxChargement"),
                 (QStringList{"10.0.0.2|351,0 Ko", "10.0.0.1|812 octets"}));
        QCOMPARE(octets.texteBulle(1, 0), QStringLiteral("10.0.0.2\n359 424 octets"));
        // 24 slices in hour order, 3 lines at 03h over 2 days, in the grid and the chart.
        QCOMPARE(cellules(f.form, "tableauRapportTranches").value(3),
                 QStringLiteral("03 \u00e0 04|1,5"));
        QCOMPARE(horaires.nbPoints(0), 24);
        QCOMPARE(horaires.valeur(0, 22), 0.5);
        QVERIFY(!controle<QGroupBox>(page, "boiteRapportRequetes")->isHidden());
        // The sorts and the slice width work on the readable tables.
        controle<QRadioButton>(page, "radioRapportTauxCroissant")->click();
        QCOMPARE(cellules(f.form, "tableauRapportTauxChargement"),
                 (QStringList{"10.0.0.1|812 octets", "10.0.0.2|351,0 Ko"}));
        controle<QSpinBox>(page, "seRapportTrancheRecherche")->setValue(5);
        QCOMPARE(cellules(f.form, "tableauRapportTranches"),
                 (QStringList{"00 \u00e0 05|1,5", "05 \u00e0 10|0,0", "10 \u00e0 15|0,0",
                              "15 \u00e0 20|0,0", "20 \u00e0 24|0,5"}));
        QCOMPARE(horaires.nbPoints(0), 5);
    }
}

void TestResultatsLisibles::detailDesLignes() {
    // Names where the described text cuts by position; curl, whose system the catalogue does not
    // name; an agent without its closing quote.
    const struct {
        std::string ligne;
        const char* noms;
    } cas[] = {
        {ligne("10.0.0.1", "06", "03:00:00", "GET / HTTP/1.1", "1",
               "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_9_1) AppleWebKit/537.36 (KHTML, like "
               "Gecko) Chrome/32.0.1700.77 Safari/537.36"),
         "Chrome 32|Mac OS X 10"},
        {ligne("10.0.0.2", "06", "03:10:00", "GET /a HTTP/1.1", "1", "curl/7.29.0"),
         "curl 7|Inconnu"},
        {"10.0.0.3 - - [06/Dec/2006:04:00:00 +0100] \"GET /b HTTP/1.1\" 200 1 \"-\" "
         "\"Mozilla/5.0 (X11; Ubuntu; Linux x86_64; rv:37.0) Gecko/20100101 Firefox/37.0",
         "Firefox 37|Ubuntu"},
    };
    std::vector<std::string> lignes;
    for (const auto& c : cas) lignes.push_back(c.ligne);
    const QString chemin = dossier_.ecrire("j.log", tests::journal(lignes));
    for (const bool lisibles : {false, true}) {
        Fenetre f;
        controle<QAction>(f.form, "menuResultatsLisibles")->setChecked(lisibles);
        tests::charger(f.form, chemin);
        tests::analyser(f.form);
        const VueTexte& vue = *controle<VueTexte>(f.form, "RichEdit1");
        // What "Exporter..." writes is what the view shows.
        std::string exporte, vu;
        vue.source()->ecrire([&](std::string_view morceau) { exporte.append(morceau); });
        for (std::size_t i = 0; i < vue.nbLignes(); ++i)
            vu += (i > 0 ? "\r\n" : "") + vers1252(vue.texteLigne(i));
        QCOMPARE(QString::fromStdString(exporte), QString::fromStdString(vu));
        for (std::size_t k = 0; k < std::size(cas); ++k) {
            const std::size_t bloc = 2 + k * SourceDetails::kLignesParBloc;
            if (lisibles) {
                QCOMPARE(
                    vue.texteLigne(bloc + 11).mid(18) + "|" + vue.texteLigne(bloc + 12).mid(25),
                    QString::fromUtf8(cas[k].noms));
            } else {
                // The described text, byte for byte.
                const QStringList decrit = depuis1252(detailLog(analyserLigne(cas[k].ligne)))
                                               .split(QStringLiteral("\r\n"));
                for (int l = 0; l < 13; ++l) QCOMPARE(vue.texteLigne(bloc + l), decrit.value(l));
            }
        }
    }
}

void TestResultatsLisibles::formatSansAgent() {
    // The common format, chosen in an earlier session; readable results, then raw ones.
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Kestrane"))
        .setValue(QStringLiteral("analyse/formatJournal"), QStringLiteral("commun"));
    const QString chemin = dossier_.ecrire(
        "commun.log",
        tests::journal({"10.0.0.1 - - [06/Dec/2006:03:00:00 +0100] \"GET /a HTTP/1.1\" 200 10",
                        "10.0.0.2 - - [06/Dec/2006:04:00:00 +0100] \"GET /b HTTP/1.1\" 404 5"}));
    Fenetre f;
    auto* lisibles = controle<QAction>(f.form, "menuResultatsLisibles");
    tests::charger(f.form, chemin);
    const QString message = QStringLiteral("Pas d'agent dans ce format");
    for (const bool avecOption : {true, false}) {
        lisibles->setChecked(avecOption);
        tests::analyser(f.form);
        QCOMPARE(f.form.boites.erreurs, QStringList{});
        for (const char* grille : {"tableauRapportOS", "tableauRapportNav"}) {
            QCOMPARE(cellules(f.form, grille),
                     QStringList{(avecOption ? message : QStringLiteral("-")) + "|2"});
        }
        // The charts, whose one entry draws nothing, say why; not with raw results.
        for (const auto& [graphe, nom] :
             {std::pair{graphes(f.form).grapheStatOS, "lbSansAgentOS"},
              std::pair{graphes(f.form).grapheStatNavRobots, "lbSansAgentNav"}}) {
            QCOMPARE(graphe->nbPoints(0), 0);
            auto* etiquette = graphe->findChild<QLabel*>(QString::fromLatin1(nom));
            QCOMPARE(etiquette != nullptr && !etiquette->isHidden(), avecOption);
            if (etiquette) QCOMPARE(etiquette->text(), message);
        }
        const VueTexte& vue = *controle<VueTexte>(f.form, "RichEdit1");
        QCOMPARE(vue.texteLigne(2 + 11).endsWith(message), avecOption);
        QCOMPARE(vue.texteLigne(2 + 12).endsWith(message), avecOption);
    }
}

// The catalogue's unknown agents and the slices gathered under 2 % are two slices of their own
// names; without the option the gathered slice keeps its name.
void TestResultatsLisibles::camembertsSansDeuxAutres() {
    std::vector<std::string> lignes;
    const auto ajouter = [&](int n, const char* agent) {
        for (int k = 0; k < n; ++k)
            lignes.push_back(ligne("10.0.0.1", "06", "03:00:00", "GET / HTTP/1.1", "1", agent));
    };
    ajouter(60, "kestrane-essai");
    ajouter(40,
            "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
            "Chrome/42.0.2311.135 Safari/537.36");
    ajouter(1, "curl/7.29.0");
    ajouter(1, "Mozilla/5.0 (X11; Ubuntu; Linux x86_64; rv:37.0) Gecko/20100101 Firefox/37.0");
    ajouter(1, "Opera/9.80 (Windows NT 6.1; U; fr) Presto/2.10.289 Version/12.00");
    const QString chemin = dossier_.ecrire("j.log", tests::journal(lignes));
    for (const bool lisibles : {false, true}) {
        Fenetre f;
        controle<QAction>(f.form, "menuResultatsLisibles")->setChecked(lisibles);
        tests::charger(f.form, chemin);
        tests::analyser(f.form);
        const struct {
            GrapheQt* graphe;
            QString autres;    // options off: the gathered slice's name
            QStringList noms;  // readable results
        } cas[] = {
            {graphes(f.form).grapheStatNavRobots,
             "Autre : ",
             {"Inconnu : 60", "Chrome 42 : 40", "Autres (3 entr\u00e9es) : 3"}},
            {graphes(f.form).grapheStatOS,
             "Autres : ",
             {"Inconnu : 61", "Windows 7 : 41", "Autres (1 entr\u00e9e) : 1"}},
        };
        for (const auto& c : cas) {
            const QStringList obtenues = tranches(*c.graphe);
            if (lisibles) {
                QCOMPARE(obtenues, c.noms);
            } else {
                QVERIFY2(obtenues.size() > 1 && obtenues.back().startsWith(c.autres),
                         qPrintable(obtenues.join(QLatin1Char('|'))));
            }
        }
    }
}

KESTRANE_TEST_UI(TestResultatsLisibles);
