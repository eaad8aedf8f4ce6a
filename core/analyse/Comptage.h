// The counts of an analysis: the readers of the first pass that the options ask for, in their one
// order, and the results made from what they counted. Every road that counts lines goes through
// it — the journal loaded in the window, the command line's streams, a recount of the Compléments
// — so that a new reader joins here, once.
//
// The lines are handed to lecteur() by the road's own driver (TableauLog::memoriser over a loaded
// journal, the blocks of a stream), in journal order within each of at most two stretches.
// fusionner() takes in the counts of the lines that follow, counted apart; the results are read
// from the counts without using them up, so counting may go on after a result is made.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/analyse/AnalyseFormat.h"
#include "core/analyse/Complements.h"
#include "core/analyse/ComptesJournal.h"
#include "core/analyse/Entrees.h"
#include "core/analyse/Lisibles.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/analyse/ResultatAnalyse.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/audience/Audience.h"

namespace kestrane {

class FilAuxiliaire;

class Comptage {
  public:
    // `format`: the format the lines are read in (another than the default adds the counts of its
    // extra fields, virtual hosts and response times). `appelant`: a reader of the caller's own,
    // handed every counted line after the others (it must know how to fold and adopt, and outlive
    // the counts); null for none.
    Comptage(const OptionsAnalyse& options, const FormatJournal& format,
             LecteurEnregistrements* appelant = nullptr);
    ~Comptage();
    Comptage(const Comptage&) = delete;
    Comptage& operator=(const Comptage&) = delete;

    // Every reader in series (one reader alone is handed directly: a call less per line).
    LecteurEnregistrements& lecteur() { return *lecteur_; }
    // The cut of the agent the readers need from the parse.
    CoupeAgent coupe() const { return coupePour(lecteur_); }
    ComptesJournal& statistiques() { return statistiques_; }
    // The audience's counts, when the options ask for the Compléments; null otherwise.
    ComptesAudience* audience() { return audience_ ? &*audience_ : nullptr; }
    // A stream's folds share the caller's second thread.
    void partagerFil(FilAuxiliaire* fil) {
        fil_ = fil;
        statistiques_.partagerFil(fil);
    }

    // --- Counting runs of lines in the default format, apart from a loaded journal's first pass.
    // `journal`: the journal the lines lie in, loaded whole and outliving the counts, which then
    // keep views into it; empty for a stream's blocks, whose keys are copied as they go.
    void commencer(const Journal& journal = Journal());
    // What counting a run gave: its lines out of the period, left out by the filter, skipped
    // (lenient reading) and counted; where it stopped on a line that raises (its index in the run,
    // its error, whether it begins with no dotted address, whether it is empty).
    struct Bilan {
        std::size_t horsPeriode = 0, horsFiltre = 0, ignorees = 0, gardees = 0;
        std::size_t arret = SIZE_MAX;
        std::exception_ptr erreur;
        bool clientNonPointe = false, ligneVide = false;
    };
    // Counts `lignes` (views into `octets`), which follow the lines counted before: on both cores
    // when they are many, then folded. A line that raises stops the run (the lines before it in
    // each half counted, no fold): the bilan names the first in line order. A sum past its range
    // in the fold raises (it names no line). `premiere`: the number in their journal of the first
    // line.
    Bilan compter(const std::vector<std::string_view>& lignes, std::string_view octets,
                  std::size_t premiere);
    // After the last run.
    void terminer() { lecteur_->terminer(); }
    // After a loaded journal's first pass (TableauLog::memoriser, on one or two stretches): its
    // second stretch folded into the first, so that the counts of lines that follow can be merged
    // in (fusionner).
    void reprendre() { lecteur_->replier(); }
    // The counts of `suite`, made apart over the lines that follow these in the same journal
    // (loaded whole) with the same options, taken in: the counts are then those of all the lines
    // read at once, every table in order of first appearance. `suite` is left empty.
    void fusionner(Comptage& suite);

    // The eight tables and every other result from the counts alone, none of the lines read
    // again, into `r` (its lines left empty), the counts left as they are: false, `r` partly
    // made, when only the lines read again in order could tell (an hour that does not convert,
    // a count past 32 bits, an uncertain byte sum). `lues`: the lines read, `horsPeriode` of them
    // left out by the period and `horsFiltre` by the filter; `ignorees`: skipped (the lenient
    // reading), counted when given.
    bool resultat(ResultatAnalyse& r, std::size_t lues, std::size_t horsPeriode,
                  std::optional<std::size_t> ignorees, std::size_t horsFiltre = 0);

    // Whether a Compléments byte sum may have passed the 64-bit range, which only the lines read
    // again in order can tell (a stream cannot).
    bool octetsIncertains() const { return complements_ && complements_->octetsIncertains(); }

    // The tables of a format's extra fields (empty in the default format), as soon as the lines
    // are counted.
    TablesEnPlus tablesEnPlus() const { return enPlus_ ? enPlus_->resultat() : TablesEnPlus(); }

    // The results beside the eight tables and the extra fields', from the counts, into `r`, whose
    // tables are set in their first order (the referring sites group the referrer table in it): the
    // Compléments and their audience, then the readable tables. The Compléments' summary counts
    // r.lignesJournal lines read, r.horsPeriode out of the period and `ignorees` skipped (when the
    // lines that do not conform were skipped). Raises ErreurDebordement, with the line, when a byte
    // sum in journal order passes the 64-bit range.
    void completer(ResultatAnalyse& r, std::optional<std::size_t> ignorees,
                   const Execution& enFond = {});

  private:
    OptionsAnalyse options_;
    FormatJournal format_;
    ComptesJournal statistiques_;
    std::optional<ComptesComplements> complements_;
    std::optional<ComptesAudience> audience_;
    std::optional<ComptesEntrees> entrees_;
    std::optional<ComptesLisibles> lisibles_;
    std::optional<ComptesEnPlus> enPlus_;
    std::unique_ptr<LecteursEnSerie> serie_;
    LecteurEnregistrements* lecteur_ = nullptr;
    FilAuxiliaire* fil_ = nullptr;
    // compter(): the lines of the period that pass the filter, tested on each half's own thread,
    // and the first half's share of a run, after the two threads' speeds (the first counts into the
    // tables of every run before, more keys further in memory; the second into tables emptied at
    // each fold).
    std::optional<PeriodeDesLignes> periodes_[2];
    double part_ = 0.5;
};

// The counts of each day of a journal loaded whole (what a base of days keeps): one count per run
// of lines of one day, in journal order, a line whose date does not read going with the run it
// lies in. A day's counts are those of its lines alone: its visitors are its own (a visitor is a
// client and an agent on one day, as peers publish them), so a visit across midnight is a visit of
// each day. Merged in journal order (Comptage::fusionner), the days' counts are those of all the
// lines read at once, every table in its order of first appearance; a day whose lines come in
// two runs (a late line after midnight) has two counts. In the default format; the counting stops
// at the first line that raises, whose run then holds it in its bilan. Lines [premiere, derniere)
// of the journal only (the lines a base has not counted yet), numbered in the journal.
struct CompteDuJour {
    int64_t jour = 0;  // days since 1970-01-01 of the run's first dated line (0: none dated)
    std::size_t premiere = 0, lignes = 0;  // the run: its first line and how many
    Comptage::Bilan bilan;
    std::unique_ptr<Comptage> comptes;
};
std::vector<CompteDuJour> compterParJour(const OptionsAnalyse& options, const Journal& journal,
                                         std::size_t premiere = 0, std::size_t derniere = SIZE_MAX);

}  // namespace kestrane
