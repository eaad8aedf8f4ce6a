#include "core/lecture/UString.h"

#include <charconv>
#include <cstring>

#include "core/journal/Erreur.h"
#include "core/journal/Messages.h"

namespace kestrane {

namespace {

// Up to `max` decimal digits and nothing else: the log's numbers, read without the general rules
// (such a text can neither overflow nor be hexadecimal). False for any other text.
bool lireChiffresSimples(std::string_view texte, std::size_t max, uint64_t& v) {
    if (texte.empty() || texte.size() > max) return false;
    uint64_t r = 0;
    for (const char c : texte) {
        const auto chiffre = static_cast<unsigned char>(c - '0');
        if (chiffre > 9) return false;
        r = r * 10 + chiffre;
    }
    v = r;
    return true;
}

int valeurHexa(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string_view extraireChampApresEchappements(std::string_view separateur,
                                                std::string_view& reste, std::size_t pos) {
    for (;;) {
        std::size_t barres = 0;
        while (pos != std::string_view::npos && barres < pos && reste[pos - barres - 1] == '\\') {
            ++barres;
        }
        if (barres % 2 == 0) return couperChamp(reste, pos, separateur.size());
        const std::size_t p = chercher(reste.substr(pos + 1), separateur);
        pos = p == std::string_view::npos ? p : pos + 1 + p;
    }
}

namespace {

// The magnitude read by the conversion rules, or false: at most `limite`, or `limite` + 1 for a
// negative value (the range of a two's-complement integer).
bool lireMagnitude(std::string_view texte, uint64_t limite, bool& negatif, uint64_t& v) {
    std::size_t i = 0;
    const std::size_t n = texte.size();
    while (i < n && texte[i] == ' ') ++i;
    negatif = false;
    if (i < n && (texte[i] == '+' || texte[i] == '-')) {
        negatif = texte[i] == '-';
        ++i;
    }
    bool hexa = false;
    if (i < n && (texte[i] == '$' || texte[i] == 'x' || texte[i] == 'X')) {
        hexa = true;
        ++i;
    } else if (i + 1 < n && texte[i] == '0' && (texte[i + 1] == 'x' || texte[i + 1] == 'X')) {
        hexa = true;
        i += 2;
    }
    if (i == n) return false;
    if (negatif) ++limite;
    const uint64_t base = hexa ? 16 : 10;
    uint64_t r = 0;
    for (; i < n; ++i) {
        int chiffre;
        if (hexa) {
            chiffre = valeurHexa(texte[i]);
        } else {
            chiffre = (texte[i] >= '0' && texte[i] <= '9') ? texte[i] - '0' : -1;
        }
        if (chiffre < 0) return false;
        if (__builtin_mul_overflow(r, base, &r) ||
            __builtin_add_overflow(r, static_cast<uint64_t>(chiffre), &r) || r > limite) {
            return false;
        }
    }
    v = r;
    return true;
}

}  // namespace

bool essayerConvertirEntier(std::string_view texte, int32_t& valeur) {
    uint64_t simple;
    if (lireChiffresSimples(texte, 9, simple)) {
        valeur = static_cast<int32_t>(simple);
        return true;
    }
    bool negatif;
    uint64_t v;
    if (!lireMagnitude(texte, INT32_MAX, negatif, v)) return false;
    valeur = negatif ? static_cast<int32_t>(-static_cast<int64_t>(v)) : static_cast<int32_t>(v);
    return true;
}

bool essayerConvertirEntier64(std::string_view texte, int64_t& valeur) {
    uint64_t simple;
    if (lireChiffresSimples(texte, 18, simple)) {
        valeur = static_cast<int64_t>(simple);
        return true;
    }
    bool negatif;
    uint64_t v;
    if (!lireMagnitude(texte, INT64_MAX, negatif, v)) return false;
    // 0 - v in unsigned arithmetic is the two's complement, -2^63 included.
    valeur = static_cast<int64_t>(negatif ? 0 - v : v);
    return true;
}

int32_t convertirEntier(std::string_view texte) {
    int32_t valeur;
    if (!essayerConvertirEntier(texte, valeur)) leverErreurEntier(texte);
    return valeur;
}

int64_t convertirEntier64(std::string_view texte) {
    int64_t valeur;
    if (!essayerConvertirEntier64(texte, valeur)) leverErreurEntier(texte);
    return valeur;
}

void ajouterEntier(std::string& sortie, int64_t valeur) {
    char tampon[24];
    auto [fin, ec] = std::to_chars(tampon, tampon + sizeof tampon, valeur);
    (void)ec;
    sortie.append(tampon, fin);
}

std::string ecrireEntier(int64_t valeur) {
    std::string s;
    ajouterEntier(s, valeur);
    return s;
}

std::string citerTexte(std::string_view t) {
    constexpr std::size_t kMax = 40;
    std::string s(1, '\'');
    s.append(t.substr(0, kMax));
    if (t.size() > kMax) s.append("...");
    s.push_back('\'');
    return s;
}

std::string raisonEntier(std::string_view t) {
    // A number refused is a byte count below 0: the one field whose sign is read.
    int64_t v;
    if (essayerConvertirEntier64(t, v) && v < 0) {
        return texteOctetsIncorrects(citerTexte(t));
    }
    return texteEntierIncorrect(citerTexte(t));
}

std::string raisonNonConforme(std::string_view ligne, std::string_view fautif) {
    if (ligne.empty()) return std::string(kLigneVide);
    // A field that the line does not reach.
    if (fautif == kTiret) return std::string(kLigneIncomplete);
    return raisonEntier(fautif);
}

}  // namespace kestrane
