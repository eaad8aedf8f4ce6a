#include "tests/ui/test_page_statistiques.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <QtTest>
#include <functional>
#include <memory>
#include <string>

#include "core/analyse/TablesStat.h"
#include "core/journal/Erreur.h"
#include "platform/BipAlsa.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/commun/Controles.h"
#include "tests/ui/Registre.h"
#include "ui/pages/statistiques/PageStatistiques.h"
#include "ui/vues/Texte1252.h"

using namespace kestrane;

namespace {

// Width of the side panel and of the splitter's handle, left of the chart area.
constexpr int kGauche = 217 + 4;

// A shown page whose chart area has the given size, with the window's status line, error
// wrapper and beep replaced by recorders.
struct Banc {
    BipEnregistreur bip;
    QStringList statuts;
    QStringList erreurs;
    QWidget fenetre;
    // The analysis whose tables the page's charts show.
    std::shared_ptr<ResultatAnalyse> resultat = std::make_shared<ResultatAnalyse>();
    PageStatistiques* page = nullptr;

    QTabWidget* onglets = nullptr;

    // With `avecOnglets`, the page is the second page of a tab control showing the first.
    explicit Banc(QSize zone = {457, 474}, bool avecOnglets = false) {
        auto* disposition = new QHBoxLayout(&fenetre);
        disposition->setContentsMargins(0, 0, 0, 0);
        ContexteFenetre contexte;
        contexte.bip = &bip;
        contexte.resultat = resultat;
        contexte.afficherStatut = [this](const QString& m) { statuts << m; };
        contexte.executer = [this](const std::function<void()>& commande) {
            try {
                commande();
            } catch (const ErreurKestrane& e) {
                erreurs << depuis1252(e.what());
            }
        };
        page = new PageStatistiques(contexte);
        if (avecOnglets) {
            onglets = new QTabWidget;
            onglets->addTab(new QWidget, QStringLiteral("Analyse"));
            onglets->addTab(page, QStringLiteral("Statistiques"));
            disposition->addWidget(onglets);
        } else {
            disposition->addWidget(page);
        }
        fenetre.resize(kGauche + zone.width(), zone.height());
        fenetre.show();
        QCoreApplication::processEvents();
    }
    QListWidgetItem* entree(int i) const {
        return controle<QListWidget>(*page, "listeACocherStat")->item(i);
    }
    // A tick as the user sets it (the keyboard's space bar does the same).
    void cocher(int i, bool coche = true) {
        entree(i)->setCheckState(coche ? Qt::Checked : Qt::Unchecked);
    }
    QList<int> coches() const {
        QList<int> c;
        for (int i = 0; i < controle<QListWidget>(*page, "listeACocherStat")->count(); ++i) {
            if (entree(i)->checkState() == Qt::Checked) c << i;
        }
        return c;
    }
    QList<QRect> places() const {
        QList<QRect> r;
        for (const GrapheQt* g : page->graphesAffiches()) r << g->geometry();
        return r;
    }
    QList<GrapheQt*> visibles() const {
        QList<GrapheQt*> v;
        for (GrapheQt* g : page->graphes().tous()) {
            if (!g->isHidden()) v << g;
        }
        return v;
    }
    // Tops of the parameter boxes that stand, by name.
    QMap<QString, int> boites() const {
        QMap<QString, int> b;
        for (QGroupBox* g : {controle<QGroupBox>(*page, "grapheStatIP_Param"),
                             controle<QGroupBox>(*page, "grapheStatHoraires_Param"),
                             controle<QGroupBox>(*page, "grapheStatVMensuelles_Param"),
                             controle<QGroupBox>(*page, "grapheStatPrecedent_Param")}) {
            if (!g->isHidden()) b.insert(g->objectName(), g->y());
        }
        return b;
    }
};

void remplirStatIP(Banc& b, int n) {
    tableauRapportStat& statIP = b.resultat->tables.statIP;
    statIP.clear();
    for (int k = 0; k < n; ++k) {
        statIP.push_back({"10.0.0." + std::to_string(k), "", 1000 - k});
    }
}

void taper(QLineEdit* edit, const QString& texte) {
    edit->setText(texte);
    QTest::keyClick(edit, Qt::Key_Return);
}

const QString kAucun = QStringLiteral("Présentation d'aucun graphe statistique");
const QString kUn = QStringLiteral("Présentation de 1 graphe statistique");

}  // namespace

void TestPageStatistiques::etatInitialSansPassage() {
    Banc b;
    PageStatistiques& p = *b.page;
    QCOMPARE(controle<QWidget>(p, "panelGraphe")->size(), QSize(457, 474));
    QCOMPARE(controle<QWidget>(p, "panelStats")->geometry(), QRect(0, 0, 217, 474));
    QCOMPARE(controle<QScrollArea>(p, "boiteParametresGraphs")->geometry(),
             QRect(0, 152, 214, 295));
    QCOMPARE(controle<QProgressBar>(p, "barreProgressionStat")->geometry(), QRect(0, 454, 216, 17));
    QVERIFY(controle<QProgressBar>(p, "barreProgressionStat")->isHidden());

    QStringList textes;
    for (int i = 0; i < controle<QListWidget>(p, "listeACocherStat")->count(); ++i)
        textes << b.entree(i)->text();
    QCOMPARE(textes, (QStringList{"Adresses IP", "Systèmes d'exploitation", "Navigateurs / Robots",
                                  "Fichiers chargés", "Taux de chargement",
                                  "Provenance des visites", "Tranches horaires"}));
    QCOMPARE(b.coches(), QList<int>{});
    QCOMPARE(controle<QListWidget>(p, "listeACocherStat")->visualItemRect(b.entree(1)).height(),
             14);
    QVERIFY(b.visibles().isEmpty());
    const QMap<QString, int> attendu{{"grapheStatIP_Param", 5},
                                     {"grapheStatHoraires_Param", 106},
                                     {"grapheStatVMensuelles_Param", 191},
                                     {"grapheStatPrecedent_Param", 276}};
    QCOMPARE(b.boites(), attendu);
    QCOMPARE(controle<QLineEdit>(p, "editAdressesIP_Param")->text(), QStringLiteral("10"));
    QCOMPARE(controle<QLabel>(p, "lbTauxZoomGraphPrecedent_Param")->text(), QStringLiteral("100"));
    // Being built and shown is no resize: the window's start message stays.
    QCOMPARE(b.statuts, QStringList{});
}

void TestPageStatistiques::aucunGrapheCoche() {
    Banc b;
    PageStatistiques& p = *b.page;
    b.cocher(2);
    QTest::mouseClick(controle<QPushButton>(p, "btDecocheTout"), Qt::LeftButton);
    QCOMPARE(b.coches(), QList<int>{});
    QCOMPARE(b.statuts.last(), kAucun);
    QVERIFY(b.visibles().isEmpty());
    QVERIFY(p.graphesAffiches().empty());
    QCOMPARE(b.boites(), (QMap<QString, int>{}));
    auto* legende = controle<QWidget>(p, "panelGraphe")
                        ->findChild<QLabel*>(QStringLiteral("legendePanelGraphe"));
    QVERIFY(legende != nullptr && legende->isVisible());
    QCOMPARE(legende->text(), QStringLiteral("Aucun graphe à afficher"));
    QCOMPARE(legende->geometry(), controle<QWidget>(p, "panelGraphe")->contentsRect());
    QCOMPARE(b.erreurs, QStringList{});
}

void TestPageStatistiques::unGrapheParClicOuClavier() {
    Banc b;
    PageStatistiques& p = *b.page;
    QProgressBar* barre = controle<QProgressBar>(p, "barreProgressionStat");
    QList<int> positions;
    bool toujoursVisible = true;
    connect(barre, &QProgressBar::valueChanged, barre, [&](int v) {
        positions << v;
        // Set to 0 first, then shown for the whole pass.
        if (v != 0) toujoursVisible = toujoursVisible && barre->isVisible();
    });

    b.cocher(6);  // space bar on the entry
    QCOMPARE(b.statuts, QStringList{kUn});
    QCOMPARE(positions, (QList<int>{0, 5, 10, 15, 20, 25, 30, 35, 40, 43, 75, 100}));
    QVERIFY(toujoursVisible);
    QVERIFY(barre->isHidden());
    QCOMPARE(b.visibles(), QList<GrapheQt*>{p.graphes().grapheStatHoraires});
    QCOMPARE(p.graphes().grapheStatHoraires->geometry(),
             controle<QWidget>(p, "panelGraphe")->contentsRect());
    QCOMPARE(b.boites(), (QMap<QString, int>{{"grapheStatHoraires_Param", 5}}));

    // A mouse click on the tick box changes the tick and runs one pass, not two; a click on the
    // text changes nothing and still runs one.
    QWidget* vue = controle<QListWidget>(p, "listeACocherStat")->viewport();
    const QRect ligne = controle<QListWidget>(p, "listeACocherStat")->visualItemRect(b.entree(6));
    QTest::mouseClick(vue, Qt::LeftButton, {}, QPoint(ligne.left() + 8, ligne.center().y()));
    QCOMPARE(b.coches(), QList<int>{});
    QCOMPARE(b.statuts, (QStringList{kUn, kAucun}));
    QTest::mouseClick(vue, Qt::LeftButton, {}, QPoint(ligne.left() + 100, ligne.center().y()));
    QCOMPARE(b.coches(), QList<int>{});
    QCOMPARE(b.statuts, (QStringList{kUn, kAucun, kAucun}));
    QVERIFY(b.visibles().isEmpty());
}

namespace {

// Rectangles from their left, top, width and height, four numbers each.
QList<QRect> rectangles(std::initializer_list<int> v) {
    QList<QRect> r;
    for (auto i = v.begin(); i + 3 < v.end(); i += 4) r << QRect(i[0], i[1], i[2], i[3]);
    return r;
}

}  // namespace

void TestPageStatistiques::placement_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QSize>("zone");
    QTest::addColumn<QList<QRect>>("attendu");
    QTest::addColumn<QList<int>>("finProgression");  // positions after 75

    // clang-format off
    const QSize premiere(457, 474), agrandie(679, 600);
    // Docked charts fill the area inside the bevel.
    QTest::newRow("1") << 1 << premiere << rectangles({1, 1, 455, 472}) << QList<int>{100};
    QTest::newRow("2") << 2 << premiere << rectangles({1, 1, 455, 237,  1, 238, 455, 235})
                       << QList<int>{100};
    QTest::newRow("3") << 3 << premiere
                       << rectangles({1, 1, 455, 158,  1, 315, 455, 158,  1, 159, 455, 156})
                       << QList<int>{82, 89, 96, 100};
    QTest::newRow("4") << 4 << premiere
                       << rectangles({0, 0, 228, 237,  228, 0, 228, 237,
                                      0, 237, 228, 237,  228, 237, 228, 237})
                       << QList<int>{81, 87, 93, 99, 100};
    QTest::newRow("5") << 5 << premiere
                       << rectangles({0, 0, 228, 158,  228, 0, 228, 158,  0, 316, 228, 158,
                                      228, 316, 228, 158,  0, 158, 457, 158})
                       << QList<int>{79, 83, 87, 91, 95, 100};
    QTest::newRow("6") << 6 << premiere
                       << rectangles({0, 0, 152, 237,  152, 0, 152, 237,  304, 0, 152, 237,
                                      0, 237, 152, 237,  152, 237, 152, 237,  304, 237, 152, 237})
                       << QList<int>{79, 83, 87, 91, 95, 99, 100};
    QTest::newRow("7") << 7 << premiere
                       << rectangles({0, 0, 152, 158,  152, 0, 152, 158,  304, 0, 152, 158,
                                      0, 158, 228, 158,  228, 158, 228, 158,
                                      0, 316, 228, 158,  228, 316, 228, 158})
                       << QList<int>{78, 81, 84, 87, 90, 93, 96, 100};
    // Enlarged: the panel's height changes, so its resize lays the charts out again.
    QTest::newRow("4 agrandis") << 4 << agrandie
                                << rectangles({0, 0, 339, 300,  339, 0, 339, 300,
                                               0, 300, 339, 300,  339, 300, 339, 300})
                                << QList<int>{81, 87, 93, 99, 100};
    QTest::newRow("5 agrandis") << 5 << agrandie
                                << rectangles({0, 0, 339, 200,  339, 0, 339, 200,
                                               0, 400, 339, 200,  339, 400, 339, 200,
                                               0, 200, 679, 200})
                                << QList<int>{79, 83, 87, 91, 95, 100};
    QTest::newRow("6 agrandis") << 6 << agrandie
                                << rectangles({0, 0, 226, 300,  226, 0, 226, 300,
                                               452, 0, 226, 300,  0, 300, 226, 300,
                                               226, 300, 226, 300,  452, 300, 226, 300})
                                << QList<int>{79, 83, 87, 91, 95, 99, 100};
    QTest::newRow("7 agrandis") << 7 << agrandie
                                << rectangles({0, 0, 226, 200,  226, 0, 226, 200,
                                               452, 0, 226, 200,  0, 200, 339, 200,
                                               339, 200, 339, 200,  0, 400, 339, 200,
                                               339, 400, 339, 200})
                                << QList<int>{78, 81, 84, 87, 90, 93, 96, 100};
    // clang-format on
}

void TestPageStatistiques::placement() {
    QFETCH(int, n);
    QFETCH(QSize, zone);
    QFETCH(QList<QRect>, attendu);
    QFETCH(QList<int>, finProgression);

    Banc b;
    PageStatistiques& p = *b.page;
    for (int i = 0; i < n; ++i) b.cocher(i);
    QList<int> positions;
    connect(controle<QProgressBar>(p, "barreProgressionStat"), &QProgressBar::valueChanged,
            controle<QProgressBar>(p, "barreProgressionStat"), [&](int v) { positions << v; });
    b.statuts.clear();
    b.fenetre.resize(kGauche + zone.width(), zone.height());
    QCoreApplication::processEvents();
    if (zone.height() == 474) p.disposerGraphes();  // same height: the window's resize does it
    QCOMPARE(controle<QWidget>(p, "panelGraphe")->size(), zone);

    QCOMPARE(b.statuts,
             QStringList{
                 n == 1 ? kUn : QStringLiteral("Présentation de %1 graphes statistiques").arg(n)});
    QCOMPARE(b.places(), attendu);
    QCOMPARE(static_cast<int>(b.visibles().size()), n);
    QCOMPARE(positions.mid(positions.indexOf(75) + 1), finProgression);
    QCOMPARE(b.erreurs, QStringList{});
}

void TestPageStatistiques::ancrageSuitLePanneau() {
    Banc b;
    b.cocher(0);
    b.cocher(1);
    const int passes = b.statuts.size();
    // Wider only: the side panel keeps its size and no pass runs, yet docked charts follow.
    b.fenetre.resize(kGauche + 600, 474);
    QCoreApplication::processEvents();
    QCOMPARE(b.statuts.size(), passes);
    QCOMPARE(b.places(), (QList<QRect>{{1, 1, 598, 237}, {1, 238, 598, 235}}));

    // Resizing to the same size again is no change either.
    b.fenetre.resize(kGauche + 600, 474);
    QCoreApplication::processEvents();
    QCOMPARE(b.statuts.size(), passes);

    // Placed charts follow the chart area's size by the same rule, without a pass: a pass run
    // while the page was hidden saw the area's former size.
    b.cocher(2);
    b.cocher(3);
    const int passesAvant = b.statuts.size();
    b.fenetre.resize(kGauche + 500, 474);
    QCoreApplication::processEvents();
    QCOMPARE(b.statuts.size(), passesAvant);
    QCOMPARE(b.places(),
             (QList<QRect>{
                 {0, 0, 250, 237}, {250, 0, 250, 237}, {0, 237, 250, 237}, {250, 237, 250, 237}}));
}

void TestPageStatistiques::redimensionneePendantUneAutrePage() {
    Banc b({457, 474}, true);
    PageStatistiques& p = *b.page;
    b.onglets->setCurrentIndex(1);  // first show: no pass
    QCoreApplication::processEvents();
    QCOMPARE(b.statuts, QStringList{});
    for (int i = 0; i < 5; ++i) b.cocher(i);
    const QSize avant = controle<QWidget>(p, "panelGraphe")->size();

    b.onglets->setCurrentIndex(0);
    b.fenetre.resize(b.fenetre.width() + 120, b.fenetre.height() + 90);
    QCoreApplication::processEvents();
    b.statuts.clear();
    // Back on the page: the charts at the size they are seen at, the status line as it was
    // (the resize's pass is the window's).
    b.onglets->setCurrentIndex(1);
    QCoreApplication::processEvents();
    QCOMPARE(b.statuts, QStringList{});
    const QSize zone = controle<QWidget>(p, "panelGraphe")->size();
    QCOMPARE(zone, avant + QSize(120, 90));
    QCOMPARE(b.places().last(), QRect(0, zone.height() / 3, zone.width(), zone.height() / 3));
}

void TestPageStatistiques::boitesDeParametresEmpilees() {
    Banc b;
    PageStatistiques& p = *b.page;
    b.cocher(6);
    b.cocher(5);
    b.cocher(0);
    // Stacked in list order, whatever the order of ticking.
    QCOMPARE(b.boites(), (QMap<QString, int>{{"grapheStatIP_Param", 5},
                                             {"grapheStatPrecedent_Param", 106},
                                             {"grapheStatHoraires_Param", 165}}));
    // Only the first n charts' boxes.
    p.placerParametres(2);
    QCOMPARE(b.boites(),
             (QMap<QString, int>{{"grapheStatIP_Param", 5}, {"grapheStatPrecedent_Param", 106}}));
    p.placerParametres(0);
    QCOMPARE(b.boites(), (QMap<QString, int>{}));
    p.placerParametres(-1);
    QCOMPARE(b.boites(), (QMap<QString, int>{}));
    // The boxes follow the scroll box's width; "100%" keeps to the right edge.
    QCOMPARE(controle<QGroupBox>(p, "grapheStatIP_Param")->width(), 193);
    QCOMPARE(controle<QPushButton>(p, "btZoom100StatPrecedent_Param")->geometry(),
             QRect(136, 16, 49, 25));
    b.fenetre.resize(kGauche + 100 + 457, 474);
    controle<QSplitter>(p, "separateurStat")->setSizes({317, 457});
    QCoreApplication::processEvents();
    QCOMPARE(controle<QGroupBox>(p, "grapheStatIP_Param")->width(), 293);
    QCOMPARE(controle<QPushButton>(p, "btZoom100StatPrecedent_Param")->x(), 236);
}

void TestPageStatistiques::grapheSeul() {
    Banc b;
    PageStatistiques& p = *b.page;
    b.cocher(0);
    b.cocher(4);
    b.statuts.clear();
    p.afficherGrapheSeul(3);
    QCOMPARE(b.statuts, (QStringList{kAucun, kUn}));
    QCOMPARE(b.coches(), QList<int>{3});
    QCOMPARE(b.visibles(), QList<GrapheQt*>{p.graphes().grapheStatFichierCharge});
    QCOMPARE(b.places(), QList<QRect>{controle<QWidget>(p, "panelGraphe")->contentsRect()});
    QCOMPARE(b.boites(), (QMap<QString, int>{}));
}

void TestPageStatistiques::grapheDeLibelleExact() {
    Banc b;
    const PageStatistiques& p = *b.page;
    const GraphesStat& g = p.graphes();
    const QList<GrapheQt*> attendu{g.grapheStatIP,         g.grapheStatOS,
                                   g.grapheStatNavRobots,  g.grapheStatFichierCharge,
                                   g.grapheStatTauxCharge, g.grapheStatPrecedent,
                                   g.grapheStatHoraires};
    for (int i = 0; i < attendu.size(); ++i) {
        QCOMPARE(p.grapheDeLibelle(b.entree(i)->text()), attendu[i]);
    }
    for (const char* texte : {"adresses IP", "Adresses IP ", "Visites", "Fichiers charges", ""}) {
        QCOMPARE(p.grapheDeLibelle(QString::fromUtf8(texte)), nullptr);
    }
}

void TestPageStatistiques::decocherSansDisposerGardeLesGraphes() {
    Banc b;
    PageStatistiques& p = *b.page;
    b.cocher(1);
    b.cocher(5);
    const QStringList statuts = b.statuts;
    const QList<QRect> places = b.places();
    p.decocherSansDisposer();
    QCOMPARE(b.coches(), QList<int>{});
    QCOMPARE(b.statuts, statuts);
    QCOMPARE(b.visibles(),
             (QList<GrapheQt*>{p.graphes().grapheStatOS, p.graphes().grapheStatPrecedent}));
    QCOMPARE(b.places(), places);
    QVERIFY(controle<QProgressBar>(p, "barreProgressionStat")->isHidden());
}

void TestPageStatistiques::touchesRefusees() {
    Banc b;
    QLineEdit* edit = controle<QLineEdit>(*b.page, "editAdressesIP_Param");
    edit->setFocus();
    edit->setCursorPosition(2);
    const std::vector<std::pair<int, int>> erreur{{900, 50}, {300, 150}};

    QTest::keyClick(edit, Qt::Key_A);
    QCOMPARE(edit->text(), QStringLiteral("10"));
    QVERIFY(b.bip.bips == erreur);
    for (Qt::Key touche : {Qt::Key_Space, Qt::Key_Minus, Qt::Key_Period}) {
        b.bip.bips.clear();
        QTest::keyClick(edit, touche);
        QCOMPARE(edit->text(), QStringLiteral("10"));
        QVERIFY(b.bip.bips == erreur);
    }
    QTest::keyClick(edit, Qt::Key_Eacute, {}, -1);  // "é" typed
    QCOMPARE(edit->text(), QStringLiteral("10"));

    // Keys typing control characters are refused as well: pasting by key, Escape.
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    b.bip.bips.clear();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit->text(), QStringLiteral("10"));
    QVERIFY(b.bip.bips == erreur);
    b.bip.bips.clear();
    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(b.bip.bips == erreur);

    // Digits and Backspace type; moving and deleting are the box's own.
    b.bip.bips.clear();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, QStringLiteral("25"));
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(edit->text(), QStringLiteral("25"));
    QVERIFY(b.bip.bips.empty());
    QCOMPARE(b.statuts, QStringList{});

    // Text committed by an input method (a dead key, compose) is filtered the same way.
    for (const auto& [texte, accepte] :
         {std::pair{QStringLiteral("\u00ea"), false}, std::pair{QStringLiteral("10\u00ea"), false},
          std::pair{QStringLiteral("3"), true}}) {
        b.bip.bips.clear();
        edit->end(false);
        const QString avant = edit->text();
        QInputMethodEvent compose;
        compose.setCommitString(texte);
        QCoreApplication::sendEvent(edit, &compose);
        QCOMPARE(edit->text(), accepte ? avant + texte : avant);
        QCOMPARE(b.bip.bips.empty(), accepte);
    }
}

void TestPageStatistiques::entreeNombreAdresses_data() {
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("apres");
    QTest::addColumn<int>("points");
    const struct {
        const char *texte, *apres;
        int points;
    } cas[] = {{"99", "50", 50}, {"51", "50", 50}, {"50", "50", 50}, {"0", "5", 5},
               {"3", "5", 5},    {"-7", "5", 5},   {"07", "07", 7},  {"12", "12", 12}};
    for (const auto& c : cas) {
        QTest::newRow(c.texte) << QString::fromLatin1(c.texte) << QString::fromLatin1(c.apres)
                               << c.points;
    }
}

void TestPageStatistiques::entreeNombreAdresses() {
    QFETCH(QString, texte);
    QFETCH(QString, apres);
    QFETCH(int, points);
    Banc b;
    remplirStatIP(b, 60);
    GrapheQt* g = b.page->graphes().grapheStatIP;
    QSignalSpy entree(controle<QLineEdit>(*b.page, "editAdressesIP_Param"),
                      &QLineEdit::returnPressed);
    taper(controle<QLineEdit>(*b.page, "editAdressesIP_Param"), texte);
    QCOMPARE(controle<QLineEdit>(*b.page, "editAdressesIP_Param")->text(), apres);
    QCOMPARE(g->nbPoints(0), points);
    QCOMPARE(g->libelle(0, points - 1), QStringLiteral("10.0.0.%1").arg(points - 1));
    QCOMPARE(entree.count(), 0);  // the key is dropped
    QVERIFY(b.bip.bips.empty());
    QCOMPARE(b.erreurs, QStringList{});
}

void TestPageStatistiques::erreurDeConversion() {
    Banc b;
    remplirStatIP(b, 60);
    PageStatistiques& p = *b.page;
    GrapheQt* g = p.graphes().grapheStatIP;
    taper(controle<QLineEdit>(p, "editAdressesIP_Param"), QStringLiteral("20"));
    QCOMPARE(g->nbPoints(0), 20);

    remplirStatIP(b, 40);  // a refill would now give other points
    b.resultat->tables.statIP[0].libelle = "autre";
    for (const QString& texte : {QString(), QStringLiteral("abc"), QStringLiteral("1 2")}) {
        b.erreurs.clear();
        taper(controle<QLineEdit>(p, "editAdressesIP_Param"), texte);
        QCOMPARE(
            b.erreurs,
            QStringList{QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(texte)});
        QCOMPARE(controle<QLineEdit>(p, "editAdressesIP_Param")->text(), texte);
        QCOMPARE(g->nbPoints(0), 20);
        QCOMPARE(g->libelle(0, 0), QStringLiteral("10.0.0.0"));
    }
    // The up-down's release refills the same way, and fails the same way.
    controle<QLineEdit>(p, "editAdressesIP_Param")->setText(QStringLiteral("x"));
    b.erreurs.clear();
    emit controle<HautBas>(p, "udAdressesIP_Param")->relache();
    QCOMPARE(b.erreurs, QStringList{QStringLiteral("'x' n'est pas une valeur entière correcte")});
    QCOMPARE(g->nbPoints(0), 20);
}

void TestPageStatistiques::flechesDuNombreAdresses() {
    Banc b;
    remplirStatIP(b, 60);
    PageStatistiques& p = *b.page;
    HautBas* ud = controle<HautBas>(p, "udAdressesIP_Param");
    QLineEdit* edit = controle<QLineEdit>(p, "editAdressesIP_Param");
    GrapheQt* g = p.graphes().grapheStatIP;
    const QPoint haut(8, 3), bas(8, 14);

    QTest::mouseClick(ud, Qt::LeftButton, {}, haut);
    QCOMPARE(edit->text(), QStringLiteral("11"));
    QCOMPARE(g->nbPoints(0), 11);
    QTest::mouseClick(ud, Qt::LeftButton, {}, bas);
    QTest::mouseClick(ud, Qt::LeftButton, {}, bas);
    QCOMPARE(edit->text(), QStringLiteral("9"));
    QCOMPARE(g->nbPoints(0), 9);

    // The arrows start from what the box shows, within 5 to 50.
    edit->setText(QStringLiteral("99"));
    QTest::mouseClick(ud, Qt::LeftButton, {}, haut);
    QCOMPARE(edit->text(), QStringLiteral("50"));
    edit->setText(QStringLiteral("5"));
    QTest::mouseClick(ud, Qt::LeftButton, {}, bas);
    QCOMPARE(edit->text(), QStringLiteral("5"));
    QCOMPARE(g->nbPoints(0), 5);
    // Not a number: the text stays, the release gives the conversion error, the chart stays.
    edit->setText(QStringLiteral("abc"));
    QTest::mouseClick(ud, Qt::LeftButton, {}, haut);
    QCOMPARE(edit->text(), QStringLiteral("abc"));
    QCOMPARE(b.erreurs,
             QStringList{QStringLiteral("'abc' n'est pas une valeur enti\u00e8re correcte")});
    QCOMPARE(g->nbPoints(0), 5);
    b.erreurs.clear();
    edit->setText(QStringLiteral("5"));
    QTest::mouseClick(ud, Qt::LeftButton, {}, haut);
    QCOMPARE(edit->text(), QStringLiteral("6"));

    // Released elsewhere: the number moves, the chart is not refilled.
    QTest::mousePress(ud, Qt::LeftButton, {}, haut);
    QTest::mouseRelease(ud, Qt::LeftButton, {}, QPoint(40, 40));
    QCOMPARE(edit->text(), QStringLiteral("7"));
    QCOMPARE(g->nbPoints(0), 6);
    QCOMPARE(b.erreurs, QStringList{});
}

void TestPageStatistiques::zoomProvenances() {
    Banc b;
    PageStatistiques& p = *b.page;
    GrapheQt* g = p.graphes().grapheStatPrecedent;
    for (int i = 0; i < 21; ++i)
        QTest::mouseClick(controle<QPushButton>(p, "btZoomMoinsStatPrecedent_Param"),
                          Qt::LeftButton);
    QCOMPARE(controle<QLabel>(p, "lbTauxZoomGraphPrecedent_Param")->text(), QStringLiteral("-5"));
    QCOMPARE(g->zoom(), -5);
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(controle<QPushButton>(p, "btZoomPlusStatPrecedent_Param"),
                          Qt::LeftButton);
    QCOMPARE(controle<QLabel>(p, "lbTauxZoomGraphPrecedent_Param")->text(), QStringLiteral("10"));
    QCOMPARE(g->zoom(), 10);
    QTest::mouseClick(controle<QPushButton>(p, "btZoom100StatPrecedent_Param"), Qt::LeftButton);
    QCOMPARE(controle<QLabel>(p, "lbTauxZoomGraphPrecedent_Param")->text(), QStringLiteral("100"));
    QCOMPARE(g->zoom(), 100);
    for (int i = 0; i < 12; ++i)
        QTest::mouseClick(controle<QPushButton>(p, "btZoomPlusStatPrecedent_Param"),
                          Qt::LeftButton);
    QCOMPARE(controle<QLabel>(p, "lbTauxZoomGraphPrecedent_Param")->text(), QStringLiteral("160"));
    QCOMPARE(g->zoom(), 160);

    // Checked arithmetic at the far end of the range.
    controle<QLabel>(p, "lbTauxZoomGraphPrecedent_Param")->setText(QStringLiteral("2147483645"));
    QTest::mouseClick(controle<QPushButton>(p, "btZoomPlusStatPrecedent_Param"), Qt::LeftButton);
    QCOMPARE(b.erreurs, QStringList{QStringLiteral("Débordement d'entier")});
    QCOMPARE(controle<QLabel>(p, "lbTauxZoomGraphPrecedent_Param")->text(),
             QStringLiteral("2147483645"));
    QCOMPARE(g->zoom(), 160);
}

KESTRANE_TEST_UI(TestPageStatistiques);
