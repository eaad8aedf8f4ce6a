#include "core/audience/DonneesMmdb.h"

namespace kestrane {

namespace {

enum Genre : int {
    kPointeur = 1,
    kTexte = 2,
    kReel = 3,
    kOctets = 4,
    kUint16 = 5,
    kUint32 = 6,
    kCarte = 7,
    kInt32 = 8,
    kUint64 = 9,
    kUint128 = 10,
    kListe = 11,
    kBooleen = 14,
    kReelCourt = 15,
};

// A value's control bytes read: its genre and size (a pointer's target for a pointer), and where
// its contents start.
struct Entete {
    int genre = 0;
    uint64_t taille = 0;
    uint64_t debut = 0;
};

class Lecteur {
  public:
    explicit Lecteur(std::span<const uint8_t> donnees) : d_(donnees) {}

    // The control bytes at `p`, which moves past them (past the whole of a pointer).
    bool entete(uint64_t& p, Entete& e) const {
        uint8_t c;
        if (!octet(p, c)) return false;
        int genre = c >> 5;
        if (genre == kPointeur) {
            // 001SSVVV: SS + 1 bytes follow; VVV are the value's high bits but for SS = 3. Each
            // size starts where the one before it ends.
            static constexpr uint64_t kDebuts[4] = {0, 2048, 526336, 0};
            const int ss = (c >> 3) & 3;
            uint64_t valeur = ss == 3 ? 0 : c & 7;
            if (!nombre(p, ss + 1, valeur)) return false;
            e = {kPointeur, valeur + kDebuts[ss], p};
            return true;
        }
        if (genre == 0) {
            // Extended: the type is 7 + the next byte, and only types 8 to 15 exist; the data
            // cache container (12) and the end marker (13) are no values.
            uint8_t suite;
            if (!octet(p, suite) || suite < 1 || suite > 8) return false;
            genre = 7 + suite;
            if (genre == 12 || genre == 13) return false;
        }
        uint64_t taille = c & 0x1F;
        if (taille >= 29) {
            static constexpr uint64_t kBases[3] = {29, 285, 65821};
            const int octets = static_cast<int>(taille) - 28;
            uint64_t suite = 0;
            if (!nombre(p, octets, suite)) return false;
            taille = kBases[octets - 1] + suite;
        }
        e = {genre, taille, p};
        return true;
    }

    // The value at `p`, a pointer followed to its target. `p` moves past the control bytes, or
    // past the pointer; `pointe` says which. A pointer to a pointer is not followed further: its
    // target is no map nor text, which is all the callers take.
    bool valeur(uint64_t& p, Entete& e, bool& pointe) const {
        if (!entete(p, e)) return false;
        pointe = e.genre == kPointeur;
        if (!pointe) return true;
        uint64_t cible = e.taille;
        return entete(cible, e);
    }

    // The text at `p` (a pointer to one too), `p` moving past it.
    bool texte(uint64_t& p, std::string_view& t) const {
        Entete e;
        bool pointe;
        if (!valeur(p, e, pointe) || e.genre != kTexte || e.taille > d_.size() - e.debut) {
            return false;
        }
        t = std::string_view(reinterpret_cast<const char*>(d_.data() + e.debut), e.taille);
        if (!pointe) p += e.taille;
        return true;
    }

    // The value at `p` passed over, `p` moving past it. A pointer is not followed: what it
    // points to is no part of the value's bytes.
    bool sauter(uint64_t& p, int profondeur) const {
        if (profondeur > kProfondeurMmdb) return false;
        Entete e;
        if (!entete(p, e)) return false;
        if (e.genre == kPointeur) return true;
        if (e.genre == kCarte || e.genre == kListe) {
            // Each element takes one byte at least: a count past the section's end fails there.
            const uint64_t n = e.genre == kCarte ? 2 * e.taille : e.taille;
            for (uint64_t k = 0; k < n; ++k) {
                if (!sauter(p, profondeur + 1)) return false;
            }
            return true;
        }
        uint64_t contenu;
        if (!tailleContenu(e, contenu) || contenu > d_.size() - p) return false;
        p += contenu;
        return true;
    }

  private:
    bool octet(uint64_t& p, uint8_t& o) const {
        if (p >= d_.size()) return false;
        o = d_[p++];
        return true;
    }
    // `n` big-endian bytes appended to `valeur`.
    bool nombre(uint64_t& p, int n, uint64_t& valeur) const {
        if (static_cast<uint64_t>(n) > d_.size() - p) return false;
        for (int k = 0; k < n; ++k) valeur = valeur << 8 | d_[p++];
        return true;
    }
    // The bytes a value that is neither map, array nor pointer holds after its control bytes;
    // false for a size its type does not allow.
    static bool tailleContenu(const Entete& e, uint64_t& contenu) {
        contenu = e.taille;
        switch (e.genre) {
            case kTexte:
            case kOctets:
                return true;
            case kReel:
                return e.taille == 8;
            case kReelCourt:
                return e.taille == 4;
            case kUint16:
                return e.taille <= 2;
            case kUint32:
            case kInt32:
                return e.taille <= 4;
            case kUint64:
                return e.taille <= 8;
            case kUint128:
                return e.taille <= 16;
            case kBooleen:
                // The size is the value.
                contenu = 0;
                return e.taille <= 1;
            default:
                return false;
        }
    }

    std::span<const uint8_t> d_;
};

}  // namespace

std::optional<std::string_view> texteMmdb(std::span<const uint8_t> donnees, uint64_t position,
                                          std::initializer_list<std::string_view> chemin) {
    const Lecteur lecteur(donnees);
    uint64_t p = position;
    int profondeur = 0;
    for (const std::string_view cle : chemin) {
        Entete carte;
        bool pointe;
        if (!lecteur.valeur(p, carte, pointe) || carte.genre != kCarte) return std::nullopt;
        p = carte.debut;
        ++profondeur;
        bool trouvee = false;
        for (uint64_t k = 0; k < carte.taille && !trouvee; ++k) {
            std::string_view nom;
            if (!lecteur.texte(p, nom)) return std::nullopt;
            trouvee = nom == cle;
            if (!trouvee && !lecteur.sauter(p, profondeur)) return std::nullopt;
        }
        if (!trouvee) return std::nullopt;
    }
    std::string_view t;
    if (!lecteur.texte(p, t)) return std::nullopt;
    return t;
}

}  // namespace kestrane
