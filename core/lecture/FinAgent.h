// Where a user agent ends in the journal's bytes. The parser keeps of an agent its start (the
// browser); the counts that need it whole read on to its closing quote, or to the end of its line
// when the quote is missing.
#pragma once

#include <cstddef>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrane {

// Whether `p` points into the bytes [debut, fin) (pointers of other buffers compared safely).
inline bool dansOctets(const char* p, const char* debut, const char* fin) {
    return std::greater_equal<const char*>()(p, debut) && std::less<const char*>()(p, fin);
}

// A byte that ends an agent: its closing quote or a line break.
inline bool finitAgent(char c) {
    return c == '"' || c == '\n' || c == '\r';
}

// The length of the agent whose text starts at `p`, `n` bytes before the end of the buffer; the
// three bytes looked for 16 at a time.
inline std::size_t longueurAgent(const char* p, std::size_t n) {
    std::size_t k = 0;
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i guillemet = _mm_set1_epi8('"'), lf = _mm_set1_epi8('\n'),
                      cr = _mm_set1_epi8('\r');
        const auto fins = [&](const char* q) {
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
            return static_cast<unsigned>(_mm_movemask_epi8(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, guillemet), _mm_cmpeq_epi8(b, lf)),
                             _mm_cmpeq_epi8(b, cr))));
        };
        for (; k + 16 <= n; k += 16) {
            if (const unsigned m = fins(p + k))
                return k + static_cast<std::size_t>(__builtin_ctz(m));
        }
        if (k == n) return n;
        // The last 16 bytes again, of which only the last n - k are still to look at.
        const unsigned m = fins(p + n - 16) >> (16 - (n - k));
        return m != 0 ? k + static_cast<std::size_t>(__builtin_ctz(m)) : n;
    }
#endif
    for (; k < n; ++k) {
        if (finitAgent(p[k])) return k;
    }
    return n;
}

}  // namespace kestrane
