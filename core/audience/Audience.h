// The audience of a journal: unique visitors and visits per day, referring sites, searches,
// robots, HTTP methods and protocols, countries. Counted while the first pass parses each line
// (a reader of its own, beside ComptesJournal and ComptesComplements), one set of counts per
// stretch, merged in journal order: two stretches give exactly what one would.
//
// The rules:
// - A visitor is one client address with one user agent (the whole quoted text) on one calendar
//   day; the total is the sum over the days. A visitor seen on both sides of midnight counts on
//   both days.
// - A visit is a visitor's (address + agent, whatever the day) requests whose gaps are under
//   kEcartVisite seconds: a gap of exactly 30 minutes starts another visit. Gaps are taken
//   between a visitor's requests in time order, not in line order: a line written late (a server
//   writes a request when it ends) joins the visit its time belongs to, and may join two visits
//   into one. A visit counts on the day it starts, lasts from its first request to its last
//   (0 s for a single request), and its requests are the visitor's requests within it.
// - Times are read as written, the zone left aside, like the traffic by day; a request whose date
//   or time cannot be read counts everywhere but in visitors and visits.
// - Tables list the largest count first, equal counts in order of first appearance in the
//   journal; "Autre" and "Inconnu" come last.
//
// Every name in the tables (hosts, search terms, robots, countries, methods) is UTF-8, ready for
// the report; "Autre" and "Inconnu" are ASCII and read the same in Windows-1252. The messages
// of BasePays.h are Windows-1252, like every text of the system.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/audience/BasePays.h"
#include "core/audience/Robots.h"
#include "core/journal/Journal.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"

namespace kestrane {

// Seconds: a gap of at least this long between two requests of a visitor starts another visit.
inline constexpr int64_t kEcartVisite = 30 * 60;
// The method and protocol of a request that is not "METHOD path protocol": kAutre (Messages.h).

// One row of an audience table.
struct LigneAudience {
    std::string nom;  // UTF-8
    int64_t requetes = 0;
    int64_t octets = 0;
    int64_t visiteurs = 0;  // countries only: the visitors (per day, summed) from that country
};

struct JourAudience {
    int32_t annee = 0, mois = 0, jour = 0;
    int64_t visiteurs = 0;
    int64_t visites = 0;  // the visits that start on that day
};

struct Audience {
    int64_t requetes = 0, octets = 0;
    int64_t requetesDatees = 0;  // the requests whose date and time read: those of the visits
    int64_t visiteurs = 0;       // sum over the days
    int64_t visites = 0;
    int64_t dureeVisites = 0;  // seconds, all visits together
    // 0 without a visit.
    double dureeMoyenneVisite() const;
    double requetesParVisite() const;
    // The days with at least one dated request, in date order.
    std::vector<JourAudience> jours;

    // Requests per referring host; the share is of `requetes`.
    std::vector<LigneAudience> sitesReferents;
    // Requests per search terms.
    std::vector<LigneAudience> recherches;
    // Requests and bytes of robots, all together and by name.
    int64_t requetesRobots = 0, octetsRobots = 0;
    std::vector<LigneAudience> robots;
    // Requests and bytes per method ("GET"...) and per protocol ("HTTP/1.1"...), kAutre for the
    // requests that are not "METHOD path protocol".
    std::vector<LigneAudience> methodes, protocoles;
    // Whether a country database was used; without one `pays` is empty and the page shows
    // kSansBasePays instead.
    bool avecPays = false;
    std::vector<LigneAudience> pays;
};

// What the counts use besides the records.
struct ReglagesAudience {
    ReconnaitreRobot catalogue;            // the user-agent catalogue; empty: the rule alone
    std::shared_ptr<const BasePays> base;  // null: no countries
    // Whether the referrers are counted line by line. The statistics pass counts every referrer
    // already (statPrecedent): without this the referring sites and the searches are left empty
    // for compterReferents, which makes the same tables from those counts at no cost per line.
    bool referentsParLigne = true;
    // The tables left in order of first appearance (a base of days sorts them once merged).
    bool ordreDApparition = false;
};

// The referring sites and the searches of `audience`, from the requests of each referrer (its
// whole text, each once, in order of first appearance: statPrecedent's entries).
void compterReferents(Audience& audience,
                      const std::vector<std::pair<std::string_view, int64_t>>& referents,
                      bool trier = true);

// The method and protocol of a request line, false (both left as they were) when it is not
// "METHOD path protocol": a method of capital letters, "-" or "_" (at most 20), a path, and
// "HTTP/" followed by a version ("HTTP/1.1", "HTTP/2.0", "HTTP/3").
bool couperRequete(std::string_view requete, std::string_view& methode,
                   std::string_view& protocole);

class ComptesAudience : public LecteurEnregistrements {
  public:
    explicit ComptesAudience(ReglagesAudience reglages = {});
    ~ComptesAudience() override;
    // For the next pass.
    void regler(ReglagesAudience reglages) { reglages_ = std::move(reglages); }
    // The statistics counted each line just before, in the same series, with whole agents: their
    // entries name the line's client and agent, which are then not looked up by their texts, and
    // in a stream the agents are kept as views into the statistics' copies (which must last until
    // resultat()). Null: every line read by its texts. Set before commencer().
    void suivre(const SourceClesLigne* statistiques) { statistiques_ = statistiques; }

    // The records read must be parses of the lines of the journal given to commencer, which
    // the counts keep (its buffer is shared, not copied) until vider() or the next pass; for a
    // stream (an empty journal), of the lines of the block given to bloc().
    void commencer(const Journal& journal, int nbTranches, bool souple) override;
    void lire(int tranche, const RLog& r) override;
    void lireEnPlus(int tranche, const RLog& r, const ChampsEnPlus& plus) override;
    void terminer() override;
    // A stream's next block: its lines are read next. The counts keep nothing of its bytes once
    // replier() has folded them.
    void bloc(std::string_view octets) override;
    // Stretch 1 (the lines after stretch 0's) folded into stretch 0, where the next lines are
    // read; stretch 1 starts again empty. The result is that of one stretch reading them all.
    void replier() override;
    void adopter(LecteurEnregistrements& autre, int tranche) override;
    // Only the start of the agent is read, then the agent up to its end.
    bool litNavigateurEtSysteme() const override { return false; }
    bool complet() const { return complet_; }
    void vider();

    // A visitor of the lines read, as visiteursDuJour() gives it: its client (an IPv4 address as
    // a number, or the client's text), its whole agent, and its visits on the day.
    struct VisiteurLu {
        bool texte = false;
        uint32_t ipv4 = 0;
        std::string_view client, agent;      // `client`: for a text client
        int64_t premiere = 0, derniere = 0;  // seconds since 1970-01-01
        int64_t visites = 0, duree = 0;
    };
    // Once the lines of a run of day `jour` (days since 1970-01-01) are read and folded into the
    // first stretch (replier(), as Comptage::compter leaves them): each visitor with a dated
    // request, into `visiteurs`. False when the counts cannot tell them: a visitor with dated
    // requests on another day (its visits would hold them), lines not folded. The texts are views
    // into the counts, which keep them until more lines are read.
    bool visiteursDuJour(int64_t jour, std::vector<VisiteurLu>& visiteurs);

    // The counts merged in journal order, the robots named and the countries looked up (once
    // per distinct agent and address). The stretches are merged as a fold merges them: nothing
    // is lost, and more lines may be read after.
    Audience resultat();

    struct Tranche;

  private:
    std::unique_ptr<Tranche> nouvelleTranche(std::string_view octets, std::size_t lignes,
                                             int tranche) const;
    // Whether an agent is a robot, and its name when it is.
    struct Robot {
        bool robot = false;
        std::string nom;
    };
    // Names the agents of `t` from `suivant` on, taking each next one left, beside another thread
    // doing the same.
    void nommerRobots(const Tranche& t, std::vector<Robot>& robots,
                      std::atomic<std::size_t>& suivant) const;
    void compterRobots(const Tranche& t, std::vector<Robot>& robots, Audience& a) const;

    ReglagesAudience reglages_;
    const SourceClesLigne* statistiques_ = nullptr;
    Journal journal_;
    std::vector<std::unique_ptr<Tranche>> tranches_;
    bool complet_ = false;
};

}  // namespace kestrane
