#include "ui/fenetre/BarreDeStatut.h"

#include <QLabel>
#include <QStatusBar>

#include "platform/Horloge.h"
#include "ui/vues/Texte1252.h"

namespace kestrane {

BarreDeStatut::BarreDeStatut(QStatusBar* barre, std::function<QTime()> horloge)
    : barre_(barre), horloge_(std::move(horloge)) {
    barre->setObjectName(QStringLiteral("barreStatus"));
    barre->setFixedHeight(23);
    barre->setSizeGripEnabled(true);
    panneauHeure_ = new QLabel;
    panneauHeure_->setObjectName(QStringLiteral("barreStatusPanneau0"));
    panneauHeure_->setFixedWidth(80);
    panneauHeure_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panneauMessage_ = new QLabel;
    panneauMessage_->setObjectName(QStringLiteral("barreStatusPanneau1"));
    // 300 pixels at least; as the last panel it runs to the bar's end, so that a long message
    // (a load names the whole path) can be read.
    panneauMessage_->setMinimumWidth(300);
    panneauMessage_->setTextFormat(Qt::PlainText);  // it names files
    panneauMessage_->setFrameStyle(QFrame::NoFrame);
    barre->addWidget(panneauHeure_);
    barre->addWidget(panneauMessage_, 1);
}

void BarreDeStatut::ecrire(const QString& message) {
    panneauMessage_->setText(controlesVisibles(message) + QStringLiteral(" [") +
                             panneauHeure_->text() + QLatin1Char(']'));
    montrerHeure();
}

void BarreDeStatut::montrerHeure() {
    panneauHeure_->setText(texteHeure(horloge_()));
}

QString BarreDeStatut::texte() const {
    return panneauMessage_->text();
}

void BarreDeStatut::remettre(const QString& texte) {
    panneauMessage_->setText(texte);
    panneauMessage_->repaint();
}

void BarreDeStatut::peindre() {
    barre_->repaint();
}

}  // namespace kestrane
