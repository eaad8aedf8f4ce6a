// The base of days: for each server and each day, what its lines counted, kept across the
// rotations of its journals (an SQLite file by default, or a PostgreSQL server that several
// servers feed). No Qt here.
//
// A feed never counts a line twice: each journal file is known by its content (a fingerprint of
// its first bytes, decompressed for gzip), not by its name, and the base remembers how many of
// its bytes were counted. `access.log` fed today, renamed `access.log.1` tomorrow and compressed
// to `access.log.2.gz` after, adds only the lines not yet counted; a file that grew adds its new
// lines; a file truncated in place (its first bytes are then others) starts again. Only whole
// lines are counted, up to the last line break: the line being written waits for the next feed
// (a compressed file, finished, counts its last line too). A feed is one transaction, holding
// the server's right to write: two feeds of the same journal at once add it once; a feed that
// fails (a line that does not read, a full disk, the program killed) leaves the base as it was.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/analyse/Complements.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/historique/Connexion.h"
#include "core/historique/TablesJour.h"
#include "core/historique/VisiteursJour.h"

namespace kestrane {

// The schema this version writes; a base of a later one is refused (kBasePlusRecente).
inline constexpr int64_t kVersionSchema = 4;
// The entries each day's table keeps by default (--base-limite).
inline constexpr std::size_t kLimiteParDefaut = 1000;
// The day under which the lines whose date does not read are counted.
inline constexpr int64_t kJourSansDate = -1'000'000'000;

// What a feed added, file by file.
struct AjoutFichier {
    std::string chemin;
    std::size_t lignes = 0;    // lines counted now
    std::size_t ignorees = 0;  // of them, skipped as not conforming
    uint64_t octetsDeja = 0;   // bytes counted by earlier feeds
    bool nouveau = false;      // first seen by this base
};

// One day of the base, its servers summed.
struct JourHistorique {
    int64_t jour = 0;  // days since 1970-01-01, kJourSansDate for lines without a date
    int64_t lignes = 0, ignorees = 0, requetes = 0, octets = 0, visiteurs = 0, visites = 0;
    // Seconds since 1970-01-01 of its first and last dated lines (INT64_MAX and INT64_MIN
    // without one); its dated requests and its visits' seconds.
    int64_t premiere = INT64_MAX, derniere = INT64_MIN, requetesDatees = 0, dureeVisites = 0;
};

// What a range of days of the base holds, in day order.
struct Historique {
    std::vector<JourHistorique> jours;
    std::vector<CompteCode> codes;  // by increasing code
    std::array<int64_t, 24> heures{};
    TablesJour tables;  // each in its first appearance's order, not sorted
    // Whether every day of the range keeps the robots' entries of its browsers' table
    // (SorteTable::robotsNavigateurs): the days written before version 4 do not.
    bool robotsConnus = false;
};

class BaseJours {
  public:
    // Opens the base at `adresse` (Connexion.h), making its schema in a new one and bringing an
    // older one forward; raises ErreurBase for a base of a later version or no base at all.
    explicit BaseJours(const std::string& adresse);
    explicit BaseJours(std::unique_ptr<ConnexionBase> connexion);
    ~BaseJours();

    ConnexionBase& connexion() { return *connexion_; }
    int64_t version();

    // Adds the journals' lines not yet counted for `serveur`, all in one transaction
    // (Journal::charger reads each file; the options' lenient reading applies, the default
    // format). Raises, nothing added, on the first line that does not read ("<file>, ligne N :
    // <reason>", N its number in the file).
    // Each day's table keeps its `limite` entries of most requests (0: all), the others summed.
    std::vector<AjoutFichier> ajouter(const std::vector<std::string>& chemins,
                                      const std::string& serveur, const OptionsAnalyse& options,
                                      std::size_t limite = kLimiteParDefaut);

    // The days from `premier` to `dernier` (days since 1970-01-01, both included; unset: every
    // day), of `serveur` or, empty, of every server.
    Historique lire(const std::string& serveur = {}, std::optional<int64_t> premier = {},
                    std::optional<int64_t> dernier = {});
    std::vector<std::string> serveurs();

  private:
    void preparer();
    AjoutFichier ajouterFichier(const std::string& chemin, const std::string& serveur,
                                const OptionsAnalyse& options, std::size_t limite);
    // The new lines of a file counted: read as a stream (a few blocks in hand), or loaded whole
    // when a day's figures need its lines read again; each returns the bytes counted after.
    struct Collecte;
    // The stream writes each day's visitors and tables ahead, as soon as they are made, when
    // the base held nothing of the day (ecrireTot); the end of the file writes the rest.
    uint64_t compterEnFlux(const std::string& chemin, bool gzip, uint64_t deja,
                           const OptionsAnalyse& o, const std::string& serveur, Collecte& collecte);
    void ecrireTot(const std::string& serveur, Collecte& collecte, int64_t jour);
    uint64_t compterCharge(const std::string& chemin, bool gzip, uint64_t deja,
                           const OptionsAnalyse& o, Collecte& collecte);
    // Writes what the new lines counted, each day merged with what the base holds of it.
    void ecrire(const std::string& serveur, const Collecte& collecte, std::size_t limite);
    VisiteursJour visiteursDuJour(const std::string& serveur, int64_t jour);
    std::unique_ptr<ConnexionBase> connexion_;
};

// The machine's name: the server name of a feed that names none.
std::string nomDeLaMachine();

}  // namespace kestrane
