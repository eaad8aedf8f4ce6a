// A line read with the template of a format string: literals must be there byte for byte, fields
// are what lies between them.
#include <array>
#include <cstring>
#include <string>

#include "core/lecture/CurseurOctets.h"
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

// Whether the field at el[k] ends at a one-byte literal the way lirePaires reads it: a field
// that is not quoted and holds no blank, the literal neither a backslash nor longer.
bool finitParUnOctet(const std::vector<Element>& el, std::size_t k) {
    const Element& e = el[k];
    if (e.litteral || e.guillemets || e.blancs != 0 || k + 1 >= el.size()) return false;
    const Element& l = el[k + 1];
    return l.litteral && l.texte.size() == 1 && l.texte[0] != '\\';
}

// From this many pairs on, one cursor over the line reads them; the offered formats, with four
// at most, keep the reading field by field that their benchmarks measure.
constexpr uint32_t kPairesEnBloc = 8;

// The usual fields of lirePaires, in a loop without calls whose values stay in registers: other
// fields, their separator first among the cursor's bytes, empty only where allowed. Listed, they
// fill `lot`, at most `taille` of them, and a backslash stops the loop (lirePaires unescapes);
// not listed, their values are never read and their backslashes do not matter. `e`, `pos` and
// the cursor are then past the last one read.
template <bool kLister>
[[gnu::noinline]] std::size_t lireLot(CurseurOctets& curseur, std::string_view ligne, char sep,
                                      const Element*& e, const Element* fin, std::size_t& position,
                                      ChampsEnPlus::Autre* lot, std::size_t taille) {
    CurseurOctets c = curseur;
    const char* d = ligne.data();
    const std::size_t n = ligne.size();
    const Element* x = e;
    std::size_t pos = position, k = 0;
    for (; k < taille && x != fin; ++k, x += 2) {
        if (x->champ != ChampJournal::Autre) break;
        std::size_t p = c.suivant();
        if constexpr (!kLister) {
            while (p < n && d[p] == '\\') {
                c.passer();
                p = c.suivant();
            }
        }
        if (p >= n || d[p] != sep || (p == pos && x->nonVide)) break;
        if constexpr (kLister) {
            lot[k] = {x->texte, p == pos ? kTiret : std::string_view(d + pos, p - pos)};
        }
        c.passer();
        pos = p + 1;
    }
    curseur = c;
    e = x;
    position = pos;
    return k;
}

// Fields each ended by a one-byte literal, as many as `nb` (a format string of thousands of
// "%{X}i " headers): each read as the loop of lireGabarit reads it, the separators found by one
// cursor over the line. Stops before a field that would not read, which that loop then reads
// again to tell why. Returns the pairs read; `pos` is then past the last literal read.
std::size_t lirePaires(const Element* el, std::size_t nb, std::string_view ligne,
                       std::size_t& position, bool echappements, Brouillon& b, ValeursLigne& v,
                       ChampsEnPlus& plus) {
    const char* d = ligne.data();
    const std::size_t n = ligne.size();
    const char sep = el[1].texte[0];
    std::size_t pos = position;
    // A blank ends a field followed by a blank, and makes any other field fail.
    CurseurOctets c(d, n, sep, ' ', '\\', pos);
    // The other fields, when listed, go to the list in batches: added one by one, each cost a
    // check of the list's room, and the calls that growing it may make kept the loop's values
    // in memory.
    ChampsEnPlus::Autre lot[64];
    const Element* e = el;
    const Element* const fin = el + 2 * nb;
    while (e != fin) {
        if (v.listerAutres) {
            const std::size_t lus = lireLot<true>(c, ligne, sep, e, fin, pos, lot, std::size(lot));
            plus.autres.insert(plus.autres.end(), lot, lot + lus);
            if (lus == std::size(lot)) continue;
        } else {
            lireLot<false>(c, ligne, sep, e, fin, pos, nullptr, nb);
        }
        if (e == fin) break;
        // Any other field: one that feeds the record, one holding a backslash, or one that does
        // not read.
        std::size_t p = c.suivant();
        bool barre = false;
        while (p < n && d[p] == '\\') {
            barre = true;
            c.passer();
            p = c.suivant();
        }
        // The line stops short, or a blank lies within the field.
        if (p == n || d[p] != sep) break;
        std::string_view val(d + pos, p - pos);
        if (val.empty() && e->nonVide) break;
        // Followed by a blank, a field is unescaped whenever it holds a backslash.
        if (barre && (sep == ' ' || echappements)) val = b.desechapper(val);
        garderChamp(*e, val, v, plus);
        c.passer();
        pos = p + 1;
        e += 2;
    }
    position = pos;
    return static_cast<std::size_t>(e - el) / 2;
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

void compterPaires(Gabarit& g) {
    std::vector<Element>& el = g.elements;
    for (std::size_t k = el.size(); k-- > 0;) {
        el[k].paires = !finitParUnOctet(el, k) ? 0 : k + 2 < el.size() ? el[k + 2].paires + 1 : 1;
    }
}

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
        if (e.paires >= kPairesEnBloc) {
            const std::size_t lues = lirePaires(&e, e.paires, ligne, pos, echappements, b, v, plus);
            if (lues > 0) {
                k += 2 * lues - 1;
                continue;
            }
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
