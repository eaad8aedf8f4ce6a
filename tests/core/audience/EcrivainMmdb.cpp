#include "EcrivainMmdb.h"

#include <arpa/inet.h>

#include <fstream>
#include <stdexcept>

namespace kestrane::test {

namespace {

enum Genre : int { kTexte = 2, kUint16 = 5, kUint32 = 6, kCarte = 7, kUint64 = 9, kListe = 11 };

void octetsGrands(std::string& s, uint64_t v, int n) {
    for (int k = n - 1; k >= 0; --k) s += static_cast<char>((v >> (8 * k)) & 0xFF);
}

// The control byte(s) of a value: its genre and its size.
void entete(std::string& s, int genre, std::size_t taille) {
    if (genre < 1 || genre > 15) throw std::invalid_argument("genre " + std::to_string(genre));
    const int g = genre <= 7 ? genre : 0;
    std::size_t suite = 0;
    int octets = 0, code;
    if (taille < 29) {
        code = static_cast<int>(taille);
    } else if (taille < 29 + 256) {
        code = 29, suite = taille - 29, octets = 1;
    } else if (taille < 285 + 65536) {
        code = 30, suite = taille - 285, octets = 2;
    } else {
        code = 31, suite = taille - 65821, octets = 3;
    }
    s += static_cast<char>(g << 5 | code);
    if (genre > 7) s += static_cast<char>(genre - 7);
    octetsGrands(s, suite, octets);
}

void encoder(std::string& s, const ValeurMmdb& v) {
    switch (v.type) {
        case ValeurMmdb::Type::Texte:
            entete(s, kTexte, v.texte.size());
            s += v.texte;
            break;
        case ValeurMmdb::Type::Entier: {
            int n = 0;
            while (n < 8 && (v.entier >> (8 * n)) != 0) ++n;
            entete(s,
                   v.bits == 16   ? kUint16
                   : v.bits == 32 ? kUint32
                                  : kUint64,
                   static_cast<std::size_t>(n));
            octetsGrands(s, v.entier, n);
            break;
        }
        case ValeurMmdb::Type::Carte:
            entete(s, kCarte, v.carte.size());
            for (const auto& [cle, valeur] : v.carte) {
                entete(s, kTexte, cle.size());
                s += cle;
                encoder(s, valeur);
            }
            break;
        case ValeurMmdb::Type::Liste:
            entete(s, kListe, v.liste.size());
            for (const ValeurMmdb& e : v.liste) encoder(s, e);
            break;
        case ValeurMmdb::Type::Brute:
            s += v.texte;
            break;
    }
}

}  // namespace

ValeurMmdb ValeurMmdb::deTexte(std::string t) {
    ValeurMmdb v;
    v.texte = std::move(t);
    return v;
}
ValeurMmdb ValeurMmdb::dEntier(uint64_t n, int bits) {
    ValeurMmdb v;
    v.type = Type::Entier;
    v.entier = n;
    v.bits = bits;
    return v;
}
ValeurMmdb ValeurMmdb::deCarte(std::vector<std::pair<std::string, ValeurMmdb>> c) {
    ValeurMmdb v;
    v.type = Type::Carte;
    v.carte = std::move(c);
    return v;
}
ValeurMmdb ValeurMmdb::deListe(std::vector<ValeurMmdb> l) {
    ValeurMmdb v;
    v.type = Type::Liste;
    v.liste = std::move(l);
    return v;
}

ValeurMmdb ValeurMmdb::brute(std::string octets) {
    ValeurMmdb v;
    v.type = Type::Brute;
    v.texte = std::move(octets);
    return v;
}
ValeurMmdb ValeurMmdb::pointeur(uint64_t position, int taille) {
    // 001SSVVV: SS the size, VVV the high bits of the value but for the 32-bit one; each size
    // starts where the one before it ends.
    static constexpr uint64_t kDebuts[4] = {0, 2048, 526336, 0};
    if (taille < 0 || taille > 3 || position < kDebuts[taille]) {
        throw std::invalid_argument("pointeur " + std::to_string(position));
    }
    const uint64_t n = position - kDebuts[taille];
    const int bits = 8 * (taille + 1);
    if (taille < 3 && (n >> bits) > 7) throw std::invalid_argument("pointeur trop grand");
    std::string s(1, static_cast<char>(1 << 5 | taille << 3 | (taille < 3 ? n >> bits : 0)));
    octetsGrands(s, n, taille + 1);
    return brute(std::move(s));
}

std::string enteteMmdb(int genre, std::size_t taille) {
    std::string s;
    entete(s, genre, taille);
    return s;
}
std::string encoderMmdb(const ValeurMmdb& valeur) {
    std::string s;
    encoder(s, valeur);
    return s;
}

ValeurMmdb paysMmdb(std::string iso, std::vector<std::pair<std::string, std::string>> noms,
                    bool enregistre) {
    std::vector<std::pair<std::string, ValeurMmdb>> pays;
    if (!iso.empty()) pays.emplace_back("iso_code", ValeurMmdb::deTexte(std::move(iso)));
    if (!noms.empty()) {
        std::vector<std::pair<std::string, ValeurMmdb>> n;
        for (auto& [langue, nom] : noms) n.emplace_back(langue, ValeurMmdb::deTexte(nom));
        pays.emplace_back("names", ValeurMmdb::deCarte(std::move(n)));
    }
    return ValeurMmdb::deCarte(
        {{enregistre ? "registered_country" : "country", ValeurMmdb::deCarte(std::move(pays))}});
}

EcrivainMmdb::EcrivainMmdb(int versionIP, std::string type)
    : versionIP_(versionIP), type_(std::move(type)), noeuds_(1) {}

uint64_t EcrivainMmdb::ajouter(std::string_view reseau, const ValeurMmdb& valeur) {
    const std::size_t barre = reseau.find('/');
    const std::string adresse(reseau.substr(0, barre));
    int longueur = std::stoi(std::string(reseau.substr(barre + 1)));
    unsigned char bits[16] = {};
    int total;
    if (inet_pton(AF_INET, adresse.c_str(), bits + 12) == 1) {
        total = versionIP_ == 6 ? 128 : 32;
        if (versionIP_ == 6) longueur += 96;
    } else if (versionIP_ == 6 && inet_pton(AF_INET6, adresse.c_str(), bits) == 1) {
        total = 128;
    } else {
        throw std::invalid_argument("adresse " + adresse);
    }
    const int decalage = 128 - total;  // an IPv4 database reads the last 32 bits only
    const auto bit = [&](int k) {
        return (bits[(decalage + k) / 8] >> (7 - (decalage + k) % 8)) & 1;
    };

    std::string d;
    encoder(d, valeur);
    const uint64_t position = tailleDonnees_;
    tailleDonnees_ += d.size();
    donnees_.push_back(std::move(d));
    const int64_t marque = -2 - static_cast<int64_t>(donnees_.size() - 1);

    std::size_t n = 0;
    for (int k = 0; k < longueur - 1; ++k) {
        int64_t& enfant = noeuds_[n].enfants[bit(k)];
        if (enfant < 0) {
            // A datum already covering this part goes down to both halves of the new node.
            const int64_t avant = enfant;
            noeuds_.push_back({});
            noeuds_.back().enfants[0] = noeuds_.back().enfants[1] = avant;
            noeuds_[n].enfants[bit(k)] = static_cast<int64_t>(noeuds_.size() - 1);
        }
        n = static_cast<std::size_t>(noeuds_[n].enfants[bit(k)]);
    }
    noeuds_[n].enfants[bit(longueur - 1)] = marque;
    return position;
}

std::string EcrivainMmdb::octets() const {
    const uint64_t nbNoeuds = noeuds_.size();
    std::string donnees;
    std::vector<uint64_t> positions;
    for (const std::string& d : donnees_) {
        positions.push_back(donnees.size());
        donnees += d;
    }
    std::string s;
    const auto enregistrement = [&](int64_t e) -> uint64_t {
        if (e >= 0) return static_cast<uint64_t>(e);
        if (e == -1) return nbNoeuds;
        return nbNoeuds + 16 + positions[static_cast<std::size_t>(-2 - e)];
    };
    for (const Noeud& n : noeuds_) {
        octetsGrands(s, enregistrement(n.enfants[0]), 3);
        octetsGrands(s, enregistrement(n.enfants[1]), 3);
    }
    s.append(16, '\0');
    s += donnees;
    s += "\xAB\xCD\xEFMaxMind.com";
    ValeurMmdb meta = ValeurMmdb::deCarte({
        {"binary_format_major_version", ValeurMmdb::dEntier(2, 16)},
        {"binary_format_minor_version", ValeurMmdb::dEntier(0, 16)},
        {"build_epoch", ValeurMmdb::dEntier(1700000000, 64)},
        {"database_type", ValeurMmdb::deTexte(type_)},
        {"description", ValeurMmdb::deCarte({{"en", ValeurMmdb::deTexte("Kestrane tests")}})},
        {"ip_version",
         ValeurMmdb::dEntier(imposees_.versionIP.value_or(static_cast<uint64_t>(versionIP_)), 16)},
        {"languages", ValeurMmdb::deListe({ValeurMmdb::deTexte("en"), ValeurMmdb::deTexte("fr")})},
        {"node_count", ValeurMmdb::dEntier(imposees_.noeuds.value_or(nbNoeuds))},
        {"record_size", ValeurMmdb::dEntier(imposees_.tailleEnregistrement.value_or(24), 16)},
    });
    encoder(s, meta);
    return s;
}

void EcrivainMmdb::ecrire(const std::string& chemin) const {
    std::ofstream f(chemin, std::ios::binary | std::ios::trunc);
    const std::string o = octets();
    f.write(o.data(), static_cast<std::streamsize>(o.size()));
    if (!f) throw std::runtime_error("cannot write " + chemin);
}

}  // namespace kestrane::test
