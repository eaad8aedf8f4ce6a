#include "ui/pages/complements/TablesAudience.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QColor>
#include <QGraphicsLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLegend>
#include <QLocale>
#include <QPieSeries>
#include <QPieSlice>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <string_view>
#include <vector>

#include "core/analyse/ResumeAudience.h"
#include "core/audience/BasePays.h"
#include "ui/pages/complements/GrilleTitree.h"
#include "ui/pages/complements/PageComplements.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {

// Bars of the longest tables' charts.
constexpr int kBarres = 10;

QVariant cle(int64_t n) {
    return QVariant::fromValue<qlonglong>(n);
}

QChartView* graphe(const char* nom, const QString& titre) {
    auto* v = new QChartView;
    v->setObjectName(QString::fromLatin1(nom));
    v->setRenderHint(QPainter::Antialiasing);
    v->chart()->setTitle(titre);
    v->setAccessibleName(titre);
    v->chart()->layout()->setContentsMargins(0, 0, 0, 0);
    v->chart()->setBackgroundRoundness(0);
    v->chart()->setLocale(QLocale(QLocale::French, QLocale::France));
    v->chart()->setLocalizeNumbers(true);
    return v;
}

void viderGraphe(QChart* c) {
    c->removeAllSeries();
    for (QAbstractAxis* a : c->axes()) {
        c->removeAxis(a);
        delete a;
    }
}

// The first rows of a table as horizontal bars of their requests, the largest on top.
void remplirBarres(QChartView* v, const std::vector<LigneAudience>& lignes) {
    QChart* c = v->chart();
    viderGraphe(c);
    const auto n = static_cast<int>(std::min<std::size_t>(lignes.size(), kBarres));
    auto* serie = new QHorizontalBarSeries;
    auto* barres = new QBarSet(QStringLiteral("Requ\u00eates"));
    barres->setColor(QColor(0x3b, 0x78, 0xc4));
    QStringList noms;
    int64_t maximum = 1;
    for (int k = n - 1; k >= 0; --k) {
        const LigneAudience& l = lignes[static_cast<std::size_t>(k)];
        // Categories must differ: a name is cut, its rank keeps it apart.
        QString nom = QString::fromStdString(l.nom);
        if (nom.size() > 32) nom = nom.left(31) + QChar(0x2026);
        noms << QStringLiteral("%1. %2").arg(k + 1).arg(nom);
        barres->append(static_cast<double>(l.requetes));
        maximum = std::max(maximum, l.requetes);
    }
    serie->append(barres);
    c->addSeries(serie);
    c->legend()->hide();
    auto* axeNoms = new QBarCategoryAxis;
    axeNoms->append(noms);
    auto* axeValeurs = new QValueAxis;
    axeValeurs->setLabelFormat(QStringLiteral("%.0f"));
    axeValeurs->setRange(0, static_cast<double>(maximum) * 1.05);
    c->addAxis(axeNoms, Qt::AlignLeft);
    c->addAxis(axeValeurs, Qt::AlignBottom);
    serie->attachAxis(axeNoms);
    serie->attachAxis(axeValeurs);
}

// A pie of named shares; its legend reads rich text, so the labels are escaped.
void remplirCamembert(QChartView* v, const std::vector<std::pair<QString, int64_t>>& parts,
                      int64_t total) {
    QChart* c = v->chart();
    viderGraphe(c);
    auto* camembert = new QPieSeries;
    for (const auto& [nom, n] : parts) {
        if (n <= 0) continue;
        camembert
            ->append(QStringLiteral("%1 (%2)")
                         .arg(nom, QString::fromStdString(pourcentFrancais(partDe(n, total))))
                         .toHtmlEscaped(),
                     static_cast<double>(n))
            ->setBorderColor(Qt::white);
    }
    c->addSeries(camembert);
    // Below the pie: beside it, a narrow chart cuts the names.
    c->legend()->setAlignment(Qt::AlignBottom);
    c->legend()->show();
}

// Rows of a table: its name, then per letter of `colonnes` the requests ('r'), bytes ('o'),
// share of all requests ('p') or visitors ('v').
std::vector<TableauComplements::Ligne> lignesDe(const std::vector<LigneAudience>& table,
                                                std::string_view colonnes, int64_t total) {
    std::vector<TableauComplements::Ligne> r;
    r.reserve(table.size());
    for (const LigneAudience& l : table) {
        const QString nom = QString::fromStdString(l.nom);
        TableauComplements::Ligne cellules{{nom, nom}};
        for (const char c : colonnes) {
            switch (c) {
                case 'r':
                    cellules.push_back(
                        {QString::fromStdString(nombreFrancais(l.requetes)), cle(l.requetes)});
                    break;
                case 'o':
                    cellules.push_back(
                        {QString::fromStdString(octetsFrancais(l.octets)), cle(l.octets)});
                    break;
                case 'p':
                    cellules.push_back(
                        {QString::fromStdString(pourcentFrancais(partDe(l.requetes, total))),
                         cle(l.requetes)});
                    break;
                default:
                    cellules.push_back(
                        {QString::fromStdString(nombreFrancais(l.visiteurs)), cle(l.visiteurs)});
            }
        }
        r.push_back(std::move(cellules));
    }
    return r;
}

QStringList entetes(const QString& nom, std::string_view colonnes) {
    QStringList e{nom};
    for (const char c : colonnes) {
        e << (c == 'r'   ? QStringLiteral("Requ\u00eates")
              : c == 'o' ? QStringLiteral("Octets")
              : c == 'p' ? QStringLiteral("Part")
                         : QStringLiteral("Visiteurs uniques"));
    }
    return e;
}

TableauComplements* tableau(const char* nom, const QString& colonne, std::string_view colonnes) {
    return new TableauComplements(QString::fromLatin1(nom), entetes(colonne, colonnes), 1,
                                  Qt::DescendingOrder);
}

constexpr std::string_view kColonnesSites = "rp", kColonnesRecherches = "r",
                           kColonnesRobots = "rop", kColonnesMethodes = "rop",
                           kColonnesPays = "rov";

}  // namespace

TablesAudience::TablesAudience(QTabWidget* onglets) : QObject(onglets), onglets_(onglets) {
    // Referring sites and searches.
    sites_ = tableau("tableauComplementsSites", QStringLiteral("Site"), kColonnesSites);
    recherches_ =
        tableau("tableauComplementsRecherches", QStringLiteral("Termes"), kColonnesRecherches);
    grapheSites_ = graphe("grapheComplementsSites", QStringLiteral("Sites r\u00e9f\u00e9rents"));
    auto* gauche = new QSplitter(Qt::Vertical);
    gauche->addWidget(grilleTitree(QStringLiteral("Sites r\u00e9f\u00e9rents"), sites_));
    gauche->addWidget(grilleTitree(QStringLiteral("Recherches"), recherches_));
    auto* p = new QSplitter(Qt::Horizontal);
    p->addWidget(gauche);
    p->addWidget(grapheSites_);
    p->setStretchFactor(1, 1);
    provenances_ = p;
    onglets_->addTab(provenances_, QStringLiteral("Sites r\u00e9f\u00e9rents"));

    // Robots: their share in a pie, each by name.
    robots_ = tableau("tableauComplementsRobots", QStringLiteral("Robot"), kColonnesRobots);
    nommerPourLecteur(robots_, QStringLiteral("Robots"));
    resumeRobots_ = new QLabel;
    resumeRobots_->setObjectName(QStringLiteral("lbComplementsRobots"));
    resumeRobots_->setTextFormat(Qt::PlainText);
    grapheRobots_ = graphe("grapheComplementsRobots", QStringLiteral("Part des robots"));
    auto* colonne = new QWidget;
    auto* lc = new QVBoxLayout(colonne);
    lc->setContentsMargins(0, 0, 0, 0);
    lc->addWidget(resumeRobots_);
    lc->addWidget(robots_, 1);
    auto* r = new QSplitter(Qt::Horizontal);
    r->addWidget(colonne);
    r->addWidget(grapheRobots_);
    r->setStretchFactor(1, 1);
    pageRobots_ = r;
    onglets_->addTab(pageRobots_, QStringLiteral("Robots"));

    // Methods and protocols.
    methodes_ =
        tableau("tableauComplementsMethodes", QStringLiteral("M\u00e9thode"), kColonnesMethodes);
    protocoles_ =
        tableau("tableauComplementsProtocoles", QStringLiteral("Protocole"), kColonnesMethodes);
    grapheMethodes_ = graphe("grapheComplementsMethodes", QStringLiteral("M\u00e9thodes"));
    auto* grilles = new QSplitter(Qt::Vertical);
    grilles->addWidget(grilleTitree(QStringLiteral("M\u00e9thodes"), methodes_));
    grilles->addWidget(grilleTitree(QStringLiteral("Protocoles"), protocoles_));
    auto* m = new QSplitter(Qt::Horizontal);
    m->addWidget(grilles);
    m->addWidget(grapheMethodes_);
    m->setStretchFactor(1, 1);
    methodesProtocoles_ = m;
    onglets_->addTab(methodesProtocoles_, QStringLiteral("M\u00e9thodes et protocoles"));

    // Countries, or how to get a database.
    pays_ = tableau("tableauComplementsPays", QStringLiteral("Pays"), kColonnesPays);
    graphePays_ = graphe("grapheComplementsPays", QStringLiteral("Pays"));
    auto* avec = new QSplitter(Qt::Horizontal);
    avec->addWidget(pays_);
    avec->addWidget(graphePays_);
    sansBase_ = new QLabel(depuis1252(kSansBasePays));
    sansBase_->setObjectName(QStringLiteral("lbComplementsSansBasePays"));
    sansBase_->setTextFormat(Qt::PlainText);
    sansBase_->setWordWrap(true);
    sansBase_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    sansBase_->setMargin(8);
    pilePays_ = new QStackedWidget;
    pilePays_->addWidget(avec);
    pilePays_->addWidget(sansBase_);
    pagePays_ = pilePays_;
    onglets_->addTab(pagePays_, QStringLiteral("Pays"));

    afficher(nullptr);
}

void TablesAudience::afficher(const Audience* a) {
    for (QWidget* w : {provenances_, pageRobots_, methodesProtocoles_, pagePays_}) {
        onglets_->setTabVisible(onglets_->indexOf(w), a != nullptr);
    }
    if (!a) return;
    sites_->remplir(lignesDe(a->sitesReferents, kColonnesSites, a->requetes));
    recherches_->remplir(lignesDe(a->recherches, kColonnesRecherches, a->requetes));
    remplirBarres(grapheSites_, a->sitesReferents);

    robots_->remplir(lignesDe(a->robots, kColonnesRobots, a->requetes));
    resumeRobots_->setText(
        QStringLiteral("Robots : %1 requ\u00eates (%2), %3")
            .arg(QString::fromStdString(nombreFrancais(a->requetesRobots)),
                 QString::fromStdString(pourcentFrancais(partDe(a->requetesRobots, a->requetes))),
                 QString::fromStdString(octetsFrancais(a->octetsRobots))));
    remplirCamembert(grapheRobots_,
                     {{QStringLiteral("Autres clients"), a->requetes - a->requetesRobots},
                      {QStringLiteral("Robots"), a->requetesRobots}},
                     a->requetes);

    methodes_->remplir(lignesDe(a->methodes, kColonnesMethodes, a->requetes));
    protocoles_->remplir(lignesDe(a->protocoles, kColonnesMethodes, a->requetes));
    std::vector<std::pair<QString, int64_t>> parts;
    for (const LigneAudience& l : a->methodes) {
        parts.emplace_back(QString::fromStdString(l.nom), l.requetes);
    }
    remplirCamembert(grapheMethodes_, parts, a->requetes);

    pays_->remplir(lignesDe(a->pays, kColonnesPays, a->requetes));
    remplirBarres(graphePays_, a->pays);
    pilePays_->setCurrentIndex(a->avecPays ? 0 : 1);
}

TableauComplements* TablesAudience::tableauDeLOnglet(const QWidget* onglet) const {
    if (onglet == provenances_) return sites_;
    if (onglet == pageRobots_) return robots_;
    if (onglet == methodesProtocoles_) return methodes_;
    if (onglet == pagePays_) return pays_;
    return nullptr;
}

}  // namespace kestrane
