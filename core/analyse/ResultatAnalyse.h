// The outcome of an analysis, as one value: what was read, the records of the first pass and the
// lines it skipped, the eight occurrence tables, the period kind of the requests report, the
// Compléments figures and a summary. The analysis service (ServiceAnalyse.h) fills it; the
// window's pages, the exports and the command line read it. The report page's sorts and
// recounts change its tables in place: a later sort starts from the order an earlier one left.
//
// The service fills it step by step, so that a run that fails leaves what the steps before the
// failure made new and the rest as the previous run left it (the window shows exactly that).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "core/analyse/AnalyseFormat.h"
#include "core/analyse/Complements.h"
#include "core/analyse/Decomptes.h"
#include "core/analyse/Entrees.h"
#include "core/analyse/Filtre.h"
#include "core/analyse/Lisibles.h"
#include "core/audience/Audience.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"

namespace kestrane {

struct ResultatAnalyse {
    // --- What was read, set before the first pass.
    Journal journal;                // the lines analysed: the journal loaded, or its period's
    std::size_t lignesJournal = 0;  // lines of the journal loaded
    PeriodeAnalyse periode;         // inactive: the whole journal
    std::size_t horsPeriode = 0;    // lines of the journal loaded left out by the period
    // The filter the lines were kept by (null: none), and the lines within the period it left out.
    std::shared_ptr<const Filtre> filtre;
    std::size_t horsFiltre = 0;
    // With a filter: the number in the journal loaded (from 0) of each line of `journal`.
    std::shared_ptr<const std::vector<std::size_t>> numerosGardes;
    FormatJournal format;            // the format the lines were read in
    bool formatAutomatique = false;  // `format` was chosen by detection

    // --- The first pass: a record per line analysed (per kept line when the lines that do not
    // conform are skipped), and the skipped lines. Made again by each first pass, even one
    // that fails: its size is then the failing line's index.
    TableauLog enregistrements;

    // --- The statistics pass.
    // The first pass's records when it skipped the lines that do not conform, empty otherwise:
    // whose kept lines the tables count. Set as the statistics pass begins.
    TableauLog retenues;
    TablesAnalyse tables;
    ListesPeriodes listes;       // the year and month choices of the requests report
    std::string periodeChoisie;  // the period kind of the requests report, empty before any
    // With readable results, the tables above are the readable ones (Lisibles.h).
    ResultatsLisibles lisibles;

    // --- The Compléments figures, when the analysis was asked for them.
    std::optional<Complements> complements;
    // Their audience (visitors, visits, referring sites, robots, countries...), set with them.
    std::optional<Audience> audience;
    // With them when asked for (OptionsAnalyse::detailEntrees): the figures of each loaded file,
    // referring site and client address.
    std::optional<TablesEntrees> entrees;

    // --- In a format other than the default: virtual hosts and response times.
    TablesEnPlus enPlus;

    // The lines the tables count; the report's later recounts read the same ones.
    LignesAnalysees lignes() const {
        return retenues.souple() || retenues.parFormat() ? LignesAnalysees(retenues)
                                                         : LignesAnalysees(journal);
    }
};

// An analysis in four figures, as the command line and the end message tell it.
struct ResumeAnalyse {
    std::size_t lignesAnalysees = 0;
    std::size_t ignorees = 0;  // lines skipped as not conforming
    std::size_t horsPeriode = 0;
    std::size_t adresses = 0;  // distinct client addresses
    std::size_t horsFiltre = 0;
};

inline ResumeAnalyse resumer(const ResultatAnalyse& r) {
    return {r.lignes().nbLignes(), r.retenues.nbIgnorees(), r.horsPeriode, r.tables.statIP.size(),
            r.horsFiltre};
}

}  // namespace kestrane
