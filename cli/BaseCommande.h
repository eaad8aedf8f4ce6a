// The command line's base of days: journals added to it, or the report of a range made from it
// alone, compared with a second range when asked.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/analyse/ServiceAnalyse.h"
#include "core/export/Export.h"

namespace kestrane {

struct DemandeBase {
    std::string adresse;  // an SQLite file or a postgresql:// address
    std::string serveur;  // empty: the machine's name when adding, every server when reading
    std::vector<std::string> journaux;
    std::string rapport, csv;
    std::size_t limite = 0;  // of each day's table (0: all)
    OptionsAnalyse analyse;  // its period: the range reported (inactive: every day)
    std::optional<PeriodeAnalyse> comparer;
    std::string dateCreation, version;
};

// Adds the journals (and says how many lines), then, when outputs are asked for (with or without
// journals), writes them from the base; returns the exit code, `echec` telling an error and
// giving 1.
int executerBase(const DemandeBase& d, std::ostream& sortie,
                 const std::function<int(const std::string&)>& echec);

// The tables of `b` beside those of `a`: to the first number of each table of `a`, that of the
// row of the same name in `b` and the change ("+12 %", "-3 %", "=" when equal, "-" without a
// figure in `b` to compare with); the rows `b` alone has, added with 0. Windows-1252.
void comparerRapports(DonneesRapport& a, const DonneesRapport& b);

// "+12 %", "-3 %", "=": from `avant` to `apres`; an em dash when there is nothing to compare with
// (Windows-1252).
std::string evolution(int64_t apres, int64_t avant);

// What the report of the days of `h` shows, `periode` its range (inactive: every day), the
// tables the base does not keep left out; none when `h` holds no day.
struct Historique;
std::optional<DonneesRapport> donneesDeLHistorique(const Historique& h,
                                                   const PeriodeAnalyse& periode, int largeur);

}  // namespace kestrane
