// The figures of a range of the base as an analysis's result, so that the report and the CSV
// tables of the command line (and the window's) are written from it as from a journal: the
// Compléments' summary, status codes and days (with their visitors and visits), the hourly
// slices of the average day. The tables the base does not keep stay empty.
#pragma once

#include "core/analyse/ResultatAnalyse.h"
#include "core/historique/BaseJours.h"

namespace kestrane {

ResultatAnalyse resultatDeLHistorique(const Historique& h, int largeurTranches = 1);

}  // namespace kestrane
