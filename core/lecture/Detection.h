// "Automatique": the offered format that reads the most of the journal's first lines.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/lecture/FormatJournal.h"

namespace kestrane {

// How many of the journal's first lines detection reads, and the longest line it looks at (a
// longer one counts for no format: a junk line may be a whole binary file), but for a line
// starting with "#", which W3C reads as a directive whatever its length.
inline constexpr std::size_t kLignesDetection = 1000;
inline constexpr std::size_t kLongueurDetection = 16384;

struct Detection {
    TypeFormat type = TypeFormat::Defaut;  // the chosen format
    std::size_t lues = 0;                  // the lines it reads
    std::size_t examinees = 0;             // the lines looked at
    // Each format tried, in the list's order, with the lines it reads.
    std::vector<std::pair<TypeFormat, std::size_t>> scores;
};

// Tries every offered format but Automatique and Personnalise on the first kLignesDetection
// lines (`ligne(i)` gives line i, i < nbLignes) and keeps the one that reads the most, the
// list's order breaking ties; the default when no format reads a line. The default format
// counts the lines that are exactly combined (nothing after the agent, a correct date), so that
// common lines, or combined ones followed by other fields, go to their own format. W3C "#" lines
// count for no format.
Detection detecterFormat(std::size_t nbLignes,
                         const std::function<std::string_view(std::size_t)>& ligne);

}  // namespace kestrane
