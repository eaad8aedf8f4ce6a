// What the window tests share: a main window whose modal things answer without blocking.
#pragma once

#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QString>

#include "platform/BipAlsa.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/ui/Controles.h"
#include "ui/fenetre/UFormPrincipale.h"

namespace kestrane::tests {

// A window whose boxes record their texts, whose beeps are recorded and whose end is counted.
struct Fenetre {
    BipEnregistreur bip;
    TForm1 form{bip};
    int fins = 0;
    Fenetre() {
        form.boites.enregistrer = true;
        form.terminer = [this] { ++fins; };
    }
    QString statut() const { return controle<QLabel>(form, "barreStatusPanneau1")->text(); }
    // The message part of the status line, without the bracketed time.
    QString message() const {
        static const QRegularExpression heure(QStringLiteral(" \\[\\d\\d:\\d\\d:\\d\\d\\]$"));
        QString s = statut();
        const auto m = heure.match(s);
        return m.hasMatch() ? s.left(m.capturedStart()) : QStringLiteral("<sans heure> ") + s;
    }
};

inline QByteArray lire(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return "<illisible>";
    return f.readAll();
}

}  // namespace kestrane::tests
