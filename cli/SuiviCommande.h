// The command line keeping a live report (--suivre): the journal read as a one-shot run reads it,
// then followed as it grows (SuiviFichier: whole lines, across rotations), its new lines counted on
// by the same counts, and the outputs written again every few seconds when lines came, until
// SIGINT, SIGTERM or the end of standard input.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

#include "cli/Sorties.h"
#include "core/analyse/ServiceAnalyse.h"

namespace kestrane {

inline constexpr int kIntervalleParDefaut = 10;

struct DemandeSuivi {
    std::string journal;  // a file, or "-": standard input
    Sorties sorties;
    OptionsAnalyse analyse;
    int intervalle = kIntervalleParDefaut;  // seconds, at least, between two writes
    // A base of days fed with the file's lines as they come (empty: none), under `serveur` (empty:
    // the machine's name), each day's tables cut at `limite` entries.
    std::string base, serveur;
    std::size_t limite = 0;
    bool progression = false;  // of the first read, on standard error
    const char* nom = "";      // the program's, in messages
};

// Runs it; the exit status: 0 when the outputs hold every line counted at the end, 1 otherwise
// (`echec` tells why and gives 1). Raises what the one-shot run raises: ErreurAnalyse for a line
// that stops the analysis (the outputs then stay as last written), the file and base errors.
int executerSuivi(const DemandeSuivi& d, std::ostream& sortie, std::ostream& erreurs,
                  const std::function<int(const std::string&)>& echec);

}  // namespace kestrane
