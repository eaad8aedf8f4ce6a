// "Outils > Période analysée...": its item, its dialog and the period chosen for the next
// Analyse (the whole journal at first). The dialog's editors are bounded by the dates of the
// journal's first and last lines.
#pragma once

#include <QObject>
#include <QString>
#include <cstddef>
#include <functional>

#include "core/analyse/Complements.h"
#include "core/lecture/FormatJournal.h"

class QMenu;
class QWidget;

namespace kestrane {

class DialoguePeriode;
class Journal;

class ChoixPeriode : public QObject {
  public:
    // Adds the item at the end of `outils`; the dialog belongs to `fenetre`. `executer` runs the
    // item's command; `journal` is the journal loaded; `souple`, whether its lines that do not
    // conform are skipped (their dates are then read as the lenient parser cuts them).
    ChoixPeriode(QMenu* outils, QWidget* fenetre,
                 std::function<void(const std::function<void()>&)> executer,
                 std::function<const Journal&()> journal, std::function<bool()> souple);

    const PeriodeAnalyse& periode() const { return periode_; }
    // Back to the whole journal (another journal was loaded); whether a period was chosen.
    bool oublier();
    // The format the journal's dates are read in for the dialog's bounds (the default when not
    // set).
    void lireDatesAvec(std::function<FormatJournal()> format) { format_ = std::move(format); }

  private:
    void menuPeriodeClick();

    std::function<void(const std::function<void()>&)> executer_;
    std::function<const Journal&()> journal_;
    std::function<bool()> souple_;
    std::function<FormatJournal()> format_;
    DialoguePeriode* dialogue_;
    PeriodeAnalyse periode_;
};

// What the end message adds for `n` lines left out by the period: " (3 lignes hors période)".
QString texteHorsPeriode(std::size_t n);

}  // namespace kestrane
