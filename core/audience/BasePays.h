// The country of a client address, from a MaxMind DB file (GeoLite2-Country, DB-IP Lite Country
// or any country database in that format) read with libmaxminddb. Nothing is ever downloaded:
// without a database the page says how to get one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Erreur.h"

namespace kestrane {

// kPaysInconnu, the country of an address the database lacks, of a private or reserved range, of
// a client written as a host name; kSansBasePays, the line shown instead of the countries' table
// when no database was found; kBaseIllisible, what follows the quoted path of a file that is no
// MaxMind DB (Messages.h).

// A file that opens but is no MaxMind DB: "\"<chemin>\" n'est pas une base de géolocalisation
// lisible" (Windows-1252, the path's bytes as given). The analysis goes on without countries.
class ErreurBasePays : public ErreurKestrane {
  public:
    explicit ErreurBasePays(const std::string& chemin);
    const std::string& chemin() const { return chemin_; }

  private:
    std::string chemin_;
};

// Where a country database is looked for when none is named.
std::vector<std::string> dossiersGeoIP();
// The first file named "*ountry*.mmdb" (by name order) of the first of `dossiers` that holds
// one; empty when none does.
std::string chercherBasePays(const std::vector<std::string>& dossiers = dossiersGeoIP());

class BasePays {
  public:
    // Opens the database. Raises ErreurFichier "Impossible d'ouvrir le fichier "<chemin>".
    // <raison>" when the file cannot be read or is no regular file, and ErreurBasePays when it
    // is no MaxMind DB.
    explicit BasePays(const std::string& chemin);
    ~BasePays();
    BasePays(const BasePays&) = delete;
    BasePays& operator=(const BasePays&) = delete;

    const std::string& chemin() const { return chemin_; }
    // The database's own description of its kind ("GeoLite2-Country").
    std::string typeBase() const;

    // The database record of an address written as text (dotted IPv4 or IPv6), or of an IPv4
    // address as a number (a.b.c.d as a << 24 | b << 16 | c << 8 | d): its offset in the
    // database, or -1 when the address is unknown, private or reserved, or no address at all.
    // Addresses sharing a record share a country: the offset is what a cache keys on.
    int64_t fiche(std::string_view adresse) const;
    int64_t ficheIPv4(uint32_t adresse) const;
    // The records of IPv4 addresses given in increasing order: the database is asked once per
    // network it holds, the addresses after the first one of a network taking its record.
    std::vector<int64_t> fichesIPv4(const std::vector<uint32_t>& adresses) const;
    // The country of a record, in UTF-8: its French name, else its English name, else its ISO
    // code (the registered country when the record has no country); empty when it has none.
    std::string nomPays(int64_t fiche) const;

    // The ISO code of a record's country ("FR"; the registered country's when the record has no
    // country); empty when it has none.
    std::string codePays(int64_t fiche) const;

    // Both at once; kPaysInconnu when unknown.
    std::string paysDe(std::string_view adresse) const;

    struct Etat;

  private:
    std::string chemin_;
    std::unique_ptr<Etat> etat_;
};

}  // namespace kestrane
