// The analysis service: a loaded journal analysed into a ResultatAnalyse, in the same steps and
// the same order for the window's Analyse command and for the command line. The lines of the
// period are kept; the first pass parses every line on both cores, its readers counting what the
// statistics pass and the Compléments need; the statistics pass builds the eight tables from those
// counts; the Compléments figures follow when asked for. The caller follows the run through a
// SuiviAnalyse (the window: its progress bar, its status line, each grid as its table is ready).
//
// A new reader of the first pass (one more set of counts) joins the list that analyserJournal
// hands to TableauLog::memoriser, and what it counted joins ResultatAnalyse.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "core/analyse/Complements.h"
#include "core/analyse/ComptesJournal.h"
#include "core/analyse/Filtre.h"
#include "core/analyse/ResultatAnalyse.h"
#include "core/audience/Audience.h"
#include "core/journal/Journal.h"

namespace kestrane {

class Comptage;       // Comptage.h
class MemoireAgents;  // CatalogueAgents.h

struct OptionsAnalyse {
    bool ignorerNonConformes = false;
    PeriodeAnalyse periode;  // inactive: the whole journal
    // The lines counted among those of the period (Filtre.h); null or empty: all of them. A filter
    // on countries takes them from `basePays`, with the Compléments or without.
    std::shared_ptr<const Filtre> filtre;
    bool complements = false;
    // With the Compléments, the audience's countries come from this database; null: no
    // countries.
    std::shared_ptr<const BasePays> basePays;
    // With the Compléments, the figures of each loaded file, referring site and client address
    // (Entrees.h).
    bool detailEntrees = false;
    int largeurTranches = 1;         // the hourly slices' width, in hours
    bool resultatsLisibles = false;  // the tables as Lisibles.h makes them
    // Every table left in its order of first appearance, none sorted by its counts: what a base
    // of days keeps of each day, to sort the tables of a range once they are merged.
    bool ordreDApparition = false;
    FormatJournal format;            // the lines' format: the default reads them as always
    bool formatAutomatique = false;  // the format detected on the journal's first lines instead
    // One line is a journal to analyse; without it a journal of fewer than two lines is refused
    // (IssueAnalyse::pasDeFichier), as the window's Analyse always did.
    bool uneLigneSuffit = false;
    std::size_t lignesMinimum() const { return uneLigneSuffit ? 1 : 2; }
    // The catalogue's names of the agents, kept across the analyses that share it (a base's days);
    // null: each analysis classifies its agents.
    std::shared_ptr<MemoireAgents> memoireAgents;
};

// What a caller sees of an analysis while it runs; every call is made on the calling thread.
class SuiviAnalyse {
  public:
    virtual ~SuiviAnalyse() = default;
    // Runs a long computation and returns once it is done, raising its error; by default in
    // place (the window runs it on another thread and keeps painting).
    virtual void enFond(const std::function<void()>& travail) { travail(); }
    // The lines to analyse are in resultat.journal: the first pass begins.
    virtual void commencer() {}
    // On a long journal, every few tens of milliseconds of the first pass: the lines parsed so
    // far (both halves at once, so not a prefix of the journal).
    virtual void progresser(std::size_t /*faites*/) {}
    // The first pass stopped on a line's error, which is raised right after: `faites` records
    // were made before the failing line.
    virtual void premierePasseInterrompue(std::size_t /*faites*/) {}
    // The first pass is done; the statistics pass begins.
    virtual void apresPremierePasse() {}
    // The table of step `etape` (kEtapeIP ... kEtapeRequetes) is ready.
    virtual void apresEtape(int /*etape*/) {}
    // The statistics pass is done: the tables, the lists and the period kind are set.
    virtual void apresStatistiques() {}
};

enum class IssueAnalyse {
    terminee,
    pasDeFichier,  // fewer lines than lignesMinimum(): nothing is analysed, the result is untouched
    periodeVide,   // no line within the period (every line lies outside it): likewise
    filtreVide,    // lines within the period, but none passes the filter: likewise
};

// Analyses `charge` into `resultat`. Raises the error of a line that stops the first pass (not
// when the lines that do not conform are skipped) and those of the statistics pass, leaving
// `resultat` as the service comment above says. `comptes`, when given, receives the counts of a
// finished analysis, to count on the lines appended later (AnalyseProlongee.h).
IssueAnalyse analyserJournal(const Journal& charge, const OptionsAnalyse& options,
                             ResultatAnalyse& resultat, SuiviAnalyse& suivi,
                             std::unique_ptr<Comptage>* comptes = nullptr);
IssueAnalyse analyserJournal(const Journal& charge, const OptionsAnalyse& options,
                             ResultatAnalyse& resultat);

// The Compléments figures of the analysis in `resultat`, into resultat.complements, and its
// audience (countries from `basePays`) into resultat.audience: from `comptes` and `audience`
// when both counted its first pass, otherwise from one reading of its lines made for the purpose
// (the same lines: skipped by the first pass, skipped again). `audience` counted the first pass
// without the referrers (referentsParLigne false): they come from the statistics' referrer
// table, still in its first order. `enFond` as above.
void calculerComplements(ResultatAnalyse& resultat, ComptesComplements* comptes = nullptr,
                         const Execution& enFond = {},
                         std::shared_ptr<const BasePays> basePays = nullptr,
                         ComptesAudience* audience = nullptr, bool trier = true);

// The robots as the user-agent catalogue knows them (its "Spider" devices), named by their
// family ("Googlebot"); the audience's own rule names the others.
ReconnaitreRobot robotsDuCatalogue(std::shared_ptr<MemoireAgents> memoire = nullptr);

// The referring sites and searches of `audience` from the referrer table in its order of first
// appearance (before readable results reorder it).
void compterReferentsDesTables(Audience& audience, const tableauRapportStat& precedent,
                               bool trier = true);

// The counts' audience (resultat(), the counts used up), its referring sites and searches made
// from `precedent` as above beside the merge of the counts.
Audience audienceEtReferents(ComptesAudience& comptes, const tableauRapportStat& precedent,
                             bool trier = true);

}  // namespace kestrane
