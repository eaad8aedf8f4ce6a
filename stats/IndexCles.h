// Hash index from the keys of a tally to their entries, so that a tally costs one lookup per
// line instead of a scan of the table. Entries keep their order of first appearance: the index
// only maps a key to the number of its entry.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace kestrane {

inline uint64_t melanger(uint64_t x) {
    x ^= x >> 32;
    x *= 0xd6e8feb86659fd93ull;
    x ^= x >> 32;
    x *= 0xd6e8feb86659fd93ull;
    x ^= x >> 32;
    return x;
}

inline uint64_t hacherOctets(std::string_view s) {
    const char* p = s.data();
    std::size_t n = s.size();
    uint64_t h = 0x9e3779b97f4a7c15ull ^ (n * 0xff51afd7ed558ccdull);
    while (n >= 8) {
        uint64_t m;
        std::memcpy(&m, p, 8);
        h = (h ^ melanger(m)) * 0x9fb21c651e98df25ull;
        p += 8;
        n -= 8;
    }
    if (n > 0) {
        uint64_t m = 0;
        std::memcpy(&m, p, n);
        h = (h ^ melanger(m ^ 0xa5a5a5a5ull)) * 0x9fb21c651e98df25ull;
    }
    return melanger(h);
}

// The four numbers of a client address, kept as numbers while counting.
struct CleIP {
    int32_t v[4];
    bool operator==(const CleIP& o) const { return std::memcmp(v, o.v, sizeof v) == 0; }
};

inline uint64_t hacher(std::string_view s) {
    return hacherOctets(s);
}
inline uint64_t hacher(const CleIP& c) {
    uint64_t a, b;
    std::memcpy(&a, c.v, 8);
    std::memcpy(&b, c.v + 2, 8);
    return melanger(a * 0x9e3779b97f4a7c15ull ^ melanger(b));
}

// Open addressing over entry numbers; the keys themselves must stay valid while indexed
// (views into the journal's buffer, or values).
template <typename Cle>
class IndexCles {
  public:
    IndexCles() { reconstruire(64); }

    std::size_t taille() const { return cles_.size(); }
    const Cle& cle(std::size_t n) const { return cles_[n]; }

    // Number of the key's entry, adding it when new (`nouveau` tells).
    uint32_t trouverOuAjouter(const Cle& cle, bool& nouveau) {
        const uint64_t h = hacher(cle);
        std::size_t c = static_cast<std::size_t>(h) & masque_;
        for (;;) {
            const uint32_t occupant = cases_[c];
            if (occupant == 0) break;
            if (hachages_[occupant - 1] == h && cles_[occupant - 1] == cle) {
                nouveau = false;
                return occupant - 1;
            }
            c = (c + 1) & masque_;
        }
        nouveau = true;
        const auto numero = static_cast<uint32_t>(cles_.size());
        cles_.push_back(cle);
        hachages_.push_back(h);
        cases_[c] = numero + 1;
        if (cles_.size() * 2 > cases_.size()) reconstruire(cases_.size() * 2);
        return numero;
    }

    // Number of the key's entry, or -1.
    int64_t trouver(const Cle& cle) const {
        const uint64_t h = hacher(cle);
        std::size_t c = static_cast<std::size_t>(h) & masque_;
        for (;;) {
            const uint32_t occupant = cases_[c];
            if (occupant == 0) return -1;
            if (hachages_[occupant - 1] == h && cles_[occupant - 1] == cle) return occupant - 1;
            c = (c + 1) & masque_;
        }
    }

  private:
    void reconstruire(std::size_t nbCases) {
        cases_.assign(nbCases, 0);
        masque_ = nbCases - 1;
        for (std::size_t n = 0; n < cles_.size(); ++n) {
            std::size_t c = static_cast<std::size_t>(hachages_[n]) & masque_;
            while (cases_[c] != 0) c = (c + 1) & masque_;
            cases_[c] = static_cast<uint32_t>(n + 1);
        }
    }

    std::vector<Cle> cles_;
    std::vector<uint64_t> hachages_;
    std::vector<uint32_t> cases_;
    std::size_t masque_ = 0;
};

}  // namespace kestrane
