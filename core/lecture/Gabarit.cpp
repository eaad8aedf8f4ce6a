// A line read with the template of a format string: literals must be there byte for byte, fields
// are what lies between them.
#include <array>
#include <cstring>
#include <string>

#include "core/lecture/InterneFormats.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

constexpr std::string_view kLigneIncomplete = "Ligne incompl\xE8te";

std::string enPosition(std::size_t pos) {
    return " en position " + ecrireEntier(int64_t(pos) + 1);
}

// The first byte equal to `a` or `b` among the `n` bytes at `p`, or null.
const char* trouverUnDe(const char* p, std::size_t n, char a, char b) {
#if defined(__SSE2__)
    const __m128i ma = _mm_set1_epi8(a), mb = _mm_set1_epi8(b);
    while (n >= 16) {
        const __m128i bloc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int masque =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bloc, ma), _mm_cmpeq_epi8(bloc, mb)));
        if (masque != 0) return p + __builtin_ctz(static_cast<unsigned>(masque));
        p += 16;
        n -= 16;
    }
#endif
    for (; n > 0; --n, ++p) {
        if (*p == a || *p == b) return p;
    }
    return nullptr;
}

// The closing quote of a field that starts at `pos`, skipping the escaped ones; npos when none.
// `echappe` tells whether the field holds a backslash.
std::size_t finGuillemets(std::string_view ligne, std::size_t pos, bool& echappe) {
    const char* d = ligne.data();
    const std::size_t n = ligne.size();
    echappe = false;
    for (std::size_t i = pos; i < n;) {
        const char* q = trouverUnDe(d + i, n - i, '"', '\\');
        if (q == nullptr) break;
        i = static_cast<std::size_t>(q - d);
        if (*q == '"') return i;
        // An escape is two bytes: the second one, a quote included, is part of the field.
        echappe = true;
        i += 2;
    }
    return std::string_view::npos;
}

// Whether the literal `lit` (never empty) is at p, n bytes being left: the first byte decides
// most of the time.
inline bool litteralEn(const char* p, std::size_t n, const std::string& lit) {
    if (n < lit.size() || p[0] != lit[0]) return false;
    return lit.size() == 1 || std::memcmp(p + 1, lit.data() + 1, lit.size() - 1) == 0;
}

void garderChamp(const Element& e, std::string_view val, ValeursLigne& v, ChampsEnPlus& plus) {
    if (e.champ == ChampJournal::Autre) {
        if (v.listerAutres) plus.autres.push_back({e.texte, val.empty() ? kTiret : val});
        return;
    }
    const auto i = static_cast<std::size_t>(e.champ);
    if (e.rang < v.rang[i]) {
        v.poser(e.champ, val, e.rang);
        if (e.champ == ChampJournal::Temps) v.temps = e.temps;
    }
}

constexpr std::array<std::string_view, 12> kNomsSuite = {
    "champ 1", "champ 2", "champ 3", "champ 4",  "champ 5",  "champ 6",
    "champ 7", "champ 8", "champ 9", "champ 10", "champ 11", "champ 12"};

bool nombreAFraction(std::string_view t) {
    if (t.size() < 3 || t[0] < '0' || t[0] > '9') return false;
    const std::size_t p = t.find('.');
    if (p == 0 || p == std::string_view::npos || p + 1 == t.size()) return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (i != p && (t[i] < '0' || t[i] > '9')) return false;
    }
    return true;
}

bool portUsuel(std::string_view t) {
    if (t.size() < 2 || t.size() > 4) return false;
    static constexpr std::string_view kPorts[] = {"80",   "443",  "8000", "8008",
                                                  "8080", "8443", "8888"};
    for (const std::string_view p : kPorts) {
        if (t == p) return true;
    }
    return false;
}

// The fields after a combined line: blank-separated, quoted or not. A number with a fraction is
// the response time in seconds, a usual web port the port; the others are "champ n".
bool lireSuite(std::string_view ligne, std::size_t pos, Brouillon& b, ValeursLigne& v,
               ChampsEnPlus& plus, std::string* raison, std::size_t& atteint) {
    const std::size_t n = ligne.size();
    for (std::size_t numero = 0; pos < n; ++numero) {
        if (ligne[pos] != ' ' || pos + 1 == n) {
            atteint = pos;
            if (raison)
                *raison = "Texte en trop" + enPosition(pos) + " : " + citerTexte(ligne.substr(pos));
            return false;
        }
        ++pos;
        std::string_view val;
        bool cite = false;
        if (ligne[pos] == '"') {
            bool echappe;
            const std::size_t f = finGuillemets(ligne, pos + 1, echappe);
            if (f == std::string_view::npos) {
                atteint = pos;
                if (raison) *raison = "Guillemet fermant manquant" + enPosition(pos);
                return false;
            }
            val = ligne.substr(pos + 1, f - pos - 1);
            if (echappe) val = b.desechapper(val);
            pos = f + 1;
            cite = true;
        } else {
            // One scan finds the blank that ends the field and tells whether it holds a
            // backslash.
            const char* f = trouverUnDe(ligne.data() + pos, n - pos, ' ', '\\');
            const bool echappe = f != nullptr && *f == '\\';
            if (echappe) f = trouverOctet(f, n - static_cast<std::size_t>(f - ligne.data()), ' ');
            const std::size_t fin = f ? static_cast<std::size_t>(f - ligne.data()) : n;
            val = ligne.substr(pos, fin - pos);
            if (echappe) val = b.desechapper(val);
            pos = fin;
        }
        if (!cite && !v.present(ChampJournal::DureeS) && nombreAFraction(val)) {
            v.poser(ChampJournal::DureeS, val, 0);
        } else if (!cite && !v.present(ChampJournal::Port) && portUsuel(val)) {
            v.poser(ChampJournal::Port, val, 0);
        } else if (v.listerAutres) {
            plus.autres.push_back(
                {numero < kNomsSuite.size() ? kNomsSuite[numero] : std::string_view("champ"),
                 val.empty() ? kTiret : val});
        }
    }
    return true;
}

}  // namespace

bool lireGabarit(const Gabarit& g, std::string_view ligne, bool echappements, Brouillon& b,
                 ValeursLigne& v, ChampsEnPlus& plus, std::string* raison, std::size_t& atteint) {
    const std::vector<Element>& el = g.elements;
    const char* d = ligne.data();
    const std::size_t n = ligne.size();
    std::size_t pos = 0;
    const auto echec = [&](std::size_t ou, auto&& message) {
        atteint = ou;
        if (raison) *raison = message();
        return false;
    };
    for (std::size_t k = 0; k < el.size(); ++k) {
        const Element& e = el[k];
        if (e.litteral) {
            const std::string& lit = e.texte;
            if (!litteralEn(d + pos, n - pos, lit)) {
                return echec(pos, [&] {
                    if (n - pos < lit.size() && std::memcmp(d + pos, lit.data(), n - pos) == 0) {
                        return std::string(kLigneIncomplete);
                    }
                    return citerTexte(lit) + " attendu" + enPosition(pos);
                });
            }
            pos += lit.size();
            continue;
        }
        // The next element, if any, is a literal: two fields never follow each other.
        const std::string* suivant = k + 1 < el.size() ? &el[k + 1].texte : nullptr;
        std::size_t fin;
        // Whether the value may hold a backslash to read.
        bool echappe = echappements;
        if (e.guillemets && echappements) {
            fin = finGuillemets(ligne, pos, echappe);
            if (fin == std::string_view::npos) {
                return echec(pos,
                             [&] { return "Guillemet fermant manquant" + enPosition(pos - 1); });
            }
        } else if (suivant == nullptr) {
            // The last field: up to the end, or to a blank that starts text in excess.
            const char* b =
                e.blancs == 0 && !e.guillemets ? trouverOctet(d + pos, n - pos, ' ') : nullptr;
            fin = b ? static_cast<std::size_t>(b - d) : n;
        } else if (e.blancs == 0 && !e.guillemets && (*suivant)[0] == ' ') {
            // The usual case: a field ended by a blank, which must start the next literal. The
            // same scan tells whether the field holds a backslash.
            const char* b = trouverUnDe(d + pos, n - pos, ' ', '\\');
            echappe = b != nullptr && *b == '\\';
            if (echappe) b = trouverOctet(b, n - static_cast<std::size_t>(b - d), ' ');
            if (b == nullptr) return echec(n, [] { return std::string(kLigneIncomplete); });
            fin = static_cast<std::size_t>(b - d);
            if (!litteralEn(b, n - fin, *suivant)) {
                return echec(fin,
                             [&] { return "Blanc inattendu dans " + e.texte + enPosition(fin); });
            }
        } else {
            std::size_t depart = pos;
            for (uint8_t blanc = 0; blanc < e.blancs; ++blanc) {
                const char* p = trouverOctet(d + depart, n - depart, ' ');
                if (p == nullptr) return echec(n, [] { return std::string(kLigneIncomplete); });
                depart = static_cast<std::size_t>(p - d) + 1;
            }
            const std::size_t p = chercher(ligne.substr(depart), *suivant);
            if (p == std::string_view::npos) {
                return echec(pos, [&] {
                    // Nothing but this field left: the line stops short.
                    if (trouverOctet(d + depart, n - depart, ' ') == nullptr) {
                        return std::string(kLigneIncomplete);
                    }
                    return citerTexte(*suivant) + " introuvable apr\xE8s la position " +
                           ecrireEntier(int64_t(pos) + 1);
                });
            }
            fin = depart + p;
            // A field that is not between quotes holds no blank but those of its form.
            if (!e.guillemets) {
                if (const char* b = trouverOctet(d + depart, fin - depart, ' ')) {
                    const auto ou = static_cast<std::size_t>(b - d);
                    return echec(
                        ou, [&] { return "Blanc inattendu dans " + e.texte + enPosition(ou); });
                }
            }
        }
        std::string_view val(d + pos, fin - pos);
        if (val.empty() && e.nonVide) {
            return echec(pos, [&] { return "Champ " + e.texte + " vide" + enPosition(pos); });
        }
        if (echappe) val = b.desechapper(val);
        garderChamp(e, val, v, plus);
        pos = fin;
    }
    if (pos != n) {
        if (g.suiteLibre) return lireSuite(ligne, pos, b, v, plus, raison, atteint);
        return echec(pos, [&] {
            return "Texte en trop" + enPosition(pos) + " : " + citerTexte(ligne.substr(pos));
        });
    }
    return true;
}

}  // namespace kestrane
