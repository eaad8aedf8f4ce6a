// The audience as the Compléments page and the report both tell it: the summary's figures, and
// the visitors and visits beside each day of the traffic by day.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/analyse/Complements.h"
#include "core/audience/Audience.h"

namespace kestrane {

// "45 s", "3 min 05 s", "2 h 07 min": a mean duration, rounded to the second.
std::string dureeFrancaise(double secondes);

// The audience's lines of the summary, label and value, in Windows-1252: unique visitors,
// visits, their mean duration and requests, the robots' requests with their share and bytes.
std::vector<std::pair<std::string, std::string>> resumeAudience(const Audience& a);

// The visitors and visits of each day of `c.jours`, in the same order (0 for a day without a
// request whose time reads).
std::vector<JourAudience> joursAudience(const Complements& c, const Audience& a);

// The share of `n` in `total`, in percent (0 when the total is 0).
double partDe(int64_t n, int64_t total);

}  // namespace kestrane
