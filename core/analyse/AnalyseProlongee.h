// An analysis carried on over the lines appended to its journal (a journal followed as it grows):
// the new lines are counted apart and merged into the analysis's own counts, nothing counted
// before is read again, and the result is made anew from the merged counts — the same as one
// analysis of the whole journal. Where the counts alone cannot tell (a period or a filter chosen,
// another format, the journal's last line unfinished when it was analysed, a figure only the lines
// in order give), the whole journal is analysed again instead.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "core/analyse/ResultatAnalyse.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/journal/Journal.h"

namespace kestrane {

class Comptage;

class AnalyseProlongee {
  public:
    // The analysis of `charge` with `options` that made `resultat`, and its counts
    // (analyserJournal's `comptes`; null: the first prolongation analyses again). What it needs
    // of `resultat` is kept: the result itself may go on being read and sorted elsewhere.
    AnalyseProlongee(Journal charge, OptionsAnalyse options, std::unique_ptr<Comptage> comptes,
                     const ResultatAnalyse& resultat);
    ~AnalyseProlongee();
    AnalyseProlongee(AnalyseProlongee&&) noexcept;
    AnalyseProlongee& operator=(AnalyseProlongee&&) noexcept;

    // What a prolongation did.
    struct Bilan {
        std::size_t nouvelles = 0;  // lines the journal gained
        bool relue = false;         // the whole journal analysed again
        IssueAnalyse issue = IssueAnalyse::terminee;
    };
    // Appends `octets` to the journal and makes the result of the whole into `resultat` (left as
    // it was when this raises — a new line that does not parse, when the lines that do not
    // conform are not skipped — or when the issue is not `terminee`). Runs on one thread at a
    // time.
    Bilan prolonger(std::string_view octets, ResultatAnalyse& resultat);

    const Journal& journal() const { return charge_; }

  private:
    bool enPlace() const;
    Bilan analyserDeNouveau(const Journal& plusLong, ResultatAnalyse& r);
    Bilan compterLesNouvelles(const Journal& plusLong, TableauLog enregistrements,
                              ResultatAnalyse& r, Bilan b);
    void retenir(const ResultatAnalyse& r);

    Journal charge_;
    OptionsAnalyse options_;
    std::unique_ptr<Comptage> comptes_;
    // Of the last result: the lines it analysed, its records and its format.
    Journal analysees_;
    TableauLog enregistrements_;
    FormatJournal format_;
    bool formatAutomatique_ = false;
};

}  // namespace kestrane
