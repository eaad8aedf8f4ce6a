// The days of a range of the base gathered by day, week (Monday to Sunday) or calendar month, for
// the history's chart and its table, and a second range set beside the first one period by
// period. No Qt here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/historique/BaseJours.h"

namespace kestrane {

enum class Granularite { jour, semaine, mois };

struct PeriodeHistorique {
    int64_t premier = 0, dernier = 0;  // its days, both included (days since 1970-01-01)
    // Its days' figures summed; a week's or a month's visitors are its days' visitors summed, as
    // each day counts its own.
    int64_t requetes = 0, visiteurs = 0, visites = 0, octets = 0;
};

// Every period from the one holding `premier` to the one holding `dernier`, in order, those
// without a day in `jours` at zero (a day the base has, outside them, is left out; so are the
// lines without a date). `jours` in day order, as BaseJours::lire gives them.
std::vector<PeriodeHistorique> periodesHistorique(const std::vector<JourHistorique>& jours,
                                                  Granularite g, int64_t premier, int64_t dernier);

// The first day of the period holding `jour`.
int64_t debutDePeriode(int64_t jour, Granularite g);

// The range of as many days just before premier..dernier (the natural "Comparer avec...").
std::pair<int64_t, int64_t> periodePrecedente(int64_t premier, int64_t dernier);

}  // namespace kestrane
