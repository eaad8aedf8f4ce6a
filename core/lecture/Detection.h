// "Automatique": the offered format that reads the most of the journal, judged on a sample.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/lecture/FormatJournal.h"

namespace kestrane {

// Detection looks at the journal's first kLignesDetection lines and at as many more spread
// evenly over the rest; it skips a line longer than kLongueurDetection (it counts for no format:
// a junk line may be a whole binary file), but for a line starting with "#", which W3C reads as a
// directive whatever its length.
inline constexpr std::size_t kLignesDetection = 1000;
inline constexpr std::size_t kLongueurDetection = 16384;

struct Detection {
    TypeFormat type = TypeFormat::Defaut;  // the chosen format
    std::size_t lues = 0;                  // the lines looked at that it reads
    std::size_t examinees = 0;             // the lines looked at
    // Each format tried, in the list's order, with the lines looked at that it reads.
    std::vector<std::pair<TypeFormat, std::size_t>> scores;
};

// Tries every offered format but Automatique and Personnalise on the lines looked at (`ligne(i)`
// gives line i, i < nbLignes) and keeps the one that reads the most of the journal: a line of the
// spread sample stands for its share of the rest. Of the formats that read as much, or within
// 0.1 % of as much, the simplest wins (kOrdreSimplicite); the default when no format reads a
// line.
// A format counts the lines it reads as its own server writes them: the default the lines that
// are exactly combined (nothing after the agent, a correct date), so that common lines, or
// combined ones followed by other fields, go to their own format; vhost_combined not the lines
// whose host is empty, which Apache never writes and nginx does. W3C "#" lines count for none.
Detection detecterFormat(std::size_t nbLignes,
                         const std::function<std::string_view(std::size_t)>& ligne);

// The order of simplicity, simplest first: the fewer liberties a format takes with a line (the
// fields it leaves unnamed after its own, what it unescapes), the simpler. The default (exactly
// the combined fields, nothing unescaped), vhost_combined then nginx with the host first (one
// field more; Apache's first, which splits a "host:port"), combined followed by other fields,
// common (which leaves a combined line's referrer and agent unnamed), W3C, JSON.
inline constexpr TypeFormat kOrdreSimplicite[] = {
    TypeFormat::Defaut, TypeFormat::HoteVirtuel, TypeFormat::NginxHote, TypeFormat::CombineSuivi,
    TypeFormat::Commun, TypeFormat::W3C,         TypeFormat::Json,
};

}  // namespace kestrane
