// What the first pass of an analysis counts while it parses, and the tables made from it: the
// statistics pass without reading the journal again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/analyse/Decomptes.h"
#include "core/analyse/Interfaces.h"

namespace kestrane {

class FilAuxiliaire;

// What the first pass of the Analyse command counts while it parses: handed to
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

// The statistics pass into `tables`: the seven tallies in their order, then the requests
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

}  // namespace kestrane
