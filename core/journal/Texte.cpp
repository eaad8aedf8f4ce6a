#include "core/journal/Texte.h"

#include <cstdint>

#include "core/journal/Langue.h"

namespace kestrane {

namespace {

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
        const char16_t u = kTable1252[static_cast<unsigned char>(car)];
        // Only the undefined bytes map into C1 (0x80 to 0x9F).
        ajouterPoint(u >= 0x80 && u <= 0x9F ? 0xFFFD : u, s);
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

std::string nombreFrancais(int64_t n) {
    const bool negatif = n < 0;
    // Through the unsigned magnitude, so that the most negative value is written too.
    uint64_t m = negatif ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    std::string chiffres;
    const char separateur = separateurMilliers();
    int k = 0;
    do {
        if (k > 0 && k % 3 == 0) chiffres += separateur;
        chiffres += static_cast<char>('0' + m % 10);
        m /= 10;
        ++k;
    } while (m != 0);
    if (negatif) chiffres += '-';
    return {chiffres.rbegin(), chiffres.rend()};
}

std::string controlesVisibles(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string s;
    s.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // C1 is U+0080..U+009F, C2 80..C2 9F in UTF-8: a terminal may read it as ESC [ or ESC ].
        const bool c1 = c == 0xC2 && i + 1 < utf8.size() &&
                        static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F || c1) {
            const unsigned v = c1 ? static_cast<unsigned char>(utf8[++i]) : c;
            s += "\\x";
            s += kHex[v >> 4];
            s += kHex[v & 0xF];
        } else {
            s += static_cast<char>(c);
        }
    }
    return s;
}

}  // namespace kestrane
