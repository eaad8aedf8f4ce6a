// The visitors of one day of one server as the base keeps them: for each visitor (a client and a
// user agent, by a stable 64-bit fingerprint of both), its first and last request of the day, its
// visits and their seconds. Enough to merge the pieces of a day fed apart (rotation splits days)
// and to join a visit across midnight to the day it started on, so that the visitors and visits
// from the base are those of the lines analysed at once. No Qt here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/analyse/ServiceAnalyse.h"
#include "core/audience/Audience.h"

namespace kestrane {

struct VisiteurJour {
    uint64_t cle = 0;
    // Seconds since the day's midnight.
    int32_t premiere = 0, derniere = 0;
    int32_t visites = 0, duree = 0;
};
// By increasing key.
using VisiteursJour = std::vector<VisiteurJour>;

// The visitors of `lignes`, every dated one on day `jour` (lines of other days left out), read as
// the analysis reads them (lenient reading with its examination).
VisiteursJour visiteursDesLignes(const std::vector<std::string_view>& lignes, int64_t jour,
                                 const OptionsAnalyse& options);

// The visitors of day `jour` as the audience counted them with a run's lines (see
// ComptesAudience::visiteursDuJour), each key made once from its texts: the list
// visiteursDesLignes gives of the same lines, without reading them again nor keeping their
// requests. False, `v` left empty, when the counts cannot tell it (the lines are then read again).
bool visiteursDeLAudience(ComptesAudience& audience, int64_t jour, VisiteursJour& v);

// Two pieces of one day together: a visitor in both has its visits joined where one piece's last
// request and the other's first are under kEcartVisite apart.
VisiteursJour fusionnerVisiteurs(const VisiteursJour& a, const VisiteursJour& b);

struct TotauxVisiteurs {
    int64_t visiteurs = 0, visites = 0, duree = 0;
};
TotauxVisiteurs totaux(const VisiteursJour& v);

// The visits of `jour` that go on from the evening before (`veille`, the day before): their
// number and the seconds between the two days' requests.
struct Jonction {
    int64_t visites = 0, duree = 0;
};
Jonction jonction(const VisiteursJour& veille, const VisiteursJour& jour);

std::string encoderVisiteurs(const VisiteursJour& v);
// Raises ErreurBase on bytes that are no such list.
VisiteursJour decoderVisiteurs(std::string_view octets);

}  // namespace kestrane
