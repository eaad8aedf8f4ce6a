// Paging along the category axis, with its scroll bar, and the zoom of the value axes.
#include <QChart>
#include <QCoreApplication>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>

#include "ui/graphes/GeometrieGraphe.h"
#include "ui/graphes/GrapheQt.h"

namespace kestrane {

void GrapheQt::zoomPourcent(int p) {
    zoom_ = p;
    chart()->zoomReset();
    appliquerZoom();
}

void GrapheQt::appliquerZoom() {
    for (const Plage& plage : plages_) {
        const auto [bas, haut] = plageZoomee(plage.min, plage.max, zoom_);
        plage.axe->setRange(bas, haut);
    }
}

int GrapheQt::nbPointsPagines() const {
    int n = 0;
    for (std::size_t s = 0; s < points_.size(); ++s) {
        if (modele_.series[s].active) n = std::max(n, static_cast<int>(points_[s].size()));
    }
    return n;
}

void GrapheQt::allerAuPoint(int k) {
    const int parPage = modele_.pointsParPage;
    if (parPage <= 0) return;
    k = std::clamp(k, 0, std::max(0, nbPointsPagines() - parPage));
    if (k == premier_) return;
    premier_ = k;
    sale_ = true;
    if (barre_ != nullptr) {
        const QSignalBlocker bloque(barre_);
        barre_->setValue(k);
    }
    if (isVisible()) actualiser();
}

void GrapheQt::mettreAJourBarre() {
    if (barre_ == nullptr) return;
    const int parPage = modele_.pointsParPage;
    const int n = nbPointsPagines();
    {
        const QSignalBlocker bloque(barre_);
        barre_->setRange(0, std::max(0, n - parPage));
        barre_->setPageStep(parPage);
        barre_->setSingleStep(1);
        barre_->setValue(premier_);
    }
    const bool visible = n > parPage;
    if (visible == !barre_->isHidden()) return;
    barre_->setVisible(visible);
    placerBarre();
}

// The bar takes a strip of the view; the chart fills what is left.
void GrapheQt::placerBarre() {
    const bool visible = barre_ != nullptr && !barre_->isHidden();
    if (visible) {
        const QRect r = contentsRect();
        if (barre_->orientation() == Qt::Horizontal) {
            const int h = barre_->sizeHint().height();
            setViewportMargins(0, 0, 0, h);
            barre_->setGeometry(r.left(), r.bottom() + 1 - h, r.width(), h);
        } else {
            const int l = barre_->sizeHint().width();
            setViewportMargins(0, 0, l, 0);
            barre_->setGeometry(r.right() + 1 - l, r.top(), l, r.height());
        }
    } else {
        setViewportMargins(0, 0, 0, 0);
    }
    const QSize taille = viewport()->size();
    chart()->resize(taille);
    setSceneRect(QRectF(QPointF(0, 0), QSizeF(taille)));
}

void GrapheQt::wheelEvent(QWheelEvent* event) {
    if (barre_ != nullptr && !barre_->isHidden()) {
        QCoreApplication::sendEvent(barre_, event);
        return;
    }
    QChartView::wheelEvent(event);
}

}  // namespace kestrane
