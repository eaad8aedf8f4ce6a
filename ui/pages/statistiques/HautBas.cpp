#include "ui/pages/statistiques/HautBas.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdint>

#include "core/lecture/UString.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

HautBas::HautBas(QLineEdit* associe, int minimum, int maximum, int position, QWidget* parent)
    : QWidget(parent),
      associe_(associe),
      minimum_(minimum),
      maximum_(maximum),
      position_(position),
      repetition_(new QTimer(this)) {
    connect(repetition_, &QTimer::timeout, this, [this] {
        repetition_->setInterval(50);
        avancer(sensEnfonce_);
    });
}

void HautBas::avancer(int sens) {
    // The box may have been typed into since the last press: its number is where the arrows
    // start from. A text that is no number is left as it is: the release reports it.
    int32_t lu = 0;
    if (!essayerConvertirEntier(vers1252(associe_->text()), lu)) return;
    position_ = std::clamp<int>(lu, minimum_, maximum_);
    position_ = std::clamp(position_ + (sens > 0 ? 1 : -1), minimum_, maximum_);
    associe_->setText(QString::number(position_));
}

void HautBas::paintEvent(QPaintEvent*) {
    QPainter peintre(this);
    const int moitie = height() / 2;
    const std::array<QRect, 2> fleches = {QRect(0, 0, width(), moitie),
                                          QRect(0, moitie, width(), height() - moitie)};
    for (int i = 0; i < 2; ++i) {
        QStyleOptionButton bouton;
        bouton.initFrom(this);
        bouton.rect = fleches[i];
        const bool enfonce = sensEnfonce_ == (i == 0 ? 1 : -1);
        bouton.state |= enfonce ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &bouton, &peintre, this);
        QStyleOption fleche = bouton;
        fleche.rect = fleches[i].adjusted(3, 2, -3, -2);
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                               &fleche, &peintre, this);
    }
}

void HautBas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    sensEnfonce_ = event->position().y() < height() / 2 ? 1 : -1;
    avancer(sensEnfonce_);
    repetition_->start(400);
    update();
}

void HautBas::mouseReleaseEvent(QMouseEvent* event) {
    repetition_->stop();
    sensEnfonce_ = 0;
    update();
    if (rect().contains(event->position().toPoint())) emit relache();
}

}  // namespace kestrane
