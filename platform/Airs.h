// The program's tunes, played on a beeper: an error, an analysis done, quitting.
#pragma once

#include "core/analyse/Interfaces.h"

namespace kestrane {

void bipErreur(Bip& bip);
void bipTermine(Bip& bip);
void bipQuitter(Bip& bip);

}  // namespace kestrane
