// The outputs of the command line: the HTML report and the folder of CSV tables, checked before
// anything is read, written under temporary names, then put in place together.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "core/export/Export.h"

namespace kestrane {

struct Sorties {
    std::string rapport, csv;  // empty: not asked for
};

// An output refused before anything is read; what() is the message, in UTF-8.
class RefusSortie : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Raises ErreurFichier when an output cannot be written (a path that is no regular file or no
// folder, a link another user planted, a folder missing or closed), RefusSortie when one would
// replace a journal ("le rapport remplacerait le journal « j.log »") or the two would be written
// at the same place.
void verifierSorties(const Sorties& sorties, const std::vector<std::string>& journaux);

// Writes every output asked for, each under a temporary name, then puts them all in place: on a
// failure (a full disk, a file that cannot be made) every earlier output is as it was. Raises
// ErreurFichier.
void ecrireSorties(const Sorties& sorties, const DonneesRapport& d);

}  // namespace kestrane
