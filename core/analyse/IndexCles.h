// The tallies' hash index now lives below the analysis, where the audience counts reach it too;
// this name stays for the code that still includes it from here.
#pragma once

#include "core/lecture/IndexCles.h"
