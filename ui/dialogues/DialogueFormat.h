// "Format du journal": the offered formats, the format string of a custom one, and the loaded
// journal's first lines cut in the format chosen, a line that does not read in red with why.
#pragma once

#include <QDialog>
#include <QString>

#include "core/journal/Journal.h"
#include "core/lecture/FormatJournal.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QTableWidget;

namespace kestrane {

class DialogueFormat : public QDialog {
    Q_OBJECT
  public:
    explicit DialogueFormat(QWidget* parent = nullptr);

    // Shows `choix` (a format's command-line name or a format string, as resoudreFormat reads
    // it) and the first lines of `journal`.
    void preparer(const QString& choix, const Journal& journal);
    // The choice as it reads back: "auto", a name, or the custom string.
    QString choix() const;
    // The message of the format string that cannot be used, empty otherwise.
    QString erreur() const;

    void accept() override;

  private:
    void actualiser();

    QListWidget* listeFormats;
    QLineEdit* editChaine;
    QLabel* etiquetteErreur;
    QLabel* etiquetteDetecte;
    QTableWidget* grilleApercu;
    Journal journal_;
    QString erreur_;
};

}  // namespace kestrane
