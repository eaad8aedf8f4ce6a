#include "core/lecture/Echappements.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "core/journal/Octets.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrane {

namespace {

constexpr int hexa(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of the n hexadecimal digits at p, or -1.
int32_t lireHexa(const char* p, std::size_t reste, std::size_t n) {
    if (reste < n) return -1;
    int32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int c = hexa(p[i]);
        if (c < 0) return -1;
        v = v * 16 + c;
    }
    return v;
}

std::size_t ecrireUtf8(uint32_t c, char* s) {
    if (c < 0x80) {
        s[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        s[0] = static_cast<char>(0xC0 | (c >> 6));
        s[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        s[0] = static_cast<char>(0xE0 | (c >> 12));
        s[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    s[0] = static_cast<char>(0xF0 | (c >> 18));
    s[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

bool controle(int32_t c) {
    return c < 0x20 || c == 0x7F;
}

// What a JSON escape of one letter stands for, by that letter; 0 for any other byte.
constexpr std::array<char, 256> kEchappesJson = [] {
    std::array<char, 256> t{};
    t['"'] = '"';
    t['\\'] = '\\';
    t['/'] = '/';
    t['b'] = '\b';
    t['f'] = '\f';
    t['n'] = '\n';
    t['r'] = '\r';
    t['t'] = '\t';
    return t;
}();

// The value of a hexadecimal digit, by its byte; -1 for any other.
constexpr std::array<int8_t, 256> kHexa = [] {
    std::array<int8_t, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<int8_t>(hexa(static_cast<char>(c)));
    return t;
}();

}  // namespace

std::size_t desechapper(std::string_view t, char* sortie) {
    char* s = sortie;
    const std::size_t n = t.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = t[i];
        if (c == '\\' && i + 1 < n) {
            const char e = t[i + 1];
            if (e == '"' || e == '\\') {
                *s++ = e;
                ++i;
                continue;
            }
            const int32_t v = e == 'x' ? lireHexa(t.data() + i + 2, n - i - 2, 2) : -1;
            if (v >= 0 && !controle(v)) {
                *s++ = static_cast<char>(v);
                i += 3;
                continue;
            }
        }
        *s++ = c;
    }
    return static_cast<std::size_t>(s - sortie);
}

std::size_t desechapperJson(std::string_view t, char* sortie) {
    char* s = sortie;
    const std::size_t n = t.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = t[i];
        if (c != '\\' || i + 1 == n) {
            *s++ = c;
            continue;
        }
        const char e = t[i + 1];
        if (e == '"' || e == '\\' || e == '/') {
            *s++ = e;
            ++i;
            continue;
        }
        int32_t v = e == 'u' ? lireHexa(t.data() + i + 2, n - i - 2, 4) : -1;
        if (v >= 0 && !controle(v)) {
            std::size_t lus = 6;
            // A surrogate pair: the second half follows as \uDC00..\uDFFF.
            if (v >= 0xD800 && v <= 0xDBFF && i + 12 <= n && t[i + 6] == '\\' && t[i + 7] == 'u') {
                const int32_t bas = lireHexa(t.data() + i + 8, n - i - 8, 4);
                if (bas >= 0xDC00 && bas <= 0xDFFF) {
                    v = 0x10000 + ((v - 0xD800) << 10) + (bas - 0xDC00);
                    lus = 12;
                }
            }
            // Six bytes or more of input give four bytes or fewer of output.
            s += ecrireUtf8(static_cast<uint32_t>(v), s);
            i += lus - 1;
            continue;
        }
        *s++ = c;
    }
    return static_cast<std::size_t>(s - sortie);
}

bool desechapperJsonSur(std::string_view t, char* sortie, std::size_t& taille) {
    char* s = sortie;
    const char* p = t.data();
    const char* const fin = p + t.size();
    while (p != fin) {
        // The bytes up to the next escape, copied as a run: a short one byte by byte, where a
        // call would cost more (escapes often come a few bytes apart).
        const char* e = *p == '\\' ? p : trouverOctet(p, static_cast<std::size_t>(fin - p), '\\');
        const char* const finRun = e ? e : fin;
        const auto run = static_cast<std::size_t>(finRun - p);
        if (run < 32) {
            for (std::size_t i = 0; i < run; ++i) s[i] = p[i];
        } else {
            std::memcpy(s, p, run);
        }
        s += run;
        if (e == nullptr) break;
        if (fin - e < 2) return false;
        const auto lettre = static_cast<unsigned char>(e[1]);
        if (lettre == 'u') {
            if (fin - e < 6) return false;
            const auto chiffre = [e](int i) { return kHexa[static_cast<unsigned char>(e[i])]; };
            const int32_t h0 = chiffre(2), h1 = chiffre(3), h2 = chiffre(4), h3 = chiffre(5);
            if ((h0 | h1 | h2 | h3) < 0) return false;
            const int32_t v = (h0 << 12) | (h1 << 8) | (h2 << 4) | h3;
            if (v >= 0xD800 && v <= 0xDFFF) return false;
            if (controle(v)) {
                std::memcpy(s, e, 6);
                s += 6;
            } else {
                s += ecrireUtf8(static_cast<uint32_t>(v), s);
            }
            p = e + 6;
            continue;
        }
        const char c = kEchappesJson[lettre];
        if (c == 0) return false;
        // A control character stays as written.
        if (controle(c)) {
            *s++ = '\\';
            *s++ = e[1];
        } else {
            *s++ = c;
        }
        p = e + 2;
    }
    taille = static_cast<std::size_t>(s - sortie);
    return true;
}

bool contientControle(std::string_view t) {
    const char* p = t.data();
    std::size_t n = t.size();
#if defined(__SSE2__)
    // A byte is below 0x20 when its unsigned minimum with 0x1f is itself.
    const __m128i limite = _mm_set1_epi8(0x1F), del = _mm_set1_epi8(0x7F);
    for (; n >= 16; p += 16, n -= 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i bas = _mm_cmpeq_epi8(_mm_min_epu8(b, limite), b);
        if (_mm_movemask_epi8(_mm_or_si128(bas, _mm_cmpeq_epi8(b, del))) != 0) return true;
    }
#endif
    for (; n > 0; --n, ++p) {
        if (controle(static_cast<unsigned char>(*p))) return true;
    }
    return false;
}

}  // namespace kestrane
