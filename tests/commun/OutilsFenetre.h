// What the window tests share: a main window whose modal things answer without blocking, a
// folder for the files a test writes, and the load and Analyse commands given as a user gives
// them.
#pragma once

#include <QByteArray>
#include <QLabel>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "platform/BipAlsa.h"
#include "tests/commun/BipEnregistreur.h"
#include "tests/commun/Controles.h"
#include "tests/commun/DossierDeTest.h"
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

// The whole content of a file; "<illisible>" when it cannot be read.
QByteArray lire(const QString& chemin);

// The lines, each ended by LF, as the bytes of a journal file.
QByteArray journal(const std::vector<std::string>& lignes);

// What a tooltip or a label of rich text shows, its markup read as Qt reads it (line breaks as
// "\n").
QString texteAffiche(const QString& texte);

// The load command from its menu item, the open dialog answering `chemin`.
void charger(TForm1& w, const QString& chemin);
// The Analyse command, by a click on its button.
void analyser(TForm1& w);
// The rows of a report grid of the window, each "key|count".
QStringList cellules(const TForm1& w, const char* grille);

}  // namespace kestrane::tests
