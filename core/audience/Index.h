// The arrays and indexes the audience counts fill on every line. Indexes find keys by open
// addressing: a key already there costs one slot read (and, for a text, one comparison). The big
// ones live in BlocMemoire, in huge pages where the system gives them: first touching 4 KiB
// pages costs here more than the counting itself.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/journal/Memoire.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrane {

// Whether two texts hold the same bytes. Inline: the texts of a line compared on every line (a
// date, a method, an agent) are short, and a library call costs more than the comparison.
inline bool memesTextes(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    const char* p = a.data();
    const char* q = b.data();
    // Blocks of 16, 8 or 4 bytes, the last one read again where it overlaps.
    const auto egaux = [p, q](std::size_t k, auto bloc) {
        decltype(bloc) x, y;
        std::memcpy(&x, p + k, sizeof x);
        std::memcpy(&y, q + k, sizeof y);
        return x == y;
    };
    // Long ones (an agent) to the library, which uses the widest instructions the processor has.
    if (n > 32) return std::memcmp(p, q, n) == 0;
#if defined(__SSE2__)
    if (n >= 16) {
        const auto egaux16 = [p, q](std::size_t k) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + k));
            return _mm_movemask_epi8(_mm_cmpeq_epi8(x, y)) == 0xFFFF;
        };
        for (std::size_t k = 0; k + 16 < n; k += 16) {
            if (!egaux16(k)) return false;
        }
        return egaux16(n - 16);
    }
#endif
    if (n >= 8) {
        for (std::size_t k = 0; k + 8 < n; k += 8) {
            if (!egaux(k, uint64_t{})) return false;
        }
        return egaux(n - 8, uint64_t{});
    }
    if (n >= 4) return egaux(0, uint32_t{}) && egaux(n - 4, uint32_t{});
    for (std::size_t k = 0; k < n; ++k) {
        if (p[k] != q[k]) return false;
    }
    return true;
}

// Texts numbered in order of first appearance (sites, search terms, agents, addresses written as
// text). Keys are copied into blocks of their own, so that a lookup reads a few cache lines
// instead of the far place of the journal where the key was first seen.
class IndexTextes {
  public:
    IndexTextes() : cases_(64) {}
    IndexTextes(const IndexTextes&) = delete;
    IndexTextes& operator=(const IndexTextes&) = delete;

    // The number of the text, adding it when new (`nouveau` tells).
    uint32_t trouverOuAjouter(std::string_view texte, bool& nouveau) {
        const uint64_t h = std::hash<std::string_view>()(texte);
        std::size_t c = caseDe(texte, h);
        nouveau = cases_[c].numero == 0;
        if (!nouveau) return cases_[c].numero - 1;
        const auto n = static_cast<uint32_t>(cles_.size());
        cles_.push_back(garder(texte));
        hachages_.push_back(h);
        cases_[c] = {n + 1, empreinte(h)};
        if (cles_.size() * 2 > cases_.size()) reconstruire();
        return n;
    }
    uint32_t trouverOuAjouter(std::string_view texte) {
        bool nouveau;
        return trouverOuAjouter(texte, nouveau);
    }
    std::size_t taille() const { return cles_.size(); }
    std::string_view cle(std::size_t n) const { return cles_[n]; }

  private:
    struct Case {
        uint32_t numero;     // text number + 1; 0 for an empty slot
        uint32_t empreinte;  // high half of the text's hash: the text is read only when it matches
    };
    static uint32_t empreinte(uint64_t h) { return static_cast<uint32_t>(h >> 32); }

    std::size_t caseDe(std::string_view texte, uint64_t h) const {
        const std::size_t masque = cases_.size() - 1;
        std::size_t c = static_cast<std::size_t>(h) & masque;
        while (cases_[c].numero != 0 &&
               (cases_[c].empreinte != empreinte(h) || cles_[cases_[c].numero - 1] != texte)) {
            c = (c + 1) & masque;
        }
        return c;
    }

    void reconstruire() {
        std::vector<Case> cases(cases_.size() * 2, Case{0, 0});
        const std::size_t masque = cases.size() - 1;
        for (std::size_t n = 0; n < cles_.size(); ++n) {
            std::size_t c = static_cast<std::size_t>(hachages_[n]) & masque;
            while (cases[c].numero != 0) c = (c + 1) & masque;
            cases[c] = {static_cast<uint32_t>(n + 1), empreinte(hachages_[n])};
        }
        cases_.swap(cases);
    }

    std::string_view garder(std::string_view t) {
        static constexpr std::size_t kBloc = 1 << 16;
        if (t.empty()) return {};
        if (libre_ < t.size()) {
            const std::size_t taille = std::max(kBloc, t.size());
            blocs_.push_back(std::make_unique<char[]>(taille));
            suivant_ = blocs_.back().get();
            libre_ = taille;
        }
        std::memcpy(suivant_, t.data(), t.size());
        const std::string_view copie(suivant_, t.size());
        suivant_ += t.size();
        libre_ -= t.size();
        return copie;
    }

    std::vector<Case> cases_;
    std::vector<std::string_view> cles_;
    std::vector<uint64_t> hachages_;
    std::vector<std::unique_ptr<char[]>> blocs_;  // blocks never move
    char* suivant_ = nullptr;
    std::size_t libre_ = 0;
};

// A growing array of plain values, grown by remapping rather than copying.
template <typename T>
class TableauBloc {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    // `premiers`: the values to make room for at once.
    explicit TableauBloc(std::size_t premiers = 0) {
        if (premiers > 0) reserver(premiers);
    }
    TableauBloc(TableauBloc&& t) noexcept
        : bloc_(std::move(t.bloc_)), taille_(t.taille_), capacite_(t.capacite_) {
        t.taille_ = t.capacite_ = 0;
    }
    TableauBloc& operator=(TableauBloc&& t) noexcept {
        bloc_ = std::move(t.bloc_);
        taille_ = t.taille_;
        capacite_ = t.capacite_;
        t.taille_ = t.capacite_ = 0;
        return *this;
    }
    void push_back(const T& v) {
        if (taille_ == capacite_) reserver(std::max<std::size_t>(64, capacite_ * 2));
        new (donnees() + taille_) T(v);
        ++taille_;
    }
    T& operator[](std::size_t k) { return donnees()[k]; }
    const T& operator[](std::size_t k) const { return donnees()[k]; }
    std::size_t size() const { return taille_; }
    bool empty() const { return taille_ == 0; }
    T* begin() { return donnees(); }
    T* end() { return donnees() + taille_; }
    const T* begin() const { return donnees(); }
    const T* end() const { return donnees() + taille_; }
    void resize(std::size_t n) { taille_ = std::min(n, taille_); }  // shrinks only
    void reserver(std::size_t n) {
        if (n <= capacite_) return;
        if (!bloc_) {
            bloc_ = std::make_unique<BlocMemoire>(n * sizeof(T));
        } else {
            bloc_->agrandir(n * sizeof(T));
        }
        capacite_ = n;
    }

  private:
    T* donnees() const { return bloc_ ? reinterpret_cast<T*>(bloc_->donnees()) : nullptr; }

    std::unique_ptr<BlocMemoire> bloc_;
    std::size_t taille_ = 0, capacite_ = 0;
};

}  // namespace kestrane
