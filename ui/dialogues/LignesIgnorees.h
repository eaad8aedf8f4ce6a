// The option that skips the lines that do not conform: its checkable item in "Outils", remembered
// between runs, and the list of the lines the last analysis skipped, in "Edition".
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "core/lecture/TableauLog.h"

class QAction;
class QDialog;
class QMenu;
class QWidget;

namespace kestrane {

class OptionLignesIgnorees : public QObject {
  public:
    // Adds the items: a separator and "&Ignorer les lignes non conformes" at the end of `outils`,
    // "Lignes &ignorées..." at the end of `edition` (disabled until an analysis skips a line).
    OptionLignesIgnorees(QMenu* outils, QMenu* edition, QWidget* fenetre);

    // Whether the next analysis skips the lines that do not conform.
    bool active() const;
    // When the statistics pass of an analysis begins: the records of its first pass, whose lines
    // the tables then count. Enables the list when lines were skipped.
    void retenir(const TableauLog& enregistrements);
    // What the end message of that analysis adds ("" when no line was skipped).
    QString suffixe() const;
    // The analysis is no longer shown (a journal was loaded): the list goes.
    void oublier();

    // The list of the skipped lines, as the dialog shows it.
    QString texteListe() const;
    void montrerListe();

  private:
    QWidget* fenetre_;
    QAction* menuIgnorerLignes_;
    QAction* menuLignesIgnorees_;
    TableauLog derniere_;
    QPointer<QDialog> dialogue_;
};

// What the end message adds when `ignorees` of `total` lines were skipped: their count, and a
// hint at another log format when they are most of the journal.
QString suffixeLignesIgnorees(std::size_t ignorees, std::size_t total);

}  // namespace kestrane
