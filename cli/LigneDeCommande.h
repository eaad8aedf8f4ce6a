// Kestrane from a script: the analysis of journal files into an HTML report and CSV tables,
// without a window and without a display.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "core/analyse/Complements.h"

namespace kestrane {

// Whether these arguments ask for the command line rather than the window: an option of its
// own ("--rapport", "--csv", "--help"...) or any argument starting with "--".
bool estLigneDeCommande(int argc, const char* const* argv);

// The program running the command line: `kestrane` given an option, or `kestrane-rapport`, the
// command line alone. They differ in their name in messages, their help and their version line.
enum class Programme { kestrane, kestraneRapport };

// Runs it; the exit status: 0 when every output was written, 1 otherwise (the French message on
// `erreurs`, nothing partial written).
int executerLigneDeCommande(int argc, const char* const* argv, std::ostream& sortie,
                            std::ostream& erreurs, Programme programme = Programme::kestrane);

// "2026-12-01..2026-12-07T18:30": a start at 00:00 when it has no time, an end at the last
// second of its day (or of its minute); nothing when it is not such a period.
std::optional<PeriodeAnalyse> lirePeriode(std::string_view texte);

}  // namespace kestrane
