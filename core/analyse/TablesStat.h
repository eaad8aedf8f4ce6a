// The occurrence tables of an analysis: an entry is a label, its complement and a count. No
// table lives here: an analysis's tables belong to its result (ResultatAnalyse.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrane {

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

struct ListesPeriodes {
    std::vector<std::string> annees, mois;
};

}  // namespace kestrane
