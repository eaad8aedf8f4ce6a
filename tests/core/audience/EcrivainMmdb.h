// A small writer of MaxMind DB files (the format libmaxminddb reads: a binary search tree over
// the address bits, a data section of typed values, a metadata map after a marker), so that the
// tests and the benchmark make the country databases they read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrane::test {

// A value of the data section: a text, an unsigned integer, a map or an array.
struct ValeurMmdb {
    enum class Type { Texte, Entier, Carte, Liste } type = Type::Texte;
    std::string texte;
    uint64_t entier = 0;
    int bits = 32;  // an integer's type: 16, 32 or 64 bits (the metadata asks for each)
    std::vector<std::pair<std::string, ValeurMmdb>> carte;
    std::vector<ValeurMmdb> liste;

    static ValeurMmdb deTexte(std::string t);
    static ValeurMmdb dEntier(uint64_t n, int bits = 32);
    static ValeurMmdb deCarte(std::vector<std::pair<std::string, ValeurMmdb>> c);
    static ValeurMmdb deListe(std::vector<ValeurMmdb> l);
};

// The record of a country as GeoLite2-Country has it: {"country": {"iso_code": .., "names":
// {langue: nom...}}}, under "registered_country" instead when `enregistre`; an empty ISO code
// or no names leave those keys out.
ValeurMmdb paysMmdb(std::string iso, std::vector<std::pair<std::string, std::string>> noms,
                    bool enregistre = false);

class EcrivainMmdb {
  public:
    // A database of IPv6 (IPv4 addresses under ::/96, as libmaxminddb looks them up) or IPv4
    // addresses.
    explicit EcrivainMmdb(int versionIP = 6, std::string type = "Kestrane-Test-Country");
    // A network "1.2.3.0/24" or "2001:db8::/32" (IPv4 networks in an IPv6 database too). A later
    // network inside an earlier one takes its part of it.
    void ajouter(std::string_view reseau, const ValeurMmdb& valeur);
    // The file's bytes.
    std::string octets() const;
    void ecrire(const std::string& chemin) const;

  private:
    struct Noeud {
        int64_t enfants[2] = {-1, -1};  // node number, -1 for nothing, -2 - n for datum n
    };
    int versionIP_;
    std::string type_;
    std::vector<Noeud> noeuds_;
    std::vector<std::string> donnees_;  // each datum encoded
};

}  // namespace kestrane::test
