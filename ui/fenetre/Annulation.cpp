#include "ui/fenetre/Annulation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

#include "ui/fenetre/ExecuteurCommandes.h"

namespace kestrane {

Annulation::Annulation(QPushButton* bouton, ExecuteurCommandes& executeur,
                       std::function<void()> placer)
    : QObject(bouton), bouton_(bouton), executeur_(executeur), placer_(std::move(placer)) {
    bouton_->hide();
    connect(bouton_, &QPushButton::clicked, this, [this] { demander(); });
}

Annulation::Etape::Etape(Annulation& a) : a_(a) {
    if (a_.etapes_++ > 0) return;
    a_.demandee_ = false;
    a_.bouton_->show();
    a_.placer_();
    qApp->installEventFilter(&a_);
    a_.executeur_.accepterEntrees(true);
}

Annulation::Etape::~Etape() {
    if (--a_.etapes_ > 0) return;
    a_.executeur_.accepterEntrees(false);
    qApp->removeEventFilter(&a_);
    a_.bouton_->hide();
    a_.placer_();
}

bool Annulation::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(evenement)->key() == Qt::Key_Escape) {
        demander();
        return true;
    }
    return QObject::eventFilter(objet, evenement);
}

}  // namespace kestrane
