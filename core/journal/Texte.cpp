#include "core/journal/Texte.h"

#include <cstdint>

namespace kestrane {

namespace {

// Unicode of bytes 0x80..0x9F in Windows-1252; 0xFFFD where it defines none.
constexpr char16_t kHaut1252[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

constexpr std::string_view kRemplacement = "\xEF\xBF\xBD";

void ajouterPoint(char32_t u, std::string& s) {
    if (u < 0x80) {
        s += static_cast<char>(u);
    } else if (u < 0x800) {
        s += static_cast<char>(0xC0 | (u >> 6));
        s += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (u >> 12));
        s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (u & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at `i`, 0 when there is none (the ranges of
// Unicode's table of well-formed byte sequences).
std::size_t longueurSequence(std::string_view t, std::size_t i) {
    const auto o = [&](std::size_t k) { return static_cast<unsigned char>(t[k]); };
    const unsigned char c = o(i);
    if (c < 0x80) return 1;
    std::size_t n;
    unsigned char bas = 0x80, haut = 0xBF;  // bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) bas = 0xA0;
        if (c == 0xED) haut = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) bas = 0x90;
        if (c == 0xF4) haut = 0x8F;
    } else {
        return 0;
    }
    if (i + n > t.size() || o(i + 1) < bas || o(i + 1) > haut) return 0;
    for (std::size_t k = 2; k < n; ++k) {
        if (o(i + k) < 0x80 || o(i + k) > 0xBF) return 0;
    }
    return n;
}

}  // namespace

std::string utf8Depuis1252(std::string_view octets) {
    std::string s;
    s.reserve(octets.size() + octets.size() / 8);
    for (const char car : octets) {
        const auto o = static_cast<unsigned char>(car);
        ajouterPoint(o < 0x80 ? o : o < 0xA0 ? kHaut1252[o - 0x80] : o, s);
    }
    return s;
}

bool estUtf8(std::string_view octets) {
    for (std::size_t i = 0; i < octets.size();) {
        const std::size_t n = longueurSequence(octets, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string utf8DuJournal(std::string_view octets) {
    std::string s = estUtf8(octets) ? std::string(octets) : utf8Depuis1252(octets);
    for (std::size_t p = s.find('\0'); p != std::string::npos; p = s.find('\0', p + 3)) {
        s.replace(p, 1, kRemplacement);
    }
    return s;
}

std::string utf8Repare(std::string_view octets) {
    std::string s;
    s.reserve(octets.size());
    for (std::size_t i = 0; i < octets.size();) {
        const std::size_t n = longueurSequence(octets, i);
        if (n == 0) {
            s += kRemplacement;
            ++i;
        } else {
            s.append(octets.substr(i, n));
            i += n;
        }
    }
    return s;
}

std::string couperUtf8(std::string_view texte, std::size_t n) {
    if (n == 0) return {};
    std::size_t caracteres = 0, coupure = 0;
    for (std::size_t i = 0; i < texte.size(); ++i) {
        // A character starts at every byte that does not continue one.
        if ((static_cast<unsigned char>(texte[i]) & 0xC0) == 0x80) continue;
        if (caracteres == n - 1) coupure = i;
        if (caracteres++ == n) return std::string(texte.substr(0, coupure)) + "\xE2\x80\xA6";
    }
    return std::string(texte);
}

}  // namespace kestrane
