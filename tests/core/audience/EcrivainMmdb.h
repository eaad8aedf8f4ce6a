// A small writer of MaxMind DB files (the format libmaxminddb reads: a binary search tree over
// the address bits, a data section of typed values, a metadata map after a marker), so that the
// tests and the benchmark make the country databases they read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrane::test {

// A value of the data section: a text, an unsigned integer, a map, an array, or bytes already
// encoded (what the writer cannot make itself: pointers, other types, damaged values).
struct ValeurMmdb {
    enum class Type { Texte, Entier, Carte, Liste, Brute } type = Type::Texte;
    std::string texte;  // a text, or the encoded bytes
    uint64_t entier = 0;
    int bits = 32;  // an integer's type: 16, 32 or 64 bits (the metadata asks for each)
    std::vector<std::pair<std::string, ValeurMmdb>> carte;
    std::vector<ValeurMmdb> liste;

    static ValeurMmdb deTexte(std::string t);
    static ValeurMmdb dEntier(uint64_t n, int bits = 32);
    static ValeurMmdb deCarte(std::vector<std::pair<std::string, ValeurMmdb>> c);
    static ValeurMmdb deListe(std::vector<ValeurMmdb> l);
    static ValeurMmdb brute(std::string octets);
    // A pointer to `position` in the data section, written on 1 + `taille` bytes (0 to 3: the
    // four sizes of a pointer, from 11 to 32 bits).
    static ValeurMmdb pointeur(uint64_t position, int taille = 0);
};

// Encoded values, for the tests that put their own bytes together: the control byte(s) of a
// value of type `genre` (1 to 15) and size `taille`, and a whole value.
std::string enteteMmdb(int genre, std::size_t taille);
std::string encoderMmdb(const ValeurMmdb& valeur);

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
    // network inside an earlier one takes its part of it. Gives where its value starts in the
    // data section (what a pointer to it holds).
    uint64_t ajouter(std::string_view reseau, const ValeurMmdb& valeur);
    std::size_t nombreNoeuds() const { return noeuds_.size(); }

    // What the metadata say instead of the truth, for the tests of damaged databases.
    struct Metadonnees {
        std::optional<uint64_t> noeuds, tailleEnregistrement, versionIP;
    };
    void imposer(const Metadonnees& m) { imposees_ = m; }
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
    uint64_t tailleDonnees_ = 0;
    Metadonnees imposees_;
};

}  // namespace kestrane::test
