// How the report page builds its controls: each one named, at its place, in the page's fonts. For
// the page and its groups only.
#pragma once

#include <QDate>
#include <QDateEdit>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QRect>
#include <QString>
#include <QWidget>

#include "ui/vues/GrilleRapportQt.h"

namespace kestrane::rapport {

inline QFont police(int pixels, bool gras) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(gras);
    return f;
}

// Every control is named and takes the page's plain font explicitly, so that the bold caption
// font of the group it sits in does not reach it.
template <typename W>
W* controle(QWidget* parent, const char* nom, const QRect& place) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(nom));
    w->setFont(police(11, false));
    w->setGeometry(place);
    return w;
}

inline QGroupBox* groupe(QWidget* parent, const char* nom, const QString& titre,
                         const QRect& place) {
    auto* g = controle<QGroupBox>(parent, nom, place);
    g->setTitle(titre);
    g->setFont(police(11, true));
    return g;
}

inline QRadioButton* radio(QWidget* parent, const char* nom, const QString& texte,
                           const QRect& place) {
    auto* r = controle<QRadioButton>(parent, nom, place);
    r->setText(texte);
    return r;
}

inline QLabel* texte(QWidget* parent, const char* nom, const QString& contenu, const QRect& place) {
    auto* l = controle<QLabel>(parent, nom, place);
    l->setTextFormat(Qt::PlainText);
    l->setText(contenu);
    return l;
}

// A caption in white on black across the report.
inline void bandeau(QLabel* l, int pixels) {
    l->setFont(police(pixels, true));
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, Qt::white);
    l->setPalette(p);
}

inline GrilleRapportQt* grille(QWidget* parent, const char* nom, const QRect& place, int largeur0,
                               int largeur1, bool redimensionnable) {
    auto* g = controle<GrilleRapportQt>(parent, nom, place);
    g->changerLargeurs(largeur0, largeur1);
    g->permettreRedimensionnement(redimensionnable);
    return g;
}

inline QDateEdit* date(QWidget* parent, const char* nom, const QRect& place, QDate initiale) {
    auto* d = controle<QDateEdit>(parent, nom, place);
    d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    d->setCalendarPopup(true);
    d->setDate(initiale);
    return d;
}

// Places `suivant` just right of `avant`, on the same text line.
inline void aLaSuite(QWidget* avant, QWidget* suivant, int ecart) {
    avant->resize(avant->sizeHint().width(), avant->height());
    suivant->move(avant->geometry().right() + 1 + ecart, suivant->y());
}

}  // namespace kestrane::rapport
