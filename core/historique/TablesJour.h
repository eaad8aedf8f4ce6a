// The tables of one day of one server as the base keeps them: each entry's requests, bytes and
// visitors, and the key of its first appearance, so that the days of any range merge into the
// tables of their lines read at once (equal counts ordered by first appearance). A table past
// its limit keeps its largest entries and sums the others in one entry (kEntreeAutres), so that
// every total stays exact. No Qt here.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/analyse/ResultatAnalyse.h"

namespace kestrane {

struct EntreeJour {
    std::string libelle;
    int64_t requetes = 0, octets = 0, visiteurs = 0;
    // Lower first: the day's first moment, then the entry's rank in the day's table.
    int64_t ordre = 0;
};
using TableJour = std::vector<EntreeJour>;

// The tables kept, by their number in the base (never renumbered).
enum class SorteTable : int32_t {
    adresses = 1,  // requests and bytes per client
    systemes = 2,
    navigateurs = 3,
    provenances = 4,
    fichiers = 5,
    introuvables = 6,  // answered 404
    erreurs = 7,       // answered 5xx
    sites = 8,
    recherches = 9,
    robots = 10,
    methodes = 11,
    protocoles = 12,
    pays = 13,
    // The browsers' table's entries that robots' agents make (LisiblesAnalyse::robots), since
    // version 4 of the schema.
    robotsNavigateurs = 14,
};
using TablesJour = std::map<SorteTable, TableJour>;

// The label of the entry that sums those past the limit; shown as kLibelleAutres.
inline constexpr std::string_view kEntreeAutres = "\x01";

// The tables of one day's result, their labels moved out of it; `debut`: the seconds of the day's
// (piece's) first line.
TablesJour tablesDuResultat(ResultatAnalyse&& r, int64_t debut);
// Two tables of one label each, summed; the first appearance the earlier.
TableJour fusionnerTables(const TableJour& a, const TableJour& b);

// Many tables summed one after the other (the days of a range), each label found at once.
class CumulTable {
  public:
    void ajouter(const TableJour& t);
    TableJour& table() { return table_; }

  private:
    TableJour table_;
    std::unordered_map<std::string, std::size_t> index_;
};
// The `limite` entries of most requests (0: all), the others summed in kEntreeAutres (with those
// an earlier cut summed there, which takes none of the `limite` places).
TableJour limiter(TableJour t, std::size_t limite);
// By decreasing requests, equal ones by first appearance.
void ordonner(TableJour& t);
// Into a result made from the base: its eight tables, Compléments' files and audience tables,
// and the robots' entries of the browsers' table when `tables` holds them (robotsConnus is left
// to the caller, which knows whether every day had them).
void remplirResultat(ResultatAnalyse& r, const TablesJour& tables);

std::string encoderTable(const TableJour& t);
// encoderTable(limiter(fusionnerTables({}, t), limite)), without a copy of the table.
std::string encoderTableLimitee(const TableJour& t, std::size_t limite);
// The same for a table that holds each label once (a result's, or tables merged), without
// looking its labels up.
std::string encoderTableUnique(const TableJour& t, std::size_t limite);
// Raises ErreurBase on bytes that are no table.
TableJour decoderTable(std::string_view octets);

}  // namespace kestrane
