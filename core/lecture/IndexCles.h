// Hash index from the keys of a tally to their entries, so that a tally costs one lookup per
// line instead of a scan of the table. Entries keep their order of first appearance: the index
// only maps a key to the number of its entry.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrane {

__extension__ using Produit128 = unsigned __int128;

// The 128-bit product of a and b folded to 64 bits: one multiplication mixes 16 bytes.
inline uint64_t plier(uint64_t a, uint64_t b) {
    const Produit128 r = static_cast<Produit128>(a) * b;
    return static_cast<uint64_t>(r) ^ static_cast<uint64_t>(r >> 64);
}

inline uint64_t lire64(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline uint64_t lire32(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// A text's hash, 16 bytes per step; the last step reads the text's last bytes again rather than
// past its end.
inline uint64_t hacherOctets(std::string_view s) {
    constexpr uint64_t k0 = 0xa0761d6478bd642full, k1 = 0xe7037ed1a0b428dbull,
                       k2 = 0x8ebc6af09c88c6e3ull;
    const char* p = s.data();
    const std::size_t n = s.size();
    uint64_t h = k0 ^ (n * k2);
    uint64_t a, b;
    if (n <= 16) {
        if (n >= 8) {
            a = lire64(p);
            b = lire64(p + n - 8);
        } else if (n >= 4) {
            a = lire32(p);
            b = lire32(p + n - 4);
        } else if (n > 0) {
            a = (static_cast<uint64_t>(static_cast<unsigned char>(p[0])) << 16) |
                (static_cast<uint64_t>(static_cast<unsigned char>(p[n >> 1])) << 8) |
                static_cast<unsigned char>(p[n - 1]);
            b = 0;
        } else {
            a = b = 0;
        }
    } else {
        std::size_t reste = n;
        for (; reste > 16; reste -= 16, p += 16) h = plier(lire64(p) ^ k1, lire64(p + 8) ^ h);
        a = lire64(p + reste - 16);
        b = lire64(p + reste - 8);
    }
    return plier(k1 ^ n, plier(a ^ k1, b ^ h));
}

// Whether two texts hold the same bytes; inline, for the short keys of a log (a library call
// costs more than comparing them).
inline bool memesOctets(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    const char* p = a.data();
    const char* q = b.data();
#if defined(__SSE2__)
    if (n >= 16) {
        // 16 bytes at a time, the last 16 read again rather than byte by byte.
        const auto egaux16 = [](const char* x, const char* y) {
            const __m128i a16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
            const __m128i b16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
            return _mm_movemask_epi8(_mm_cmpeq_epi8(a16, b16)) == 0xFFFF;
        };
        for (std::size_t k = 0; k + 16 < n; k += 16) {
            if (!egaux16(p + k, q + k)) return false;
        }
        return egaux16(p + n - 16, q + n - 16);
    }
#endif
    if (n >= 8) {
        // 8 bytes at a time, the last 8 read again rather than byte by byte.
        for (std::size_t k = 0; k + 8 < n; k += 8) {
            if (lire64(p + k) != lire64(q + k)) return false;
        }
        return lire64(p + n - 8) == lire64(q + n - 8);
    }
    if (n >= 4) return lire32(p) == lire32(q) && lire32(p + n - 4) == lire32(q + n - 4);
    for (std::size_t k = 0; k < n; ++k) {
        if (p[k] != q[k]) return false;
    }
    return true;
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
    return plier(a ^ 0xa0761d6478bd642full, b ^ 0xe7037ed1a0b428dbull);
}

// Open addressing over entry numbers. A slot keeps 32 bits of its key's hash, so that a probe
// reads the key itself only when it very probably matches. Text keys are copied into the index,
// packed together: a lookup then reads a few cache lines of the index instead of the far place of
// the journal where the key was first seen, and a key may be a temporary text.
template <typename Cle>
class IndexCles {
  public:
    IndexCles() { reconstruire(64); }
    IndexCles(const IndexCles&) = delete;
    IndexCles& operator=(const IndexCles&) = delete;
    IndexCles(IndexCles&&) noexcept = default;
    IndexCles& operator=(IndexCles&&) noexcept = default;

    std::size_t taille() const { return cles_.size(); }
    const Cle& cle(std::size_t n) const { return cles_[n]; }
    uint64_t hachage(std::size_t n) const { return hachages_[n]; }

    // Number of the key's entry, adding it when new (`nouveau` tells).
    uint32_t trouverOuAjouter(const Cle& cle, bool& nouveau) {
        return trouverOuAjouter(cle, hacher(cle), nouveau);
    }
    // The same with the key's hash already computed (hacher(cle)).
    uint32_t trouverOuAjouter(const Cle& cle, uint64_t h, bool& nouveau) {
        return ajouterSiNouvelle<true>(cle, h, nouveau);
    }
    // The same, a new text key kept as the view given rather than copied: for a text that
    // outlives the index (a journal loaded whole, another table's copy).
    uint32_t trouverOuAjouterSansCopie(const Cle& cle, uint64_t h, bool& nouveau) {
        return ajouterSiNouvelle<false>(cle, h, nouveau);
    }

    // No key any more; the slots and the first block of texts are kept for the next keys, so
    // that an index refilled again and again (a stream's stretch) does not take fresh memory.
    void vider() {
        cles_.clear();
        hachages_.clear();
        std::fill(cases_.begin(), cases_.end(), Case{0, 0});
        if (blocs_.empty()) return;
        blocs_.resize(1);
        suivant_ = blocs_[0].get();
        libre_ = tailleBloc0_;
    }

    // Starts bringing the slot of a hash into the cache, so that several lookups of one line
    // wait for memory at the same time rather than one after the other.
    void precharger(uint64_t h) const {
        __builtin_prefetch(&cases_[static_cast<std::size_t>(h) & masque_]);
    }

    // Number of the key's entry, or -1.
    int64_t trouver(const Cle& cle) const { return trouver(cle, hacher(cle)); }
    int64_t trouver(const Cle& cle, uint64_t h) const {
        return static_cast<int64_t>(cases_[chercherCase(cle, h)].numero) - 1;
    }

  private:
    template <bool copier>
    uint32_t ajouterSiNouvelle(const Cle& cle, uint64_t h, bool& nouveau) {
        const std::size_t c = chercherCase(cle, h);
        if (cases_[c].numero != 0) {
            nouveau = false;
            return cases_[c].numero - 1;
        }
        nouveau = true;
        const auto numero = static_cast<uint32_t>(cles_.size());
        if constexpr (copier) {
            cles_.push_back(garder(cle));
        } else {
            cles_.push_back(cle);
        }
        hachages_.push_back(h);
        cases_[c] = {numero + 1, empreinte(h)};
        if (cles_.size() * 2 > cases_.size()) reconstruire(cases_.size() * 2);
        return numero;
    }

    struct Case {
        uint32_t numero;     // entry number + 1; 0 for an empty slot
        uint32_t empreinte;  // high half of the key's hash
    };
    static uint32_t empreinte(uint64_t h) { return static_cast<uint32_t>(h >> 32); }

    // The slot holding the key, or the empty slot where it would go.
    std::size_t chercherCase(const Cle& cle, uint64_t h) const {
        const uint32_t e = empreinte(h);
        std::size_t c = static_cast<std::size_t>(h) & masque_;
        for (;;) {
            const Case k = cases_[c];
            if (k.numero == 0 || (k.empreinte == e && egales(cles_[k.numero - 1], cle))) return c;
            c = (c + 1) & masque_;
        }
    }

    void reconstruire(std::size_t nbCases) {
        cases_.assign(nbCases, Case{0, 0});
        masque_ = nbCases - 1;
        for (std::size_t n = 0; n < cles_.size(); ++n) {
            std::size_t c = static_cast<std::size_t>(hachages_[n]) & masque_;
            while (cases_[c].numero != 0) c = (c + 1) & masque_;
            cases_[c] = {static_cast<uint32_t>(n + 1), empreinte(hachages_[n])};
        }
    }

    static bool egales(const Cle& a, const Cle& b) {
        if constexpr (std::is_same_v<Cle, std::string_view>) {
            return memesOctets(a, b);
        } else {
            return a == b;
        }
    }

    Cle garder(const Cle& cle) {
        if constexpr (std::is_same_v<Cle, std::string_view>) {
            static constexpr std::size_t kBloc = 1 << 16;
            if (cle.empty()) return {};
            if (libre_ < cle.size() && cle.size() > kBloc / 4 && !blocs_.empty()) {
                // A long key gets memory of its own size, and the block keeps taking the short
                // ones: a block opened for each 52 KB agent left a fifth of it unused.
                blocs_.push_back(std::make_unique_for_overwrite<char[]>(cle.size()));
                std::memcpy(blocs_.back().get(), cle.data(), cle.size());
                return {blocs_.back().get(), cle.size()};
            }
            if (libre_ < cle.size()) {
                const std::size_t taille = std::max(kBloc, cle.size());
                if (blocs_.empty()) tailleBloc0_ = taille;
                blocs_.push_back(std::make_unique_for_overwrite<char[]>(taille));
                suivant_ = blocs_.back().get();
                libre_ = taille;
            }
            std::memcpy(suivant_, cle.data(), cle.size());
            const std::string_view copie(suivant_, cle.size());
            suivant_ += cle.size();
            libre_ -= cle.size();
            return copie;
        } else {
            return cle;
        }
    }

    std::vector<Cle> cles_;
    std::vector<uint64_t> hachages_;
    std::vector<Case> cases_;
    std::size_t masque_ = 0;
    // Where text keys are copied; blocks never move.
    std::vector<std::unique_ptr<char[]>> blocs_;
    char* suivant_ = nullptr;
    std::size_t libre_ = 0, tailleBloc0_ = 0;
};

}  // namespace kestrane
