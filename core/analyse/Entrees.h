// The figures of each entry of a journal: per loaded file, per referring site and per client
// address, counted by the first pass beside the Compléments and their audience, with the same
// visitors (a client address and a user agent on one calendar day) and the same visits (a client
// and agent's requests whose gaps, in time order, are under kEcartVisite).
//
// A request whose date or time does not read counts in the requests and bytes, not in the
// visitors, the visits nor the first and last times. Each stretch keeps its own numbering of the
// texts it met (copied, so that a stream's blocks may go); the stretches merge by those texts, so
// that counts made in runs and merged are those of the lines read at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/audience/BasePays.h"
#include "core/lecture/TableauLog.h"

namespace kestrane {

struct LigneFichierDetail {
    std::string fichier;  // as the log writes it
    int64_t requetes = 0, octets = 0, visiteurs = 0;
    // The answers 2xx, 3xx, 4xx and 5xx (the other codes in none of them).
    int64_t classes[4] = {};
};

struct LigneSiteDetail {
    std::string site;  // UTF-8, as the audience's referring sites name it
    int64_t requetes = 0, visiteurs = 0;
};

struct LigneAdresseDetail {
    std::string adresse;  // "a.b.c.d", or the client as written when it is no dotted address
    int64_t requetes = 0, octets = 0, visites = 0;
    // Seconds since 1970-01-01 of the first and last dated request, the zone left aside; 0 and
    // `date` false without one.
    int64_t premiere = 0, derniere = 0;
    bool date = false;
    std::string pays;  // UTF-8; empty without a country database or when it has none
};

// Each table by requests, most first, equal counts in order of first appearance.
struct TablesEntrees {
    std::vector<LigneFichierDetail> parFichier;
    std::vector<LigneSiteDetail> parSite;
    std::vector<LigneAdresseDetail> parAdresse;
    bool avecPays = false;
};

class ComptesEntrees : public LecteurEnregistrements {
  public:
    ComptesEntrees();
    ~ComptesEntrees() override;
    // The statistics that come before this reader in the same series, counting whole agents:
    // a line's file, client, referrer and agent are then found by their entries there. Set
    // before commencer().
    void suivre(const SourceClesLigne* statistiques) { statistiques_ = statistiques; }
    void commencer(const Journal& journal, int nbTranches, bool souple) override;
    void lire(int tranche, const RLog& r) override;
    void terminer() override {}
    void replier() override;
    void adopter(LecteurEnregistrements& autre, int tranche) override;
    bool litNavigateurEtSysteme() const override { return false; }

    // The tables, the stretches merged in journal order; the counts are left as they are. The
    // countries from `base` when given.
    TablesEntrees resultat(const BasePays* base) const;

    struct Tranche;

  private:
    const SourceClesLigne* statistiques_ = nullptr;
    std::vector<std::unique_ptr<Tranche>> tranches_;
};

// The tables' titles and their headers of their own (Windows-1252).
inline constexpr const char* kTitreDetailFichiers = "Fichiers charg\xE9s en d\xE9tail";
inline constexpr const char* kTitreDetailSites =
    "Sites r\xE9"
    "f\xE9rents en d\xE9tail";
inline constexpr const char* kTitreDetailAdresses = "Adresses IP en d\xE9tail";
inline constexpr const char* kEnteteVisites = "Visites";
inline constexpr const char* kEntetePremiereRequete = "Premi\xE8re requ\xEAte";
inline constexpr const char* kEnteteDerniereRequete = "Derni\xE8re requ\xEAte";
inline constexpr const char* kEnteteClasses[4] = {"Part 2xx", "Part 3xx", "Part 4xx", "Part 5xx"};

// "2026-03-14 10:22:01": an instant as the tables write it, sorting as text in time order.
std::string texteDateHeure(int64_t secondes);

}  // namespace kestrane
