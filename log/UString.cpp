#include "log/UString.h"

#include <charconv>
#include <cstring>

#include "log/Erreur.h"

namespace kestrane {

std::size_t chercher(std::string_view texte, std::string_view motif) {
    if (motif.size() == 1 || motif.empty()) {
        if (motif.empty()) return 0;
        const void* p = std::memchr(texte.data(), motif[0], texte.size());
        return p ? static_cast<std::size_t>(static_cast<const char*>(p) - texte.data())
                 : std::string_view::npos;
    }
    const char premier = motif[0];
    const std::size_t dernierDebut =
        texte.size() >= motif.size() ? texte.size() - motif.size() : std::string_view::npos;
    if (dernierDebut == std::string_view::npos) return std::string_view::npos;
    std::size_t pos = 0;
    while (pos <= dernierDebut) {
        const void* p = std::memchr(texte.data() + pos, premier, dernierDebut - pos + 1);
        if (!p) return std::string_view::npos;
        pos = static_cast<std::size_t>(static_cast<const char*>(p) - texte.data());
        if (std::memcmp(texte.data() + pos + 1, motif.data() + 1, motif.size() - 1) == 0) {
            return pos;
        }
        ++pos;
    }
    return std::string_view::npos;
}

std::string_view extraireChamp(std::string_view separateur, std::string_view& reste) {
    std::string_view champ;
    const std::size_t pos = chercher(reste, separateur);
    if (pos == std::string_view::npos) {
        champ = reste;
        reste = std::string_view(reste.data() + reste.size(), 0);
    } else {
        champ = reste.substr(0, pos);
        reste.remove_prefix(pos + separateur.size());
    }
    return champ.empty() ? kTiret : champ;
}

namespace {

int valeurHexa(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

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
    v = 0;
    for (; i < n; ++i) {
        int chiffre;
        if (hexa) {
            chiffre = valeurHexa(texte[i]);
        } else {
            chiffre = (texte[i] >= '0' && texte[i] <= '9') ? texte[i] - '0' : -1;
        }
        if (chiffre < 0) return false;
        // v * base + chiffre > limite, without overflowing.
        if (v > (limite - static_cast<uint64_t>(chiffre)) / base) return false;
        v = v * base + static_cast<uint64_t>(chiffre);
    }
    return true;
}

}  // namespace

bool essayerConvertirEntier(std::string_view texte, int32_t& valeur) {
    bool negatif;
    uint64_t v;
    if (!lireMagnitude(texte, INT32_MAX, negatif, v)) return false;
    valeur = negatif ? static_cast<int32_t>(-static_cast<int64_t>(v)) : static_cast<int32_t>(v);
    return true;
}

bool essayerConvertirEntier64(std::string_view texte, int64_t& valeur) {
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

void leverErreurEntier(std::string_view texte) {
    std::string m = "'";
    m.append(texte);
    m.append("' n'est pas une valeur enti\xE8re correcte");
    throw ErreurKestrane(m);
}

void leverErreurDate(std::string_view texte) {
    std::string m = "'";
    m.append(texte);
    m.append("' n'est pas une date correcte");
    throw ErreurKestrane(m);
}

void leverDebordement() {
    throw ErreurKestrane(
        "D\xE9"
        "bordement d'entier");
}

}  // namespace kestrane
