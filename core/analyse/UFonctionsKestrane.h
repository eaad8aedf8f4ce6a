// Occurrence tables and the operations over them: the tallies, the hourly slices, the
// requests-by-period report, sort and search of report grids, chart feeding and the tunes. No
// table lives here: an analysis's tables belong to its result (ResultatAnalyse.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/analyse/Interfaces.h"
#include "core/journal/Journal.h"
#include "core/journal/Messages.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"

namespace kestrane {

class FilAuxiliaire;
template <typename Cle>
class IndexCles;

struct rapportStat {
    std::string libelle;
    std::string complement;
    // A count of lines (kept within the signed 32-bit range), or in statTaux a byte total
    // (signed 64-bit: a busy client passes 2 GiB).
    int64_t nombre = 0;
};
using tableauRapportStat = std::vector<rapportStat>;

// The eight occurrence tables of an analysis, by the names the report grids give them; the
// requests table holds the whole-journal entry after an analysis, the period built last after
// "Actualiser". A new table of the statistics pass joins here (and in calculerTables).
struct TablesAnalyse {
    tableauRapportStat statIP, statOS, statNav, statPrecedent, statFichier, statTaux, statHoraires,
        statVMensuelles;
};

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
struct ListesPeriodes {
    std::vector<std::string> annees, mois;
};
ListesPeriodes listesPeriodes(const tableauRapportStat& tableParDate);

// --- What the first pass of the Analyse command counts while it parses: handed to
// TableauLog::memoriser, then to calculerTables, so that the statistics pass does not read the
// journal again.
class ComptesJournal : public LecteurEnregistrements, public SourceClesLigne {
  public:
    ComptesJournal();
    ~ComptesJournal() override;
    void commencer(const Journal& journal, int nbTranches, bool souple) override;
    void lire(int tranche, const RLog& r) override;
    void terminer() override;
    void replier() override;
    void adopter(LecteurEnregistrements& autre, int tranche) override;
    // The kept second thread the folds of a stream share (one fold after every block); without
    // one, each fold starts a thread of its own.
    void partagerFil(FilAuxiliaire* fil) { fil_ = fil; }
    // The tables of systems and browsers left empty, for a caller that makes its own from the
    // whole agents (readable results): two lookups less per line.
    void sansAgents(bool sans) { sansAgents_ = sans; }
    // The statistics count each whole agent (ClesLigne::agent) instead of the browser and the
    // system cut from it, and make the tables of systems and browsers from the distinct agents
    // once the stretches are merged: one lookup a line instead of two, no cut a line, and the
    // entry of the whole agent for the readers that follow. The records must then hold the whole
    // agent (CoupeAgent::agentEntier, which the parse gives when no reader of the series needs
    // the cut; a format's ChampsEnPlus::agent).
    void agentsEntiers(bool entiers) { agentsEntiers_ = entiers; }
    bool litNavigateurEtSysteme() const override { return !sansAgents_ && !agentsEntiers_; }
    void lireEnPlus(int tranche, const RLog& r, const ChampsEnPlus& plus) override;
    // Whether the counts are those of exactly these lines.
    bool couvre(const LignesAnalysees& lignes) const;

    struct Cumul;
    // The stretches merged in journal order into the first, the others empty as after a fold
    // (what they counted is not lost, and more lines may be read); null when nothing was read.
    const Cumul* fusionnerTranches();
    // Whether the tables of systems and browsers are cut from the whole agents counted.
    bool coupeAgents() const { return agentsEntiers_ && !sansAgents_; }

    // The entries of the tables that the last line read in a stretch was counted under. All
    // kSansCle when the line was not counted: from a time whose hour does not convert on, the
    // counts of the stretch stop.
    using ClesLigne = kestrane::ClesLigne;
    static constexpr uint32_t kSansCle = ClesLigne::kSansCle;
    static constexpr uint32_t kAdresseTexte = ClesLigne::kAdresseTexte;
    const ClesLigne& clesLigne(int tranche) const override;
    AgentEntier agentEntier(int tranche, uint32_t agent) const override;
    uint32_t agentReplie(uint32_t agent) const override;

  private:
    Journal journal_;
    std::vector<std::unique_ptr<Cumul>> tranches_;
    bool complet_ = false;
    bool souple_ = false;
    bool sansAgents_ = false;
    bool agentsEntiers_ = false;
    FilAuxiliaire* fil_ = nullptr;
};

// --- The statistics pass into `tables`: the seven tallies in their order, then the requests
// builds: one entry per date (from which the year and month lists are derived into `listes`),
// then the whole-journal entry, which stays in statVMensuelles. `apresEtape(k)` runs after step k
// (1..7: the tallies, 8: the requests builds), so the caller can show each table as soon as it
// is ready. The tables come from `comptes` when they count this journal (they are used up), or
// from one reading of the journal on both cores; whenever that cannot reproduce the separate
// tallies exactly (a line that does not parse, an hour that does not convert, an overflow), the
// separate tallies run in order and raise their error where they would, leaving the tables of
// the steps before it new and the later ones untouched.
enum EtapeStatistiques {
    kEtapeIP = 1,
    kEtapeOS,
    kEtapeNav,
    kEtapePrecedent,
    kEtapeFichier,
    kEtapeOctets,
    kEtapeTranches,
    kEtapeRequetes
};
// Runs a long computation and returns once it is done, raising its error: the window runs it on
// another thread and keeps painting meanwhile. Empty: in place.
using Execution = std::function<void(const std::function<void()>& travail)>;

// `enFond` runs the computations (never `apresEtape`, which runs on the calling thread).
void calculerTables(const LignesAnalysees& journal, int largeurTranche, TablesAnalyse& tables,
                    ComptesJournal* comptes = nullptr,
                    const std::function<void(int etape)>& apresEtape = {},
                    ListesPeriodes* listes = nullptr, const Execution& enFond = {});

// The same tables from the counts alone, when no journal is at hand (a stream of `nbLignes`
// lines, whose bytes are gone): the seven tables, the lists and the whole-journal entry. False,
// with `tables` untouched, whenever calculerTables would need the separate tallies (an hour that
// does not convert, a count past 32 bits, a byte sum that only the lines in order can tell).
bool tablesDesComptes(ComptesJournal& comptes, std::size_t nbLignes, int largeurTranche,
                      TablesAnalyse& tables, ListesPeriodes* listes = nullptr);

// --- Report grids
void remplirTableauRapport(std::string_view entete0, std::string_view entete1,
                           const tableauRapportStat& table, GrilleRapport& grille);

enum class ChampTri { libelle, complement, nombre };
// Exchange sort, in place; equal values end up exactly where the exchanges leave them.
// Rewrites rows 1..n of the grid from the table.
void trierTableau(tableauRapportStat& table, GrilleRapport& grille, bool croissant, ChampTri champ);
// Its two halves: the order of the table (the long part), then rows 1..n of the grid from it
// (header and row count untouched).
void ordonnerTableau(tableauRapportStat& table, bool croissant, ChampTri champ);
void recopierLignes(const tableauRapportStat& table, GrilleRapport& grille);
void trierParNombre(tableauRapportStat& table, GrilleRapport& grille, bool croissant);
// Looks for `texte` in column 0 of rows 1..; the last matching row becomes current.
void rechercherTableau(GrilleRapport& grille, std::string_view texte, Etiquette& resultat);

// --- Charts: every series is cleared, then takes the first `n` entries when the table has at
// least two.
void remplirGraphe(Graphe& graphe, int n, const tableauRapportStat& table);

// --- Tunes
void bipErreur(Bip& bip);
void bipTermine(Bip& bip);
void bipQuitter(Bip& bip);

}  // namespace kestrane
