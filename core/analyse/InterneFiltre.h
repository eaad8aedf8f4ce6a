// The read form of a filter, shared by its reading (LectureFiltre.cpp) and its application
// (Filtre.cpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/analyse/Filtre.h"

namespace kestrane {

enum class ChampFiltre : uint8_t {
    ip,
    chemin,
    provenance,
    site,
    recherche,
    navigateur,
    systeme,
    robot,   // robot:Nom
    robots,  // bare `robot`
    statique,
    statut,
    methode,
    protocole,
    pays,
    hote,
    jour,
    heure,
};

enum class ModeTexte : uint8_t { exact, motif, contient };

struct TermeFiltre {
    ChampFiltre champ = ChampFiltre::robots;
    // Text fields: how the value matches, the value (ASCII lower case when the field ignores case).
    ModeTexte mode = ModeTexte::exact;
    bool casse = true;  // whether case counts
    std::string valeur;
    // ip: the address as 16 bytes (IPv4 as ::ffff:a.b.c.d) and its prefix length in bits; -1:
    // a host name compared by its text (`valeur`).
    std::array<uint8_t, 16> octets{};
    int prefixe = -1;
    // statut: a code, or a class 1..9 with code 0; jour: day numbers; heure: hours (debut > fin
    // wraps past midnight).
    int64_t debut = 0, fin = 0;
    int32_t code = 0, classe = 0;
};

struct NoeudFiltre {
    enum class Sorte : uint8_t { terme, non, et, ou } sorte = Sorte::terme;
    uint32_t terme = 0;                // Sorte::terme: its index in Arbre::termes
    std::vector<NoeudFiltre> enfants;  // non: one; et, ou: two or more
};

struct Filtre::Arbre {
    std::vector<TermeFiltre> termes;
    NoeudFiltre racine;
    // The top "and" terms' places in the text: [debut, fin) in bytes.
    std::vector<std::pair<std::size_t, std::size_t>> places;
};

// Whether `texte` matches `motif`, a `*` in it standing for any run of bytes; `casse` false:
// ASCII case ignored (the motif already in lower case).
bool correspondMotif(std::string_view texte, std::string_view motif, bool casse);

// An address of the text form (IPv4 dotted, IPv6) into 16 bytes, IPv4 mapped; false otherwise.
bool octetsAdresse(std::string_view texte, std::array<uint8_t, 16>& octets);

}  // namespace kestrane
