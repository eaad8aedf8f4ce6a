// A line read with the template of a format string: literals must be there byte for byte, fields
// are what lies between them.
#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <string>

#include "core/journal/Messages.h"
#include "core/lecture/CurseurOctets.h"
#include "core/lecture/InterneFormats.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

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

// A field of the record: its slot takes the value of the field of lowest rank.
void poserChamp(const Element& e, std::string_view val, ValeursLigne& v) {
    const auto i = static_cast<std::size_t>(e.champ);
    if (e.rang < v.rang[i]) {
        v.poser(e.champ, val, e.rang);
        if (e.champ == ChampJournal::Temps) v.temps = e.temps;
    }
}

void garderChamp(const Element& e, std::string_view val, ValeursLigne& v, ChampsEnPlus& plus) {
    if (e.champ == ChampJournal::Autre) {
        if (v.listerAutres) plus.autres.push_back({e.texte, val.empty() ? kTiret : val});
        return;
    }
    poserChamp(e, val, v);
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

// The usual fields of lirePaires, in a loop without calls whose values stay in registers: their
// separator first among the cursor's bytes, empty only where allowed. A field of the record
// takes its slot; the other ones, listed, fill `lot` (at most `taille` of them), and not listed
// are not even looked at, their backslashes then mattering no more. Stops before any field
// whose backslash matters. `e`, `pos` and the cursor are then past the last field read;
// returns how many went to `lot`.
template <bool kLister>
[[gnu::noinline]] std::size_t lireLot(CurseurOctets& curseur, char sep, const Element*& e,
                                      const Element* fin, std::size_t& position, ValeursLigne& v,
                                      ChampsEnPlus::Autre* lot, std::size_t taille) {
    CurseurOctets c = curseur;
    const char* d = c.texte();
    const std::size_t n = c.taille();
    const Element* x = e;
    std::size_t pos = position, k = 0;
    for (; x != fin; x += 2) {
        if (!kLister && x->pairesAutres > 1) {
            // Fields that nothing reads, which may be empty: only their separators, found
            // without looking at the fields.
            const auto nb = std::min<std::size_t>(x->pairesAutres, (fin - x) / 2);
            std::size_t j = 0;
            for (; j < nb; ++j) {
                std::size_t p = c.suivant();
                while (p < n && d[p] == '\\') {
                    c.passer();
                    p = c.suivant();
                }
                if (p >= n || d[p] != sep) break;
                c.passer();
                pos = p + 1;
            }
            x += 2 * j;
            if (j < nb) break;
            if (x == fin) break;
        }
        const bool autre = x->champ == ChampJournal::Autre;
        std::size_t p = c.suivant();
        if (!kLister && autre) {
            while (p < n && d[p] == '\\') {
                c.passer();
                p = c.suivant();
            }
        }
        if (p >= n || d[p] != sep || (p == pos && x->nonVide)) break;
        const std::string_view val(d + pos, p - pos);
        if (!autre) {
            poserChamp(*x, val, v);
        } else if constexpr (kLister) {
            if (k == taille) break;
            lot[k++] = {x->texte, val.empty() ? kTiret : val};
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
            const std::size_t lus = lireLot<true>(c, sep, e, fin, pos, v, lot, std::size(lot));
            plus.autres.insert(plus.autres.end(), lot, lot + lus);
            if (lus == std::size(lot)) continue;
        } else {
            lireLot<false>(c, sep, e, fin, pos, v, nullptr, 0);
        }
        if (e == fin) break;
        // Any other field: one holding a backslash that matters, or one that does not read.
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

bool nombreAFraction(std::string_view t) {
    if (t.size() < 3 || t[0] < '0' || t[0] > '9') return false;
    std::size_t point = 0;
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') continue;
        if (t[i] != '.' || point != 0) return false;
        point = i;
    }
    return point != 0 && point + 1 != t.size();
}

bool portUsuel(std::string_view t) {
    switch (t.size()) {
        case 2:
            return t == "80";
        case 3:
            return t == "443";
        case 4:
            return t == "8000" || t == "8008" || t == "8080" || t == "8443" || t == "8888";
        default:
            return false;
    }
}

// The name of the extra field `numero` (from 0) after a combined line.
std::string_view nomSuite(std::size_t numero) {
    return numero < std::size(kNomsChampsSuite) ? kNomsChampsSuite[numero] : kChamp;
}

// A field after a combined line, as cut: where its value lies, whether it was quoted and whether
// it holds a backslash.
struct ChampSuite {
    std::size_t debut, taille;
    bool cite, echappe;
};

// One field after a combined line from the blank at `pos`, whatever it holds, through the
// cursor; false when it does not read (`pos` is then left at its blank).
bool couperChampSuite(CurseurOctets& c, std::size_t& pos, ChampSuite& champ) {
    const char* d = c.texte();
    const std::size_t n = c.taille();
    if (d[pos] != ' ' || pos + 1 == n) return false;
    c.passer();
    const std::size_t debut = pos + 1;
    bool echappe = false;
    if (d[debut] == '"') {
        c.passer();
        // An escape is two bytes: the second one, a quote included, is part of the field.
        std::size_t f = c.suivant();
        while (f < n && d[f] != '"') {
            if (d[f] == '\\') {
                echappe = true;
                c.allerA(f + 2);
            } else {
                c.passer();
            }
            f = c.suivant();
        }
        if (f == n) return false;
        c.passer();
        champ = {debut + 1, f - debut - 1, true, echappe};
        pos = f + 1;
    } else {
        std::size_t f = c.suivant();
        while (f < n && d[f] != ' ') {
            echappe = echappe || d[f] == '\\';
            c.passer();
            f = c.suivant();
        }
        champ = {debut, f - debut, false, echappe};
        pos = f;
    }
    return true;
}

// Cuts the usual fields after a combined line from the blank at `position`: a value without
// blank, quote or backslash whose end lies in the cursor's word `m` (the blank at `position`
// being its lowest bit). Thousands of fields being no rarity here, a loop without calls, whose
// values stay in registers, cuts them from that word alone; it stops before any other field,
// which couperChampSuite cuts. Into `champs`, at most `taille`: every field when `tous`, else
// those that might be the response time or the port when `chercher` (unquoted, two bytes or
// more, a digit first), none else.
[[gnu::noinline]] std::size_t couperSuite(CurseurOctets::Marque& m, const char* d,
                                          std::size_t& position, ChampSuite* champs,
                                          std::size_t taille, bool tous, bool chercher) {
    std::size_t pos = position, k = 0;
    uint64_t mot = m.mot;
    const std::size_t base = m.base;
    while (k < taille) {
        // At the end of the line no chosen byte is left: `pos` is read only below it.
        const uint64_t apres = mot & (mot - 1);
        if (apres == 0 || d[pos] != ' ') break;
        const std::size_t f = base + static_cast<unsigned>(__builtin_ctzll(apres));
        if (d[pos + 1] != '"') {
            if (d[f] != ' ') break;
            const std::size_t t = f - pos - 1;
            if (tous || (chercher && t >= 2 && d[pos + 1] >= '0' && d[pos + 1] <= '9')) {
                champs[k++] = {pos + 1, t, false, false};
            }
            mot = apres;
            pos = f;
        } else {
            const uint64_t dedans = apres & (apres - 1);
            if (dedans == 0) break;
            const std::size_t q = base + static_cast<unsigned>(__builtin_ctzll(dedans));
            if (d[q] != '"') break;
            if (tous) champs[k++] = {pos + 2, q - pos - 2, true, false};
            mot = dedans & (dedans - 1);
            pos = q + 1;
        }
    }
    m.mot = mot;
    position = pos;
    return k;
}

// The fields after a combined line: blank-separated, quoted or not. A number with a fraction is
// the response time in seconds, a usual web port the port; the others are "champ n".
bool lireSuite(std::string_view ligne, std::size_t pos, Brouillon& b, ValeursLigne& v,
               ChampsEnPlus& plus, std::string* raison, std::size_t& atteint) {
    const char* d = ligne.data();
    const std::size_t n = ligne.size();
    // Blanks, quotes and backslashes: where each field starts and ends.
    CurseurOctets c(d, n, ' ', '"', '\\', pos);
    ChampSuite champs[128];
    std::size_t numero = 0;
    bool faute = false;
    // Whether the response time and the port are still looked for, and whether the others are
    // listed: the fields that serve none of these are only cut.
    bool duree = !v.present(ChampJournal::DureeS), port = !v.present(ChampJournal::Port);
    const bool lister = v.listerAutres;
    while (pos < n && !faute) {
        CurseurOctets::Marque m = c.marque();
        std::size_t nb =
            couperSuite(m, d, pos, champs, std::size(champs) - 1, lister, duree || port);
        c.revenir(m);
        if (pos < n) {
            if (couperChampSuite(c, pos, champs[nb])) {
                ++nb;
            } else {
                faute = true;
            }
        }
        for (std::size_t k = 0; k < nb; ++k, ++numero) {
            const ChampSuite& x = champs[k];
            std::string_view val(d + x.debut, x.taille);
            if (x.echappe) val = b.desechapper(val);
            if (!x.cite && duree && nombreAFraction(val)) {
                v.poser(ChampJournal::DureeS, val, 0);
                duree = false;
            } else if (!x.cite && port && portUsuel(val)) {
                v.poser(ChampJournal::Port, val, 0);
                port = false;
            } else if (lister) {
                plus.autres.push_back({nomSuite(numero), val.empty() ? kTiret : val});
            }
        }
    }
    if (!faute) return true;
    if (d[pos] != ' ' || pos + 1 == n) {
        atteint = pos;
        if (raison) *raison = texteEnTrop(pos, citerTexte(ligne.substr(pos)));
    } else {
        atteint = pos + 1;
        if (raison) *raison = kGuillemetManquant + texteEnPosition(pos + 1);
    }
    return false;
}

}  // namespace

void compterPaires(Gabarit& g) {
    std::vector<Element>& el = g.elements;
    for (std::size_t k = el.size(); k-- > 0;) {
        Element& e = el[k];
        const Element* suivante = k + 2 < el.size() ? &el[k + 2] : nullptr;
        e.paires = !finitParUnOctet(el, k) ? 0 : suivante ? suivante->paires + 1 : 1;
        e.pairesAutres = e.paires == 0 || e.champ != ChampJournal::Autre || e.nonVide ? 0
                         : suivante ? suivante->pairesAutres + 1
                                    : 1;
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
                    return texteAttendu(citerTexte(lit)) + texteEnPosition(pos);
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
                return echec(pos, [&] { return kGuillemetManquant + texteEnPosition(pos - 1); });
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
                             [&] { return texteBlancInattendu(e.texte) + texteEnPosition(fin); });
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
                    return texteIntrouvableApres(citerTexte(*suivant), pos);
                });
            }
            fin = depart + p;
            // A field that is not between quotes holds no blank but those of its form.
            if (!e.guillemets) {
                if (const char* b = trouverOctet(d + depart, fin - depart, ' ')) {
                    const auto ou = static_cast<std::size_t>(b - d);
                    return echec(
                        ou, [&] { return texteBlancInattendu(e.texte) + texteEnPosition(ou); });
                }
            }
        }
        std::string_view val(d + pos, fin - pos);
        if (val.empty() && e.nonVide) {
            return echec(pos, [&] { return texteChampVide(e.texte) + texteEnPosition(pos); });
        }
        if (echappe) val = b.desechapper(val);
        garderChamp(e, val, v, plus);
        pos = fin;
    }
    if (pos != n) {
        if (g.suiteLibre) return lireSuite(ligne, pos, b, v, plus, raison, atteint);
        return echec(pos, [&] { return texteEnTrop(pos, citerTexte(ligne.substr(pos))); });
    }
    return true;
}

}  // namespace kestrane
