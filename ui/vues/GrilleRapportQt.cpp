#include "ui/vues/GrilleRapportQt.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <climits>
#include <vector>

#include "ui/vues/Texte1252.h"

namespace kestrane {

namespace {
constexpr int kHauteurLigne = 20;
}  // namespace

// The cells of a grid, row 0 included. A fill writes every cell of every row one at a time;
// telling the view about each of them costs more than the fill itself, so the rows written are
// gathered and announced in one dataChanged when the event loop comes round.
class ModeleGrilleRapport : public QAbstractTableModel {
  public:
    explicit ModeleGrilleRapport(QObject* parent) : QAbstractTableModel(parent), lignes_(1) {
        publication_.setSingleShot(true);
        publication_.setInterval(0);
        QObject::connect(&publication_, &QTimer::timeout, this, [this] { publier(); });
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : nbLignes() - 1;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 2;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        const std::string* texte = cellule(index.column(), index.row() + 1);
        return texte ? depuis1252(*texte) : QString();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
            const std::string* texte = cellule(section, 0);
            return texte ? depuis1252(*texte) : QString();
        }
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    int nbLignes() const { return static_cast<int>(lignes_.size()); }

    void changerNbLignes(int n) {
        n = std::max(n, 1);
        const int avant = nbLignes();
        if (n > avant) {
            beginInsertRows({}, avant - 1, n - 2);
            lignes_.resize(static_cast<std::size_t>(n));
            endInsertRows();
        } else if (n < avant) {
            beginRemoveRows({}, n - 1, avant - 2);
            lignes_.resize(static_cast<std::size_t>(n));
            endRemoveRows();
            saleFin_ = std::min(saleFin_, n - 1);
        }
    }

    const std::string* cellule(int colonne, int ligne) const {
        if (colonne < 0 || colonne > 1 || ligne < 0 || ligne >= nbLignes()) return nullptr;
        return &lignes_[static_cast<std::size_t>(ligne)][static_cast<std::size_t>(colonne)];
    }

    void ecrireCellule(int colonne, int ligne, std::string_view texte) {
        if (colonne < 0 || colonne > 1 || ligne < 0 || ligne >= nbLignes()) return;
        std::string& c =
            lignes_[static_cast<std::size_t>(ligne)][static_cast<std::size_t>(colonne)];
        if (c == texte) return;
        c.assign(texte);
        saleDebut_ = std::min(saleDebut_, ligne);
        saleFin_ = std::max(saleFin_, ligne);
        if (!publication_.isActive()) publication_.start();
    }

    void publier() {
        publication_.stop();
        const int debut = saleDebut_;
        const int fin = saleFin_;
        saleDebut_ = INT_MAX;
        saleFin_ = -1;
        if (fin < debut) return;
        if (debut == 0) emit headerDataChanged(Qt::Horizontal, 0, 1);
        if (fin >= 1) {
            emit dataChanged(index(std::max(debut, 1) - 1, 0), index(fin - 1, 1),
                             {Qt::DisplayRole});
        }
    }

  private:
    std::vector<std::array<std::string, 2>> lignes_;
    // Grid rows written since the last announcement; empty when saleFin_ < saleDebut_.
    int saleDebut_ = INT_MAX;
    int saleFin_ = -1;
    QTimer publication_;
};

GrilleRapportQt::GrilleRapportQt(QWidget* parent)
    : QTableView(parent), modele_(new ModeleGrilleRapport(this)) {
    setModel(modele_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setFocusPolicy(Qt::StrongFocus);

    QHeaderView* lignes = verticalHeader();
    lignes->hide();
    lignes->setMinimumSectionSize(1);
    lignes->setDefaultSectionSize(kHauteurLigne);
    lignes->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView* entete = horizontalHeader();
    entete->setStretchLastSection(false);
    entete->setSectionsClickable(false);
    entete->setHighlightSections(false);
    entete->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    entete->setFixedHeight(kHauteurLigne);
    entete->setDefaultSectionSize(150);
}

GrilleRapportQt::~GrilleRapportQt() = default;

int GrilleRapportQt::nbLignes() const {
    return modele_->nbLignes();
}

void GrilleRapportQt::changerNbLignes(int n) {
    modele_->changerNbLignes(n);
}

std::string GrilleRapportQt::cellule(int colonne, int ligne) const {
    const std::string* texte = modele_->cellule(colonne, ligne);
    return texte ? *texte : std::string();
}

void GrilleRapportQt::ecrireCellule(int colonne, int ligne, std::string_view texte) {
    modele_->ecrireCellule(colonne, ligne, texte);
}

void GrilleRapportQt::choisirLigne(int ligne) {
    if (ligne < 0 || ligne >= nbLignes()) return;
    if (ligne == 0) {
        selectionModel()->clear();
        scrollToTop();
        return;
    }
    const QModelIndex index = modele_->index(ligne - 1, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

int GrilleRapportQt::ligneCourante() const {
    const QModelIndexList lignes = selectionModel()->selectedRows();
    return lignes.isEmpty() ? 0 : lignes.first().row() + 1;
}

void GrilleRapportQt::changerLargeurs(int colonne0, int colonne1) {
    horizontalHeader()->resizeSection(0, colonne0);
    horizontalHeader()->resizeSection(1, colonne1);
}

void GrilleRapportQt::permettreRedimensionnement(bool permis) {
    horizontalHeader()->setSectionResizeMode(permis ? QHeaderView::Interactive
                                                    : QHeaderView::Fixed);
}

void GrilleRapportQt::publierModifications() {
    modele_->publier();
}

QString GrilleRapportQt::texteBulle(const QPoint& position) const {
    const QModelIndex index = indexAt(position);
    if (!index.isValid()) return {};
    const QString texte = modele_->data(index, Qt::DisplayRole).toString();
    // What the cell shows of its width: the column, less the part out of the viewport, less the
    // cell's text margins.
    const QRect visible = visualRect(index).intersected(viewport()->rect());
    const int marges = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    if (fontMetrics().horizontalAdvance(texte) + marges <= visible.width()) {
        return bulles_ ? bulles_(index.column(), index.row() + 1) : QString();
    }
    return texte;
}

void GrilleRapportQt::changerBulles(std::function<QString(int colonne, int ligne)> bulles) {
    bulles_ = std::move(bulles);
}

bool GrilleRapportQt::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* aide = static_cast<QHelpEvent*>(event);
        const QString texte = texteBulle(aide->pos());
        if (texte.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(aide->globalPos(), bulleTexte(texte), viewport(),
                               visualRect(indexAt(aide->pos())));
        }
        return true;
    }
    return QTableView::viewportEvent(event);
}

EtiquetteQt::EtiquetteQt(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

void EtiquetteQt::ecrireTexte(std::string_view texte) {
    setText(depuis1252(texte));
}

}  // namespace kestrane
