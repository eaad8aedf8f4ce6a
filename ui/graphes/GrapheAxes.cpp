// The axes and the legend: built with the first cartesian series, their texts fitted to the
// chart's size and drawn by the chart itself.
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QSet>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/graphes/GeometrieGraphe.h"
#include "ui/graphes/GrapheQt.h"

namespace kestrane {

QStringList categoriesUniques(const QStringList& libelles) {
    QStringList noms;
    noms.reserve(libelles.size());
    QSet<QString> vus;
    for (const QString& libelle : libelles) {
        QString nom = libelle.toHtmlEscaped();
        while (nom.isEmpty() || vus.contains(nom)) nom += QChar(0x200B);
        vus.insert(nom);
        noms.append(nom);
    }
    return noms;
}

// The first cartesian series sets the axes; the others of the chart share them.
void GrapheQt::construireAxes(const std::vector<PointGraphe>& points, int debut, int fin,
                              bool horizontal) {
    if (axeValeurs_ != nullptr) return;
    QChart* c = chart();
    if (modele_.libellesCategories) {
        for (int i = debut; i < fin; ++i) libellesPage_.append(points[i].libelle);
        axeInverse_ = horizontal;
    }
    if (modele_.libellesCategories && !modele_.zoomSouris) {
        QStringList noms = categoriesUniques(libellesPage_);
        if (horizontal) std::reverse(noms.begin(), noms.end());
        auto* axe = new QBarCategoryAxis;
        axe->append(noms);
        axe->setLabelsAngle(modele_.angleLibelles);
        axe->setLabelsVisible(false);  // drawn by placerLibellesAxe
        axeCategories_ = axe;
    } else {
        // Positions only: the points are named by the legend, by labels drawn at their places
        // (a chart that zooms: its rows move with the zoom), or not at all.
        auto* axe = new QValueAxis;
        axe->setVisible(false);
        axe->setTruncateLabels(false);
        plages_.push_back({axe, -0.5, fin - debut - 0.5});
        connect(axe, &QValueAxis::rangeChanged, this, [this] {
            placerMarques();
            placerLibellesAxe();
        });
        axeCategories_ = axe;
    }
    if (horizontal) std::reverse(libellesPage_.begin(), libellesPage_.end());  // in axis order
    double bas = 0, haut = 0;
    for (int i = debut; i < fin; ++i) {
        bas = std::min(bas, points[i].valeur / diviseur_);
        haut = std::max(haut, points[i].valeur / diviseur_);
    }
    // Headroom for the marks beyond the longest bar or the highest point.
    haut = haut > 0 ? haut * 1.15 : 1.0;
    bas *= 1.15;
    axeValeurs_ = new QValueAxis;
    axeValeurs_->setLineVisible(modele_.ligneAxeValeurs);
    axeValeurs_->setTickCount(horizontal ? 3 : 5);  // room for wide numbers across
    // A unit after the number is written with it: "53 Mo".
    axeValeurs_->setLabelFormat(
        (haut - bas >= 10 ? QStringLiteral("%.0f") : QStringLiteral("%.1f")) + unite_);
    axeValeurs_->setTruncateLabels(false);  // "5…" tells no value
    plages_.push_back({axeValeurs_, bas, haut});
    connect(axeValeurs_, &QValueAxis::rangeChanged, this, [this] { placerMarques(); });

    c->addAxis(axeCategories_, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    c->addAxis(axeValeurs_, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
}

// The category labels are drawn by the chart itself, in a margin it keeps for them: Qt's axis
// hides its first label as soon as a row is lower than a label with its padding, and cuts the
// others to "…". Here each label is elided in the middle to the room given, at most 38 % of the
// width on the left of horizontal bars, 30 % of the height for turned labels; this returns the
// margin that room takes.
double GrapheQt::ajusterAxeCategories(const QFont& police) {
    textesAxe_.clear();
    if (libellesPage_.isEmpty()) return 0;
    policeAxe_ = police;
    const QFontMetricsF fm(police);
    const QSizeF taille = chart()->size();
    const double place = placeLibellesAxe(taille, axeInverse_, modele_.angleLibelles);
    if (place == 0) return fm.height() + 6;  // elided in placerLibellesAxe, to the columns' width
    double large = 0;
    for (const QString& libelle : libellesPage_) {
        textesAxe_.append(fm.elidedText(libelle, Qt::ElideMiddle, place));
        large = std::max(large, fm.horizontalAdvance(textesAxe_.back()));
    }
    return std::ceil(large) + 6;
}

// Lays the category labels along the plot: when the rows (or columns) are narrower than a
// label, only every second, third... is drawn, counted from the first point of the page.
void GrapheQt::placerLibellesAxe() {
    for (QGraphicsSimpleTextItem* item : libellesAxe_) delete item;
    libellesAxe_.clear();
    libellesVisibles_.clear();
    if (libellesPage_.isEmpty() || serieAxes_ == nullptr || !isVisible()) return;
    QChart* c = chart();
    const QRectF zone = c->plotArea();
    const int n = static_cast<int>(libellesPage_.size());
    if (zone.width() < 2 || zone.height() < 2) return;
    libellesVisibles_ = QStringList(n, QString());
    const QFontMetricsF fm(policeAxe_);
    const double h = fm.height();
    const bool tourne = !axeInverse_ && modele_.angleLibelles != 0;
    // A row's height (a column's width), zoomed or not.
    const QPointF p0 = c->mapToPosition(QPointF(0, 0), serieAxes_);
    const QPointF p1 = c->mapToPosition(axeInverse_ ? QPointF(0, 1) : QPointF(1, 0), serieAxes_);
    const double rangee =
        std::max(1.0, axeInverse_ ? std::fabs(p1.y() - p0.y()) : std::fabs(p1.x() - p0.x()));
    const bool droit = !axeInverse_ && !tourne;
    double large = 0;
    if (droit) {
        for (const QString& l : libellesPage_) large = std::max(large, fm.horizontalAdvance(l));
    }
    const int pas = pasLibellesAxe(rangee, h, large, droit);
    for (int k = 0; k < n; ++k) {
        const int rang = axeInverse_ ? n - 1 - k : k;  // the point's place on its page
        if (rang % pas != 0) continue;
        QString texte = textesAxe_.isEmpty()
                            ? fm.elidedText(libellesPage_[k], Qt::ElideMiddle, pas * rangee - 8)
                            : textesAxe_[k];
        if (texte.isEmpty()) continue;
        const QPointF p = c->mapToPosition(axeInverse_ ? QPointF(0, k) : QPointF(k, 0), serieAxes_);
        // A row zoomed out of the plot has no label.
        const double position = axeInverse_ ? p.y() : p.x();
        if (position < (axeInverse_ ? zone.top() : zone.left()) - 0.5 ||
            position > (axeInverse_ ? zone.bottom() : zone.right()) + 0.5)
            continue;
        const double largeur = fm.horizontalAdvance(texte);
        auto* item = new QGraphicsSimpleTextItem(texte, c);
        item->setFont(policeAxe_);
        if (!axeInverse_) item->setBrush(couleurDessous());
        if (tourne) item->setRotation(-90);
        item->setPos(positionLibelleAxe(zone, p, largeur, h, axeInverse_, tourne));
        libellesAxe_.push_back(item);
        libellesVisibles_[k] = texte;
    }
}

// The address chart's legend is the only key to its bars: drawn by the chart in its right
// margin, every entry keeps its row, its text smaller and elided in the middle when the chart is
// small (the whole text in the bar's tooltip). Qt's own legend drops the rows it has no room for.
double GrapheQt::ajusterLegende() {
    textesLegende_.clear();
    if (!modele_.legende || ensemblesNommes_.empty()) return 0;
    const QSizeF taille = chart()->size();
    const int n = static_cast<int>(ensemblesNommes_.size());
    policeLegende_ = QFont();
    policeLegende_.setPixelSize(pixelsPoliceLegende(taille.height(), n));
    const QFontMetricsF fm(policeLegende_);
    const double place = placeLegende(taille.width());
    double large = 0;
    for (const auto& e : ensemblesNommes_) {
        textesLegende_.append(fm.elidedText(e.second, Qt::ElideMiddle, place));
        large = std::max(large, fm.horizontalAdvance(textesLegende_.back()));
    }
    largeurLegende_ = largeurLegende(large, fm.height());
    return largeurLegende_;
}

void GrapheQt::placerLegende() {
    for (QGraphicsItem* item : legende_) delete item;
    legende_.clear();
    if (textesLegende_.isEmpty()) return;
    QChart* c = chart();
    const QFontMetricsF fm(policeLegende_);
    const int n = static_cast<int>(textesLegende_.size());
    const std::vector<RangeeLegende> rangees =
        rangeesLegende(c->plotArea(), c->size().width(), largeurLegende_, fm.height(), n);
    for (int k = 0; k < n; ++k) {
        auto* carre = new QGraphicsRectItem(rangees[k].carre, c);
        carre->setBrush(ensemblesNommes_[k].first->brush());
        carre->setPen(ensemblesNommes_[k].first->borderColor());
        auto* texte = new QGraphicsSimpleTextItem(textesLegende_[k], c);
        texte->setFont(policeLegende_);
        texte->setPos(rangees[k].texte);
        legende_.push_back(carre);
        legende_.push_back(texte);
    }
}

QStringList GrapheQt::libellesAxe() const {
    return libellesVisibles_;
}

QStringList GrapheQt::libellesLegende() const {
    QStringList textes;
    for (const QGraphicsItem* item : legende_) {
        if (const auto* t = dynamic_cast<const QGraphicsSimpleTextItem*>(item))
            textes.append(t->text());
    }
    return textes;
}

}  // namespace kestrane
