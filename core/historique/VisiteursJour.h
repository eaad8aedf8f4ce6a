// The visitors of one day of one server as the base keeps them: for each visitor (a client and a
// user agent, by a stable 64-bit fingerprint of both), its first and last request of the day, its
// visits and their seconds. Enough to merge the pieces of a day fed apart (rotation splits days)
// and to join a visit across midnight to the day it started on, so that the visitors and visits
// from the base are those of the lines analysed at once. No Qt here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/analyse/ServiceAnalyse.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"

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

// The visitors of a day's lines counted as the counting pass reads them, a reader of its series
// (Comptage): the same list as visiteursDesLignes over the lines it was handed, without a second
// parse of them. The records must carry the whole agent (CoupeAgent::agentEntier), as they do when
// the readable tables are counted; a line that is skipped, or that raises, is never handed.
// Visitor keys by a pair of numbers (never UINT64_MAX), in open addressing: one access to memory
// a line, where a table of nodes took two that each missed the cache.
class ClesParPaire {
  public:
    // The key of `paire`; `nouvelle` when it was not there, its key then to be set.
    uint64_t& trouver(uint64_t paire, bool& nouvelle);
    void vider();

  private:
    static constexpr uint64_t kLibre = UINT64_MAX;
    struct Case {
        uint64_t paire = kLibre;
        uint64_t cle = 0;
    };
    void agrandir();
    std::vector<Case> cases_;
    std::size_t pleines_ = 0;
    int decalage_ = 64;
};

class LecteurVisiteurs : public LecteurEnregistrements {
  public:
    void commencer(const Journal& journal, int nbTranches, bool souple) override;
    void lire(int tranche, const RLog& r) override;
    void terminer() override {}
    void replier() override;
    void adopter(LecteurEnregistrements& autre, int tranche) override;
    bool litNavigateurEtSysteme() const override { return false; }
    // The statistics that read each line just before this reader, in the same stretches: a
    // client and an agent they count under entries met before keep the key made then. Null:
    // every line's key made from its texts. Set before commencer().
    void suivre(const SourceClesLigne* statistiques) { statistiques_ = statistiques; }

    // The visitors of day `jour` among the lines read (those of other days left out); the
    // requests read are used up.
    VisiteursJour visiteurs(int64_t jour);

    struct Requete {
        uint64_t cle;
        int64_t t;  // seconds since 1970-01-01
    };

  private:
    // What each thread writes, on cache lines of its own.
    struct alignas(kLigneCache) Tranche {
        std::vector<Requete> requetes;
        std::string client;  // the client's text, its memory kept from line to line
        // The key of each client and agent met, by their entries in the statistics' stretch
        // (client << 32 | agent), numbers that a fold starts again in stretch 1.
        ClesParPaire cles;
        // The last date read ("17/May/2015", lines come in runs of one date) and its day.
        char date[11] = {};
        bool dateLue = false, dateValide = false;
        int64_t jour = 0;
    };
    Tranche tranches_[2];
    const SourceClesLigne* statistiques_ = nullptr;
};

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
