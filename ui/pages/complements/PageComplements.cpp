#include "ui/pages/complements/PageComplements.h"

#include <QAbstractTableModel>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QMenu>
#include <QPieSeries>
#include <QPieSlice>
#include <QScrollBar>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "core/analyse/ResumeAudience.h"
#include "ui/pages/complements/GrilleTitree.h"
#include "ui/pages/complements/OngletEntrees.h"
#include "ui/pages/complements/TablesAudience.h"
#include "ui/pages/complements/TextesComplements.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

using namespace complements;

namespace {

double part(int64_t n, int64_t total) {
    return total > 0 ? 100.0 * static_cast<double>(n) / static_cast<double>(total) : 0.0;
}

const char* const kNomsClasses[] = {"Autres", "1xx", "2xx", "3xx", "4xx", "5xx"};

}  // namespace

// The rows of one grid as texts and sort keys.
class ModeleComplements : public QAbstractTableModel {
  public:
    ModeleComplements(QStringList entetes, QObject* parent)
        : QAbstractTableModel(parent), entetes_(std::move(entetes)) {}

    void remplir(std::vector<TableauComplements::Ligne> lignes) {
        beginResetModel();
        lignes_ = std::move(lignes);
        endResetModel();
    }
    int rowCount(const QModelIndex& p = {}) const override {
        return p.isValid() ? 0 : static_cast<int>(lignes_.size());
    }
    int columnCount(const QModelIndex& p = {}) const override {
        return p.isValid() ? 0 : static_cast<int>(entetes_.size());
    }
    QVariant data(const QModelIndex& i, int role) const override {
        if (!i.isValid()) return {};
        const auto& c =
            lignes_[static_cast<std::size_t>(i.row())][static_cast<std::size_t>(i.column())];
        switch (role) {
            case Qt::DisplayRole:
                return c.texte;
            case Qt::UserRole:
                return c.cle;
            case Qt::ToolTipRole:
                return bulleTexte(entetes_[i.column()] + QStringLiteral(" : ") + c.texte);
            case Qt::TextAlignmentRole:
                return c.cle.typeId() == QMetaType::QString
                           ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                           : QVariant(Qt::AlignRight | Qt::AlignVCenter);
            default:
                return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o == Qt::Horizontal && role == Qt::DisplayRole) return entetes_.value(section);
        return QAbstractTableModel::headerData(section, o, role);
    }

  private:
    QStringList entetes_;
    std::vector<TableauComplements::Ligne> lignes_;
};

TableauComplements::TableauComplements(const QString& nom, const QStringList& entetes,
                                       int colonneTri, Qt::SortOrder ordre, QWidget* parent)
    : QWidget(parent), colonneTri_(colonneTri), ordre_(ordre) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(2);
    recherche_ = new QLineEdit;
    recherche_->setObjectName(nom + QStringLiteral("Recherche"));
    recherche_->setPlaceholderText(QStringLiteral("Rechercher (Ctrl+F)"));
    recherche_->setClearButtonEnabled(true);
    vue_ = new QTableView;
    vue_->setObjectName(nom);
    modele_ = new ModeleComplements(entetes, this);
    filtre_ = new QSortFilterProxyModel(this);
    filtre_->setSourceModel(modele_);
    filtre_->setSortRole(Qt::UserRole);
    filtre_->setFilterKeyColumn(-1);
    filtre_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    vue_->setModel(filtre_);
    vue_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vue_->setSelectionBehavior(QAbstractItemView::SelectRows);
    vue_->setAlternatingRowColors(true);
    vue_->verticalHeader()->hide();
    vue_->verticalHeader()->setDefaultSectionSize(20);
    // A table of names and counts gives its room to the names; the others to their last column.
    vue_->horizontalHeader()->setStretchLastSection(entetes.size() != 2);
    vue_->horizontalHeader()->setSortIndicator(colonneTri_, ordre_);
    vue_->setSortingEnabled(true);
    connect(recherche_, &QLineEdit::textChanged, filtre_,
            &QSortFilterProxyModel::setFilterFixedString);
    l->addWidget(recherche_);
    l->addWidget(vue_, 1);
    // A row filtered on, or left out, through the page that holds the grid.
    const auto filtrer = [this](const QModelIndex& i, bool exclure, bool voir = false) {
        for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
            if (auto* page = qobject_cast<PageComplements*>(w)) {
                if (page->filtrage() && i.isValid()) {
                    page->filtrage()(vue_->objectName(), texte(i.row(), 0), exclure, voir);
                }
                return;
            }
        }
    };
    connect(vue_, &QTableView::doubleClicked, this,
            [filtrer](const QModelIndex& i) { filtrer(i, false); });
    vue_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(vue_, &QWidget::customContextMenuRequested, this, [this, filtrer](const QPoint& p) {
        const QModelIndex i = vue_->indexAt(p);
        if (!i.isValid()) return;
        QMenu menu(vue_);
        menu.addAction(QStringLiteral("Filtrer sur cette entr\u00e9e"));
        QAction* exclure = menu.addAction(QStringLiteral("Exclure cette entr\u00e9e"));
        QAction* voir = menu.addAction(QStringLiteral("Voir les lignes"));
        if (QAction* choix = menu.exec(vue_->viewport()->mapToGlobal(p))) {
            filtrer(i, choix == exclure, choix == voir);
        }
    });
}

void TableauComplements::remplir(std::vector<Ligne> lignes) {
    if (!conserver_) {
        // A new analysis shows its rows in their own order again.
        vue_->horizontalHeader()->setSortIndicator(colonneTri_, ordre_);
        modele_->remplir(std::move(lignes));
        ajusterColonnes();
        return;
    }
    // The same analysis grown: the proxy keeps the order and the search; the row chosen is found
    // again by its first cell, the scroll position put back.
    const QModelIndex choisi = vue_->currentIndex();
    const QString cle = choisi.isValid() ? texte(choisi.row(), 0) : QString();
    const int defilement = vue_->verticalScrollBar()->value();
    modele_->remplir(std::move(lignes));
    if (!cle.isEmpty()) {
        const QModelIndexList trouves =
            filtre_->match(filtre_->index(0, 0), Qt::DisplayRole, cle, 1, Qt::MatchExactly);
        if (!trouves.isEmpty()) {
            vue_->selectionModel()->setCurrentIndex(
                trouves.front(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
    }
    vue_->verticalScrollBar()->setValue(defilement);
}

void TableauComplements::ajusterColonnes() {
    vue_->resizeColumnsToContents();
    // A long first column (file names) takes the room left and is cut, its tooltip whole: the
    // counts stay in view.
    QHeaderView* entete = vue_->horizontalHeader();
    const int place = vue_->viewport()->width() - (entete->length() - entete->sectionSize(0));
    if (entete->count() < 2) return;
    if (entete->sectionSize(0) > place) {
        entete->resizeSection(0, std::max(place, 120));
    } else if (!entete->stretchLastSection()) {
        entete->resizeSection(0, place);  // the names take the room, the counts stay right
    }
}

void TableauComplements::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (modele_->rowCount() > 0) ajusterColonnes();  // sized while hidden: fitted again
}

void TableauComplements::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (modele_->rowCount() > 0) ajusterColonnes();
}

void TableauComplements::chercher() {
    recherche_->setFocus(Qt::ShortcutFocusReason);
    recherche_->selectAll();
}

int TableauComplements::nbLignes() const {
    return filtre_->rowCount();
}

QString TableauComplements::texte(int ligne, int colonne) const {
    return filtre_->index(ligne, colonne).data().toString();
}

PageComplements::PageComplements(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pageComplements"));
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    onglets_ = new QTabWidget;
    onglets_->setObjectName(QStringLiteral("ongletsComplements"));
    l->addWidget(onglets_);

    // Summary and status codes.
    auto* premier = new QWidget;
    auto* lp = new QHBoxLayout(premier);
    resume_ = new QLabel;
    resume_->setObjectName(QStringLiteral("lbComplementsResume"));
    resume_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    resume_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    resume_->setMinimumWidth(220);
    codes_ = new TableauComplements(QStringLiteral("tableauComplementsCodes"),
                                    {QStringLiteral("Code"), QStringLiteral("Occurrences"),
                                     QStringLiteral("Octets"), QStringLiteral("Part")},
                                    0, Qt::AscendingOrder);
    grapheCodes_ = new QChartView;
    grapheCodes_->setObjectName(QStringLiteral("grapheComplementsCodes"));
    grapheCodes_->setRenderHint(QPainter::Antialiasing);
    grapheCodes_->chart()->setTitle(QStringLiteral("Classes de codes de retour"));
    grapheCodes_->setAccessibleName(grapheCodes_->chart()->title());
    nommerPourLecteur(codes_, QStringLiteral("Codes de retour"));
    grapheCodes_->chart()->legend()->setAlignment(Qt::AlignRight);
    grapheCodes_->chart()->legend()->setShowToolTips(true);
    // The chart fills its view: at the window's first size the legend needs every pixel.
    grapheCodes_->chart()->layout()->setContentsMargins(0, 0, 0, 0);
    grapheCodes_->chart()->setBackgroundRoundness(0);
    auto* droite = new QSplitter(Qt::Vertical);
    droite->addWidget(codes_);
    droite->addWidget(grapheCodes_);
    lp->addWidget(resume_);
    lp->addWidget(droite, 1);
    onglets_->addTab(premier, QStringLiteral("R\u00e9sum\u00e9 et codes de retour"));

    // Files in error.
    auto* second = new QSplitter(Qt::Horizontal);
    introuvables_ = new TableauComplements(
        QStringLiteral("tableauComplementsIntrouvables"),
        {QStringLiteral("Fichier"), QStringLiteral("Occurrences")}, 1, Qt::DescendingOrder);
    erreurs_ = new TableauComplements(QStringLiteral("tableauComplementsErreurs"),
                                      {QStringLiteral("Fichier"), QStringLiteral("Occurrences")}, 1,
                                      Qt::DescendingOrder);
    second->addWidget(grilleTitree(QStringLiteral("Pages introuvables (404)"), introuvables_));
    second->addWidget(grilleTitree(QStringLiteral("Erreurs du serveur (5xx)"), erreurs_));
    onglets_->addTab(second, QStringLiteral("Pages en erreur"));

    // Traffic by day.
    auto* troisieme = new QSplitter(Qt::Horizontal);
    jours_ = new TableauComplements(
        QStringLiteral("tableauComplementsJours"),
        {QStringLiteral("Jour"), QStringLiteral("Requ\u00eates"), QStringLiteral("Octets"),
         QStringLiteral("Visiteurs uniques"), QStringLiteral("Visites")},
        0, Qt::AscendingOrder);
    grapheJours_ = new QChartView;
    grapheJours_->setObjectName(QStringLiteral("grapheComplementsJours"));
    grapheJours_->setRenderHint(QPainter::Antialiasing);
    grapheJours_->chart()->setTitle(QStringLiteral("Trafic par jour"));
    grapheJours_->setAccessibleName(grapheJours_->chart()->title());
    // Axis numbers the French way: "93,4".
    grapheJours_->chart()->setLocale(QLocale(QLocale::French, QLocale::France));
    grapheJours_->chart()->setLocalizeNumbers(true);
    connect(grapheJours_->chart(), &QChart::plotAreaChanged, this, [this] { etiqueterJours(); });
    nommerPourLecteur(jours_, QStringLiteral("Trafic par jour"));
    troisieme->addWidget(jours_);
    troisieme->addWidget(grapheJours_);
    troisieme->setStretchFactor(1, 2);
    onglets_->addTab(troisieme, QStringLiteral("Trafic par jour"));
    audience_ = new TablesAudience(onglets_);
    entrees_ = new OngletEntrees(onglets_);

    auto* trouver = new QShortcut(QKeySequence::Find, this);
    trouver->setContext(Qt::WidgetWithChildrenShortcut);
    connect(trouver, &QShortcut::activated, this, [this] {
        if (TableauComplements* t = tableauCourant()) t->chercher();
    });
}

TableauComplements* PageComplements::tableauCourant() const {
    // The grid holding the focus, otherwise the first one of the sub-page shown.
    for (QWidget* w = focusWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* t = qobject_cast<TableauComplements*>(w)) return t;
    }
    switch (onglets_->currentIndex()) {
        case 0:
            return codes_;
        case 1:
            return introuvables_;
        case 2:
            return jours_;
        default:
            if (TableauComplements* t = audience_->tableauDeLOnglet(onglets_->currentWidget())) {
                return t;
            }
            if (TableauComplements* t = entrees_->tableauDeLOnglet(onglets_->currentWidget())) {
                return t;
            }
            return jours_;
    }
}

QColor PageComplements::couleurClasse(int classe) {
    switch (classe) {
        case 1:
            return QColor(0x8e, 0x7c, 0xc3);  // violet
        case 2:
            return QColor(0x3c, 0x9d, 0x3c);  // green
        case 3:
            return QColor(0x3b, 0x78, 0xc4);  // blue
        case 4:
            return QColor(0xf0, 0x8c, 0x00);  // orange
        case 5:
            return QColor(0xd0, 0x30, 0x30);  // red
        default:
            return QColor(0x99, 0x99, 0x99);
    }
}

void PageComplements::afficher(const Complements& c, const Audience* audience) {
    afficherResume(c, audience);
    afficherCodes(c);
    afficherFichiers(c);
    afficherJours(c, audience);
    audience_->afficher(audience);
}

void PageComplements::afficherEntrees(const TablesEntrees* e) {
    entrees_->afficher(e);
}

QStringList PageComplements::resume() const {
    return lignesResume_;
}

void PageComplements::afficherResume(const Complements& c, const Audience* audience) {
    QStringList l;
    const auto ligne = [&](const QString& libelle, const QString& valeur) {
        l << libelle + QStringLiteral(" : ") + valeur;
    };
    // Read, less those out of the period and those skipped: the lines every table counts.
    ligne(QStringLiteral("Lignes lues"), francais(c.lignesLues));
    if (c.lignesHorsPeriode > 0) {
        ligne(QStringLiteral("Lignes hors p\u00e9riode"), francais(c.lignesHorsPeriode));
    }
    if (c.lignesHorsFiltre > 0) {
        ligne(QStringLiteral("Lignes hors filtre"), francais(c.lignesHorsFiltre));
    }
    if (c.lignesIgnorees > 0)
        ligne(QStringLiteral("Lignes ignor\u00e9es"), francais(c.lignesIgnorees));
    ligne(QStringLiteral("Lignes analys\u00e9es"), francais(c.lignesAnalysees));
    ligne(QStringLiteral("Adresses clientes distinctes"), francais(c.adressesDistinctes));
    ligne(QStringLiteral("Requ\u00eates"), francais(c.requetes));
    ligne(QStringLiteral("Octets envoy\u00e9s"), enOctets(c.octets));
    const QString tiret = QStringLiteral("-");
    ligne(QStringLiteral("Premi\u00e8re date"),
          c.dates ? QString::fromStdString(texteInstant(c.premiere)) : tiret);
    ligne(QStringLiteral("Derni\u00e8re date"),
          c.dates ? QString::fromStdString(texteInstant(c.derniere)) : tiret);
    ligne(QStringLiteral("Jours (du premier au dernier)"), francais(c.nbJours));
    if (c.datesIllisibles > 0) {
        ligne(QStringLiteral("Requ\u00eates sans date lisible"), francais(c.datesIllisibles));
    }
    if (audience) {
        for (const auto& [libelle, valeur] : resumeAudience(*audience)) {
            ligne(depuis1252(libelle), depuis1252(valeur));
        }
    }
    lignesResumeComplements_ = l;
    ecrireResume(l);
    resume_->setToolTip(francais(c.octets) + QLatin1Char(' ') +
                        QString::fromUtf8(accord(c.octets, "octet", "octets")));
}

void PageComplements::ecrireResume(const QStringList& l) {
    lignesResume_ = l;
    QString html = QStringLiteral("<b>R\u00e9sum\u00e9</b><table cellspacing=\"3\">");
    for (const QString& s : l) {
        const qsizetype p = s.indexOf(QStringLiteral(" : "));
        html += QStringLiteral("<tr><td>") + s.left(p).toHtmlEscaped() +
                QStringLiteral("</td><td align=\"right\">") + s.mid(p + 3).toHtmlEscaped() +
                QStringLiteral("</td></tr>");
    }
    resume_->setText(html + QStringLiteral("</table>"));
}

void PageComplements::afficherCodes(const Complements& c) {
    std::vector<TableauComplements::Ligne> lignes;
    int64_t parClasse[6] = {};
    for (const CompteCode& k : c.codes) {
        lignes.push_back(
            {{QString::fromStdString(texteCode(k.code)), k.code},
             {francais(k.nombre), QVariant::fromValue<qlonglong>(k.nombre)},
             {enOctets(k.octets), QVariant::fromValue<qlonglong>(k.octets)},
             {enPourcent(part(k.nombre, c.requetes)), QVariant::fromValue<qlonglong>(k.nombre)}});
        parClasse[classeCode(k.code)] += k.nombre;
    }
    codes_->remplir(std::move(lignes));

    QChart* graphe = grapheCodes_->chart();
    graphe->removeAllSeries();
    camembert_ = new QPieSeries;
    bullesClasses_.clear();
    for (int classe : {2, 3, 4, 5, 1, 0}) {
        if (parClasse[classe] == 0) continue;
        const double p = part(parClasse[classe], c.requetes);
        QPieSlice* t = camembert_->append(
            // The legend reads rich text: "< 0,1 %" would open a tag.
            QStringLiteral("%1 (%2)")
                .arg(QString::fromLatin1(kNomsClasses[classe]), enPourcent(p))
                .toHtmlEscaped(),
            static_cast<double>(parClasse[classe]));
        t->setColor(couleurClasse(classe));
        t->setBorderColor(Qt::white);
        bullesClasses_ << QStringLiteral("%1 : %2 %3 (%4)")
                              .arg(QString::fromLatin1(kNomsClasses[classe]),
                                   francais(parClasse[classe]), requetes(parClasse[classe]),
                                   enPourcent(p));
    }
    graphe->addSeries(camembert_);
    connect(camembert_, &QPieSeries::hovered, this, [this](QPieSlice* t, bool survol) {
        const int k = static_cast<int>(camembert_->slices().indexOf(t));
        if (survol) {
            QToolTip::showText(QCursor::pos(), bulleClasse(k), grapheCodes_);
        } else {
            QToolTip::hideText();
        }
    });
}

QString PageComplements::bulleClasse(int tranche) const {
    return bullesClasses_.value(tranche);
}

void PageComplements::afficherFichiers(const Complements& c) {
    const auto lignes = [](const std::vector<CompteFichier>& l) {
        std::vector<TableauComplements::Ligne> r;
        r.reserve(l.size());
        for (const CompteFichier& f : l) {
            const QString nom = depuisJournal(f.fichier);
            r.push_back(
                {{nom, nom}, {francais(f.nombre), QVariant::fromValue<qlonglong>(f.nombre)}});
        }
        return r;
    };
    introuvables_->remplir(lignes(c.introuvables));
    erreurs_->remplir(lignes(c.erreursServeur));
}

void PageComplements::conserverEtat(bool oui) {
    for (TableauComplements* t : findChildren<TableauComplements*>()) t->conserver(oui);
}

}  // namespace kestrane
