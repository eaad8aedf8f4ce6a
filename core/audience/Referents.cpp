#include "core/audience/Referents.h"

#include <unicode/uidna.h>

#include <memory>

#include "core/audience/TexteUtf8.h"

namespace kestrane {

namespace {

bool lettre(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool chiffre(char c) {
    return c >= '0' && c <= '9';
}

// Where the authority of a referrer starts, or npos.
std::size_t debutAutorite(std::string_view r) {
    if (r.size() >= 2 && r[0] == '/' && r[1] == '/') return 2;
    if (r.empty() || !lettre(r[0])) return std::string_view::npos;
    std::size_t k = 1;
    while (k < r.size() && k < 32 &&
           (lettre(r[k]) || chiffre(r[k]) || r[k] == '+' || r[k] == '-' || r[k] == '.')) {
        ++k;
    }
    if (r.substr(k, 3) != "://") return std::string_view::npos;
    return k + 3;
}

bool contientAPuny(std::string_view hote) {
    for (std::size_t k = 0; k + 4 <= hote.size(); ++k) {
        if ((k == 0 || hote[k - 1] == '.') && (hote[k] == 'x' || hote[k] == 'X') &&
            (hote[k + 1] == 'n' || hote[k + 1] == 'N') && hote[k + 2] == '-' &&
            hote[k + 3] == '-') {
            return true;
        }
    }
    return false;
}

bool ascii(std::string_view t) {
    for (const char c : t) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// An internationalised name in Unicode and lower case by the IDNA rules (UTS #46); an empty
// result when the name breaks them.
std::string nomUnicode(const std::string& utf8) {
    UErrorCode erreur = U_ZERO_ERROR;
    const std::unique_ptr<UIDNA, decltype(&uidna_close)> idna(
        uidna_openUTS46(UIDNA_NONTRANSITIONAL_TO_UNICODE, &erreur), &uidna_close);
    if (U_FAILURE(erreur)) return {};
    std::string sortie(utf8.size() * 4 + 16, '\0');
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    const int32_t n =
        uidna_nameToUnicodeUTF8(idna.get(), utf8.data(), static_cast<int32_t>(utf8.size()),
                                sortie.data(), static_cast<int32_t>(sortie.size()), &info, &erreur);
    if (U_FAILURE(erreur) || info.errors != 0) return {};
    sortie.resize(static_cast<std::size_t>(n));
    return sortie;
}

int valeurHexa(char c) {
    if (chiffre(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The byte written at t[k] as "\xNN" (servers write so the bytes they do not log as they are),
// or with `pourcent` as "%NN"; -1 when there is none. `longueur` is the escape's length.
int octetEchappe(std::string_view t, std::size_t k, bool pourcent, std::size_t& longueur) {
    std::size_t chiffres;
    if (t[k] == '\\' && k + 3 < t.size() && t[k + 1] == 'x') {
        chiffres = k + 2;
    } else if (pourcent && t[k] == '%' && k + 2 < t.size()) {
        chiffres = k + 1;
    } else {
        return -1;
    }
    const int h = valeurHexa(t[chiffres]), l = valeurHexa(t[chiffres + 1]);
    if (h < 0 || l < 0) return -1;
    longueur = chiffres + 2 - k;
    return h * 16 + l;
}

// The text with its escapes made bytes again: "\\xNN" always, "%NN" when `pourcent`, "+" (a
// space) when `plus`.
std::string decoder(std::string_view t, bool pourcent, bool plus) {
    std::string octets;
    octets.reserve(t.size());
    for (std::size_t k = 0; k < t.size(); ++k) {
        std::size_t longueur;
        const int o = octetEchappe(t, k, pourcent, longueur);
        if (o >= 0) {
            octets += static_cast<char>(o);
            k += longueur - 1;
        } else {
            octets += plus && t[k] == '+' ? ' ' : t[k];
        }
    }
    return octets;
}

}  // namespace

std::string_view autoriteReferent(std::string_view referent) {
    const std::size_t debut = debutAutorite(referent);
    if (debut == std::string_view::npos) return {};
    std::size_t fin = debut;
    while (fin < referent.size() && referent[fin] != '/' && referent[fin] != '?' &&
           referent[fin] != '#') {
        ++fin;
    }
    return referent.substr(debut, fin - debut);
}

std::string hoteDeLAutorite(std::string_view autorite) {
    const std::string octets = decoder(autorite, true, false);
    std::string_view h = octets;
    const std::size_t arobase = h.rfind('@');
    if (arobase != std::string_view::npos) h.remove_prefix(arobase + 1);
    if (!h.empty() && h[0] == '[') {
        // An IPv6 literal keeps its brackets; only a port may follow them.
        const std::size_t fin = h.find(']');
        if (fin != std::string_view::npos) h = h.substr(0, fin + 1);
    } else {
        const std::size_t deuxPoints = h.rfind(':');
        if (deuxPoints != std::string_view::npos) {
            bool port = true;
            for (std::size_t k = deuxPoints + 1; k < h.size(); ++k) port = port && chiffre(h[k]);
            if (port) h = h.substr(0, deuxPoints);
        }
    }
    while (!h.empty() && h.back() == '.') h.remove_suffix(1);

    std::string hote;
    if (ascii(h) && !contientAPuny(h)) {
        hote.assign(h);
        minusculesAscii(hote);
    } else {
        const std::string utf8 = texteUtf8(h);
        hote = nomUnicode(utf8);
        if (hote.empty()) hote = minusculesUtf8(utf8);
    }
    if (hote.compare(0, 4, "www.") == 0) hote.erase(0, 4);
    return hote;
}

std::string hoteReferent(std::string_view referent) {
    return hoteDeLAutorite(autoriteReferent(referent));
}

bool moteurRecherche(std::string_view hote) {
    static constexpr std::string_view kMoteurs[] = {"google", "bing",       "yahoo", "yandex",
                                                    "baidu",  "duckduckgo", "qwant", "ecosia"};
    std::size_t debut = 0;
    while (debut < hote.size()) {
        std::size_t fin = hote.find('.', debut);
        if (fin == std::string_view::npos) return false;  // the last label is no engine's name
        const std::string_view label = hote.substr(debut, fin - debut);
        for (const std::string_view m : kMoteurs) {
            if (label != m) continue;
            // One or two labels of at most three letters after it: a country or generic domain.
            int suivants = 0;
            bool courts = true;
            for (std::size_t k = fin; k != std::string_view::npos && courts;) {
                const std::size_t f = hote.find('.', k + 1);
                const std::size_t n = (f == std::string_view::npos ? hote.size() : f) - k - 1;
                courts = n >= 1 && n <= 3;
                ++suivants;
                k = f;
            }
            if (courts && suivants <= 2) return true;
        }
        debut = fin + 1;
    }
    return false;
}

std::string_view rechercheBrute(std::string_view referent) {
    const std::size_t debut = debutAutorite(referent);
    if (debut == std::string_view::npos) return {};
    std::size_t question = referent.find('?', debut);
    if (question == std::string_view::npos) return {};
    std::string_view requete = referent.substr(question + 1);
    requete = requete.substr(0, requete.find('#'));
    while (!requete.empty()) {
        const std::size_t et = requete.find('&');
        const std::string_view parametre = requete.substr(0, et);
        requete = et == std::string_view::npos ? std::string_view() : requete.substr(et + 1);
        const std::size_t egal = parametre.find('=');
        if (egal == std::string_view::npos || egal + 1 == parametre.size()) continue;
        const std::string_view nom = parametre.substr(0, egal);
        if (nom == "q" || nom == "p" || nom == "text" || nom == "wd" || nom == "query") {
            return parametre.substr(egal + 1);
        }
    }
    return {};
}

std::string termesRecherche(std::string_view valeurBrute) {
    const std::string basse = minusculesUtf8(texteUtf8(decoder(valeurBrute, true, true)));
    // Blanks, control characters and no-break spaces (U+00A0) are one space between words.
    std::string termes;
    bool blanc = false;
    for (std::size_t k = 0; k < basse.size(); ++k) {
        const auto c = static_cast<unsigned char>(basse[k]);
        const bool espace = c <= 0x20 || c == 0x7F;
        const bool insecable =
            c == 0xC2 && k + 1 < basse.size() && static_cast<unsigned char>(basse[k + 1]) == 0xA0;
        if (espace || insecable) {
            blanc = true;
            if (insecable) ++k;
            continue;
        }
        if (blanc && !termes.empty()) termes += ' ';
        blanc = false;
        termes += static_cast<char>(c);
    }
    return termes;
}

}  // namespace kestrane
