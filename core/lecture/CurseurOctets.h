// The positions of a few chosen bytes in a line, found 64 at a time. A reader of a line of
// thousands of short fields that searches each field's end from its start waits, field after
// field, for that start, then for the load and the compare of the search (about 5 ns a field);
// with the positions of a whole word of bytes in a register, the next one is its lowest bit and
// stepping past it clears that bit, so the fields no longer wait for one another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrane {

class CurseurOctets {
  public:
    // Over the `n` bytes at `d`, for the bytes `a`, `b` and `c` (the same one may be given
    // twice), from position `debut`.
    CurseurOctets(const char* d, std::size_t n, char a, char b, char c, std::size_t debut)
        : d_(d), n_(n) {
#if defined(__SSE2__)
        a_ = _mm_set1_epi8(a);
        b_ = _mm_set1_epi8(b);
        c_ = _mm_set1_epi8(c);
#else
        a_ = a;
        b_ = b;
        c_ = c;
#endif
        charger(debut);
    }

    const char* texte() const {
        return d_;
    }
    std::size_t taille() const {
        return n_;
    }

    // The first position at or after the current one that holds a chosen byte; n when none.
    std::size_t suivant() {
        while (mot_ == 0) {
            if (n_ - base_ <= 64) return n_;
            charger(base_ + 64);
        }
        return base_ + static_cast<std::size_t>(__builtin_ctzll(mot_));
    }
    // Steps past the next position that holds a chosen byte.
    void passer() {
        if (mot_ == 0) suivant();
        mot_ &= mot_ - 1;
    }
    // Leaves out the positions before `p`; p at or after the current position.
    void allerA(std::size_t p) {
        if (p - base_ < 64) {
            mot_ &= ~uint64_t{0} << (p - base_);
        } else {
            charger(p);
        }
    }

    // Where the cursor is, to come back to it.
    struct Marque {
        std::size_t base;
        uint64_t mot;
    };
    Marque marque() const {
        return {base_, mot_};
    }
    void revenir(Marque m) {
        base_ = m.base;
        mot_ = m.mot;
    }

    // How many of the `n` bytes at `d` are `a` or `b`.
    static std::size_t compter(const char* d, std::size_t n, char a, char b) {
        CurseurOctets c(d, n, a, b, a, 0);
        std::size_t nombre = 0;
        for (;;) {
            nombre += static_cast<std::size_t>(__builtin_popcountll(c.mot_));
            if (n - c.base_ <= 64) return nombre;
            c.charger(c.base_ + 64);
        }
    }

  private:
    // The chosen bytes of [p, p + 64) within the text, as the bits of mot_.
    void charger(std::size_t p) {
        if (p >= n_) {
            base_ = n_;
            mot_ = 0;
            return;
        }
        base_ = p;
        const std::size_t reste = n_ - p;
        if (reste >= 64) {
            mot_ = masque(d_ + p);
            return;
        }
        // The end of the text: its bytes copied, none read past it.
        char fin[64] = {};
        std::memcpy(fin, d_ + p, reste);
        mot_ = masque(fin) & ((uint64_t{1} << reste) - 1);
    }

    uint64_t masque(const char* p) const {
#if defined(__SSE2__)
        const __m128i a = a_, b = b_, c = c_;
        uint64_t m = 0;
        for (int i = 0; i < 4; ++i) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            const __m128i egaux = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(x, a), _mm_cmpeq_epi8(x, b)), _mm_cmpeq_epi8(x, c));
            m |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(egaux))} << (16 * i);
        }
        return m;
#else
        uint64_t m = 0;
        for (int i = 0; i < 64; ++i) {
            if (p[i] == a_ || p[i] == b_ || p[i] == c_) m |= uint64_t{1} << i;
        }
        return m;
#endif
    }

    const char* d_;
    std::size_t n_;
    // The chosen bytes, in every byte of a vector where the processor has them: a reader that
    // copies the cursor into its loop keeps them in vector registers, not in the loop's own.
#if defined(__SSE2__)
    __m128i a_, b_, c_;
#else
    char a_, b_, c_;
#endif
    std::size_t base_ = 0;  // the position of mot_'s lowest bit
    uint64_t mot_ = 0;      // the chosen bytes at and after the current position
};

}  // namespace kestrane
