// Readable results: the occurrence tables as a web administrator reads them. Every table in
// decreasing count (ties in order of first appearance), browsers, robots and systems named by the
// user-agent catalogue, the path of the loaded file for every method, a real average day in hour
// order, bytes in French units. The raw tables of the statistics pass stay what they always were:
// the readable ones are made from them and from what ComptesLisibles counted in the first pass.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/analyse/ComptesJournal.h"
#include "core/analyse/GrillesRapport.h"
#include "core/lecture/TableauLog.h"

namespace kestrane {

class MemoireAgents;  // CatalogueAgents.h

// How the count column of a table is written.
enum class FormatNombre {
    entier,    // "1234"
    dixiemes,  // tenths: 26 -> "2,6" (the average day)
    octets,    // "1,2 Go", "350,0 Ko", "812 octets" (bytes per address)
};

// The lines of each hour of the day and the distinct days, from which the average day is made at
// any width.
struct HeuresDuJournal {
    std::array<int64_t, 24> lignes{};
    std::size_t jours = 0;
};

// The lines of one calendar day (days since 1970-01-01).
struct LignesDuJour {
    int64_t jour = 0;
    int64_t lignes = 0;
};

// What the readable tables of systems and browsers say of a journal whose format holds no agent:
// kPasDAgent (Messages.h).

// What an analysis with readable results keeps besides its tables: the hours for a new width of
// the slices, and how many distinct agents were read (the catalogue names each distinct start of
// kOctetsAgentLus bytes once).
struct ResultatsLisibles {
    bool actifs = false;
    HeuresDuJournal heures;
    std::size_t agentsDistincts = 0;
    // The format holds no agent: the tables of systems and browsers are one kPasDAgent entry.
    bool sansAgent = false;
    // The date and time of the earliest and latest lines, as the log writes them ("24/Dec/2023
    // 08:00:00"), whatever the lines' order; empty when no line's date and time read.
    std::string premiereDate, derniereDate;
    // Calendar days from the first to the last, days without a line included (BornesDates.h):
    // as many as the Compléments' days.
    int64_t joursCouverts = 0;
    // The lines of each day whose date reads, in day order (days without a line left out).
    std::vector<LignesDuJour> parJour;
    // The entries of the browsers' table that robots' agents make, with those agents' lines
    // (a name both browsers and robots have, "Inconnu", holds the robots' share only).
    tableauRapportStat robots;
    bool robotsConnus = false;  // whether `robots` was counted (the base of days does not keep it)
};

// The loaded file of a request line for every method: "DELETE /x HTTP/1.1" gives "/x", the query
// string kept; a request that is not "METHOD path [protocol]" is its whole text.
std::string_view cheminRequete(std::string_view requete);

// Decreasing count; entries of equal count keep their order (that of first appearance).
void ordonnerParFrequence(tableauRapportStat& table);

// The slices of the average day, `largeur` hours wide (1 to 6), in hour order from "00 à 0w" to
// the one ending at "24", empty ones at 0; each count is the mean per day in tenths, rounded.
tableauRapportStat journeeMoyenne(const HeuresDuJournal& heures, int largeur);

// The count column's text (Windows-1252).
std::string texteNombre(int64_t nombre, FormatNombre format);

// Rows 1.. of column 1 of a filled grid rewritten in `format` (nothing for entier).
void ecrireNombres(const tableauRapportStat& table, GrilleRapport& grille, FormatNombre format);
// remplirGraphe with each value in the unit its format counts: tenths as units.
void remplirGrapheLisible(Graphe& graphe, int n, const tableauRapportStat& table,
                          FormatNombre format);

// The format of each table's count column, with readable results or without.
FormatNombre formatStatTaux(bool lisibles);
FormatNombre formatStatHoraires(bool lisibles);

// Counts of the first pass for readable results, one set per stretch of the journal: the
// distinct agents with their lines, the paths of the requests, the lines of each hour and the
// distinct dates. Merged in journal order, so that the first appearance of a name is that of its
// first agent.
class ComptesLisibles : public LecteurEnregistrements {
  public:
    ComptesLisibles();
    ~ComptesLisibles() override;
    void commencer(const Journal& journal, int nbTranches, bool souple) override;
    void lire(int tranche, const RLog& r) override;
    void lireEnPlus(int tranche, const RLog& r, const ChampsEnPlus& plus) override;
    void terminer() override;
    void replier() override;
    void adopter(LecteurEnregistrements& autre, int tranche) override;
    void bloc(std::string_view octets) override;
    // Only the start of the agent is read, then the agent up to its end.
    bool litNavigateurEtSysteme() const override { return false; }
    bool complet() const { return complet_; }
    // The statistics counts that read each line just before this reader, in the same stretches:
    // the entries they found spare most of this reader's lookups, and their copies of whole
    // agents hold the long ones of a stream. Null: every text looked up. Set before commencer().
    void suivre(const ComptesJournal* statistiques) { statistiques_ = statistiques; }
    // The names of the agents kept from analyses before, and for those after; null: each agent
    // classified by the catalogue.
    void nommerAvec(std::shared_ptr<MemoireAgents> memoire) { memoire_ = std::move(memoire); }

    struct Tranche;

  private:
    friend void rendreLisibles(TablesAnalyse&, ComptesLisibles&, int, ResultatsLisibles&, bool);
    std::unique_ptr<Tranche> nouvelleTranche(int tranche) const;
    Journal journal_;  // loaded whole: the long agents are views into it
    std::vector<std::unique_ptr<Tranche>> tranches_;
    const char* debut_ = nullptr;
    const char* fin_ = nullptr;
    const ComptesJournal* statistiques_ = nullptr;
    std::shared_ptr<MemoireAgents> memoire_;
    bool complet_ = false;
    std::thread compilation_;  // of the catalogue, beside the pass
};

// Turns the raw tables of a statistics pass into readable ones, from what `comptes` counted over
// the same lines (merged as a fold merges them): the systems and browsers by their catalogue names,
// the files by path, the average day at `largeur`, every table but the requests one in decreasing
// count. Each distinct agent is classified once, on both cores when there are many.
// `trier` false: the tables left in order of first appearance.
void rendreLisibles(TablesAnalyse& tables, ComptesLisibles& comptes, int largeur,
                    ResultatsLisibles& lisibles, bool trier = true);

// The same from the lines themselves, read again (for a caller whose first pass did not count).
void rendreLisibles(TablesAnalyse& tables, const LignesAnalysees& lignes, int largeur,
                    ResultatsLisibles& lisibles);

}  // namespace kestrane
