// The rule of the lines an analysis keeps, written once for every road: the journal loaded (its
// kept lines copied apart), the stream (each line tested as it comes) and the command line naming
// a kept line by its number in the file. A line is kept when it lies in the period and passes the
// filter (Filtre.h); the period is tested first, so a line outside both counts outside the period.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/analyse/Complements.h"
#include "core/analyse/Filtre.h"
#include "core/journal/Journal.h"
#include "core/lecture/FormatJournal.h"

namespace kestrane {

class LecteurLignes;
struct OptionsAnalyse;

enum class PlaceLigne : uint8_t { gardee, horsPeriode, horsFiltre };

// Whether each line is kept. The period: the line's date and time cut as the analysis reads the
// line (the default parse, the lenient one that keeps a client which is no dotted address, or the
// format's reader); a line whose date or time cannot be read lies outside; in a format, a line
// that fails after its date was read lies in its period (the analysis then stops at it or skips
// it, rather than count it out of the period unseen), and a W3C directive lies in every period.
// The filter: the line's record read as the analysis reads it, with its whole agent; a line that
// does not read passes (the analysis then stops at it or skips it) and so does a directive. Lines
// are given in journal order (a format's reader learns W3C columns from them); one object per
// thread.
class PeriodeDesLignes {
  public:
    PeriodeDesLignes(const PeriodeAnalyse& periode, bool souple, const FormatJournal& format);
    // The period and the filter of `options` (each when set), the filter's countries from
    // options.basePays (raises kFiltrePaysSansBase when it asks for them without one).
    PeriodeDesLignes(const OptionsAnalyse& options, const FormatJournal& format);
    ~PeriodeDesLignes();
    PeriodeDesLignes(const PeriodeDesLignes&) = delete;
    PeriodeDesLignes& operator=(const PeriodeDesLignes&) = delete;

    PlaceLigne place(std::string_view ligne, std::size_t numero);
    bool contient(std::string_view ligne, std::size_t numero) {
        return place(ligne, numero) == PlaceLigne::gardee;
    }
    // For a road that reads the record itself (the stream's counts, in the default format): the
    // period alone (true without one), and the filter to test the record with (null without one),
    // which a line that does not read passes as in place().
    bool dansLaPeriode(std::string_view ligne);
    TriFiltre* filtre() { return filtre_ ? &*filtre_ : nullptr; }

  private:
    PeriodeAnalyse periode_;
    bool souple_;
    std::unique_ptr<LecteurLignes> lecteur_;  // null in the default format
    std::optional<TriFiltre> filtre_;
};

// Whether the options choose lines: a period, or a filter that is not empty.
bool choisitDesLignes(const OptionsAnalyse& options);

// The lines of the journal within the period, in order, as a journal of their own; `horsPeriode`
// counts the others, the lines whose date cannot be read among them.
Journal lignesDeLaPeriode(const Journal& journal, const PeriodeAnalyse& periode,
                          std::size_t& horsPeriode, bool souple = false,
                          const FormatJournal& format = {});

// The lines kept by the period and the filter of `options`, in order, as a journal of their own
// (on both cores for a long journal with a filter, but in W3C); the others counted in
// `horsPeriode` and `horsFiltre`. `numeros`, when given: the number in `journal` of each line kept.
Journal lignesGardees(const Journal& journal, const OptionsAnalyse& options,
                      const FormatJournal& format, std::size_t& horsPeriode,
                      std::size_t& horsFiltre, std::vector<std::size_t>* numeros = nullptr);

}  // namespace kestrane
