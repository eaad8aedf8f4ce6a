// The rule of the period an analysis is limited to, written once for every road: the journal
// loaded (its lines of the period copied apart), the stream (each line tested as it comes) and
// the command line naming a line of the period by its number in the file.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "core/analyse/Complements.h"
#include "core/journal/Journal.h"
#include "core/lecture/FormatJournal.h"

namespace kestrane {

class LecteurLignes;

// Whether each line lies in the period: its date and time cut as the analysis reads the line (the
// default parse, the lenient one that keeps a client which is no dotted address, or the format's
// reader). A line whose date or time cannot be read lies outside; in a format, a line that fails
// after its date was read lies in its period (the analysis then stops at it or skips it, rather
// than count it out of the period unseen), and a W3C directive lies in every period. Lines are
// given in journal order (a format's reader learns W3C columns from them); one object per thread.
class PeriodeDesLignes {
  public:
    PeriodeDesLignes(const PeriodeAnalyse& periode, bool souple, const FormatJournal& format);
    ~PeriodeDesLignes();
    PeriodeDesLignes(const PeriodeDesLignes&) = delete;
    PeriodeDesLignes& operator=(const PeriodeDesLignes&) = delete;

    bool contient(std::string_view ligne, std::size_t numero);

  private:
    PeriodeAnalyse periode_;
    bool souple_;
    std::unique_ptr<LecteurLignes> lecteur_;  // null in the default format
};

// The lines of the journal within the period, in order, as a journal of their own; `horsPeriode`
// counts the others, the lines whose date cannot be read among them.
Journal lignesDeLaPeriode(const Journal& journal, const PeriodeAnalyse& periode,
                          std::size_t& horsPeriode, bool souple = false,
                          const FormatJournal& format = {});

}  // namespace kestrane
