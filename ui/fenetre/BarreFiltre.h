// The filter bar above the pages: a field where a filter expression is typed (the command line's
// --filtre syntax), the terms in force, and a button that clears them. Hidden until used (Ctrl+L,
// or a row of a table filtered on), so the window without a filter looks as it always did. The
// filter is applied by the next Analyse, which the window starts at once when one was shown.
#pragma once

#include <QString>
#include <QToolBar>
#include <functional>
#include <memory>
#include <string>

#include "core/analyse/Filtre.h"

class QLabel;
class QLineEdit;
class QToolButton;
class QCompleter;

namespace kestrane {

class BarreFiltre : public QToolBar {
  public:
    // `changement` runs when the filter in force changes (set, widened, cleared); `erreur` shows
    // why an expression was refused (the filter in force then stays).
    BarreFiltre(QWidget* parent, std::function<void()> changement,
                std::function<void(const QString&)> erreur);

    // The filter in force; null when none.
    std::shared_ptr<const Filtre> filtre() const { return filtre_; }
    // Reads `expression` (UTF-8, or a table's bytes): true and in force when it reads, otherwise
    // false, the message shown and the filter in force kept. An empty expression clears.
    bool appliquer(const std::string& expression);
    // One more term, and-ed with those in force (a row of a table filtered on or left out).
    bool ajouterTerme(const std::string& terme);
    // No filter, the field empty and the bar hidden; `changement` runs when one was in force.
    void effacer();
    // Shows the bar and puts the keyboard in its field.
    void saisir();
    // The values the field completes after a field name (the tables' entries): name -> values.
    void completerAvec(const QStringList& valeurs);

    QLineEdit* champ() const { return champ_; }

  protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

  private:
    void montrerTermes();

    QLineEdit* champ_;
    QLabel* termes_;
    QToolButton* effacer_;
    QCompleter* completion_;
    std::shared_ptr<const Filtre> filtre_;
    std::string texte_;  // the expression in force
    std::function<void()> changement_;
    std::function<void(const QString&)> erreur_;
};

// "Filtre : N lignes sur M", for the status line.
QString texteFiltre(std::size_t gardees, std::size_t lues);

}  // namespace kestrane
