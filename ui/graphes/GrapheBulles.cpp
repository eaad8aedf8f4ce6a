// The tooltips: a bar's, a slice's or a point's whole label and its value, shown where the
// pointer is.
#include <QChart>
#include <QMouseEvent>
#include <QToolTip>
#include <cmath>

#include "ui/graphes/DessinGraphe.h"
#include "ui/graphes/GrapheQt.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

using dessin::texteMarque;

QString GrapheQt::texteBulle(int serie, int point) const {
    if (serie < 0 || serie >= nbSeries() || point < 0 || point >= nbPoints(serie)) return {};
    const PointGraphe& p = points_[serie][point];
    const ModeleSerie& m = modele_.series[serie];
    const QString valeur =
        m.formatBulle != nullptr ? m.formatBulle(p.valeur) : texteMarque(m, p.valeur);
    return p.libelle.isEmpty() ? valeur : p.libelle + QLatin1Char('\n') + valeur;
}

void GrapheQt::montrerBulle(const QString& texte, bool survol) {
    if (survol && !texte.isEmpty()) {
        // At the pointer, which hovers the bar; the chart's middle if it is elsewhere.
        const QPoint pointeur = QCursor::pos();
        QToolTip::showText(
            rect().contains(mapFromGlobal(pointeur)) ? pointeur : mapToGlobal(rect().center()),
            bulleTexte(texte), this);
    } else {
        QToolTip::hideText();
    }
}

// A bar a pixel long is out of the pointer's reach: anywhere in its row (its column, for vertical
// bars) the pointer shows the bar's tooltip.
void GrapheQt::montrerBulleRangee(const QPoint& position) {
    if (rangees_.serie == nullptr) return;
    QChart* c = chart();
    const QPointF p = c->mapFromScene(mapToScene(position));
    int k = -1;
    if (c->plotArea().contains(p)) {
        const QPointF v = c->mapToValue(p, rangees_.serie);
        k = static_cast<int>(std::lround(rangees_.horizontales ? v.y() : v.x()));
    }
    if (k < 0 || k >= rangees_.nb) {
        if (bulleRangee_) montrerBulle(QString(), false);
        bulleRangee_ = false;
        return;
    }
    bulleRangee_ = true;
    // Horizontal bars count their rows from the bottom.
    const int point = rangees_.debut + (rangees_.horizontales ? rangees_.nb - 1 - k : k);
    montrerBulle(texteBulle(rangees_.s, point), true);
}

void GrapheQt::mouseMoveEvent(QMouseEvent* event) {
    QChartView::mouseMoveEvent(event);
    montrerBulleRangee(event->position().toPoint());
}

void GrapheQt::leaveEvent(QEvent* event) {
    QChartView::leaveEvent(event);
    if (bulleRangee_) montrerBulle(QString(), false);
    bulleRangee_ = false;
}

}  // namespace kestrane
