// The tallies of a journal's lines into occurrence tables, one table a reading: addresses,
// systems, browsers, referrers, files, bytes, the hourly slices of an average day and the
// requests by period.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/analyse/TablesStat.h"
#include "core/journal/Journal.h"
#include "core/journal/Messages.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"

namespace kestrane {

// Period kinds of the requests report: kPeriodeToutLeFichier... (Messages.h).

// The lines a tally reads: every line of a journal, each cut by analyserLigne, whose error ends
// the tally; or the lines an analysis kept when it skipped those that do not conform (records of
// TableauLog::memoriser with an examen), which never fail. Either converts implicitly, so that a
// tally takes a journal as it always has. Holds pointers: what it is made from must outlive it.
class LignesAnalysees {
  public:
    LignesAnalysees(const Journal& journal) : journal_(&journal) {}
    LignesAnalysees(const TableauLog& retenues)
        : journal_(&retenues.journal()),
          retenues_(retenues.souple() || retenues.parFormat() ? &retenues : nullptr) {}

    const Journal& journal() const { return *journal_; }
    bool souple() const { return retenues_ != nullptr && retenues_->souple(); }
    // The format the lines are read in: null for the default.
    const FormatJournal* format() const { return retenues_ ? &retenues_->format() : nullptr; }
    std::size_t nbLignes() const { return retenues_ ? retenues_->taille() : journal_->nbLignes(); }
    RLog lire(std::size_t i) const {
        return retenues_ ? (*retenues_)[i] : analyserLigne(journal_->ligne(i));
    }
    // The journal's line (from 0) that line i is.
    std::size_t numeroLigne(std::size_t i) const {
        return retenues_ ? retenues_->numeroLigne(i) : i;
    }

  private:
    const Journal* journal_;
    const TableauLog* retenues_ = nullptr;
};

// The examen of the lines that an analysis skipping non-conforming lines keeps: the hour that the
// slices read and the hour and day that the requests report reads must convert.
bool examinerLigne(const RLog& r, std::string* raison);

// --- Tallies: each parses every line and rebuilds its table in order of first appearance.
// Counts (32-bit) and byte totals (64-bit) are checked: "Débordement d'entier" (ErreurDebordement,
// naming the journal's line that passed the range) leaves the entries built so far.
void compterAdressesIP(const LignesAnalysees& journal, tableauRapportStat& table);
void compterSystemes(const LignesAnalysees& journal, tableauRapportStat& table);
void compterNavigateurs(const LignesAnalysees& journal, tableauRapportStat& table);
void compterProvenances(const LignesAnalysees& journal, tableauRapportStat& table);
void compterFichiers(const LignesAnalysees& journal, tableauRapportStat& table);
void compterOctets(const LignesAnalysees& journal, tableauRapportStat& table);

// --- Hourly slices of an average day, `largeur` hours wide (1 to 6). Entry 0 is a blank head
// entry; the counts are divided by the number of distinct dates of the journal.
void compterTranchesHoraires(const LignesAnalysees& journal, int largeur,
                             tableauRapportStat& table);
// "08 à 09" for slice c of width w.
std::string libelleTranche(int c, int largeur);

// --- Requests by period. `type` is one of the period kinds, or empty for one entry per date.
void compterRequetes(const LignesAnalysees& journal, std::string_view type,
                     std::string_view valeur1, std::string_view valeur2, tableauRapportStat& table);
// The whole-journal entry of `nbLignes` lines ("Tous"); Débordement d'entier past 32 bits.
rapportStat entreeToutLeFichier(std::size_t nbLignes);
// "Jan" -> "01" ... "Dec" -> "12"; anything else -> "".
std::string convertirMois(std::string_view abreviation);
// The year and month choice lists derived from an all-dates table: a value is appended when it
// differs from the value appended just before it.
ListesPeriodes listesPeriodes(const tableauRapportStat& tableParDate);

}  // namespace kestrane
