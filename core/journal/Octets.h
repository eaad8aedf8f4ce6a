// Byte search over raw memory, sixteen bytes at a time where the processor allows: the line index
// of the journal and the text cutters of the parser both look for single bytes in long texts.
#pragma once

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrane {

// The first byte equal to `c` among the `n` bytes at `p`, or null. Inline: the fields of a log line
// are short, and most of a library search's cost for them is its call and set-up.
inline const char* trouverOctet(const char* p, std::size_t n, char c) {
#if defined(__SSE2__)
    const __m128i motif = _mm_set1_epi8(c);
    if (n >= 16) {
        while (n >= 16) {
            const __m128i bloc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const int masque = _mm_movemask_epi8(_mm_cmpeq_epi8(bloc, motif));
            if (masque != 0) return p + __builtin_ctz(static_cast<unsigned>(masque));
            p += 16;
            n -= 16;
        }
        if (n == 0) return nullptr;
        // The last 16 bytes again, of which only the last n are still to look at.
        const __m128i bloc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
        const unsigned masque =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bloc, motif))) >> (16 - n);
        return masque != 0 ? p + __builtin_ctz(masque) : nullptr;
    }
    for (; n > 0; --n, ++p) {
        if (*p == c) return p;
    }
    return nullptr;
#else
    return static_cast<const char*>(std::memchr(p, c, n));
#endif
}

// The last byte equal to `c` among the `n` bytes at `p`, or null.
inline const char* trouverDernierOctet(const char* p, std::size_t n, char c) {
#if defined(__SSE2__)
    const __m128i motif = _mm_set1_epi8(c);
    while (n >= 16) {
        const __m128i bloc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
        const int masque = _mm_movemask_epi8(_mm_cmpeq_epi8(bloc, motif));
        if (masque != 0) return p + n - 16 + (31 - __builtin_clz(static_cast<unsigned>(masque)));
        n -= 16;
    }
#endif
    while (n > 0) {
        if (p[--n] == c) return p + n;
    }
    return nullptr;
}

}  // namespace kestrane
