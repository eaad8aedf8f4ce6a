// Format strings (Apache LogFormat, nginx log_format) compiled into templates: the pasted text
// unwrapped, cut into pieces (the directives are read in DirectivesChaine.cpp) and assembled.
#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

#include "core/journal/Erreur.h"
#include "core/journal/Messages.h"
#include "core/lecture/ChaineInterne.h"
#include "core/lecture/FormatJournal.h"
#include "core/lecture/InterneFormats.h"
#include "core/lecture/UString.h"

namespace kestrane {

void leverFormatIncorrect(std::string_view quoi) {
    throw ErreurKestrane(texteFormatIncorrect(quoi));
}

namespace chaine {

bool blanc(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool commencePar(std::string_view s, std::string_view mot) {
    if (s.size() <= mot.size()) return false;
    for (std::size_t i = 0; i < mot.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != mot[i]) return false;
    }
    return blanc(s[mot.size()]);
}

// Copies s[i, fin) resolving the escapes of configuration files: \" \' \\ and \t \n \r.
void copierEchappe(std::string_view s, std::size_t i, std::size_t fin, Texte& t) {
    for (; i < fin; ++i) {
        if (s[i] == '\\' && i + 1 < fin) {
            const char e = s[i + 1];
            const char c = e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
            if (e == '"' || e == '\'' || e == '\\' || c != e) {
                t.ajouter(c, i);
                ++i;
                continue;
            }
        }
        t.ajouter(s[i], i);
    }
}

// A quoted argument at s[i] (its opening quote): its content is added to `t` and i moves past the
// closing quote. False when it does not close.
bool lireCite(std::string_view s, std::size_t& i, Texte& t) {
    const char q = s[i];
    std::size_t j = i + 1;
    while (j < s.size() && s[j] != q) j += (s[j] == '\\' && j + 1 < s.size()) ? 2 : 1;
    if (j >= s.size()) return false;
    copierEchappe(s, i + 1, j, t);
    i = j + 1;
    return true;
}

void sauterBlancs(std::string_view s, std::size_t& i) {
    while (i < s.size() && blanc(s[i])) ++i;
}

void sauterMot(std::string_view s, std::size_t& i) {
    while (i < s.size() && !blanc(s[i])) ++i;
}

// Quoted pieces from s[i], separated by blanks, until the end, a ";" or a word (Apache's
// nickname after the format). False when the text is not made that way.
bool lirePieces(std::string_view s, std::size_t i, Texte& t) {
    bool une = false;
    while (i < s.size()) {
        if (s[i] == '"' || s[i] == '\'') {
            if (!lireCite(s, i, t)) return false;
            une = true;
            sauterBlancs(s, i);
        } else {
            // What may follow the format: ";" (nginx) or a nickname (Apache), then nothing.
            if (!une) return false;
            if (s[i] == ';') ++i;
            sauterMot(s, i);
            sauterBlancs(s, i);
            return i == s.size();
        }
    }
    return une;
}

enum class Dialecte { Apache, Nginx };

bool lettreNginx(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

Dialecte dialecte(std::string_view s) {
    std::size_t apache = 0, nginx = 0;
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        const char c = s[i + 1];
        if (s[i] == '%' && (std::isalpha(static_cast<unsigned char>(c)) || c == '{' || c == '>' ||
                            c == '<' || c == '^')) {
            ++apache;
        } else if (s[i] == '$' &&
                   (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '{')) {
            ++nginx;
        }
    }
    return nginx > apache ? Dialecte::Nginx : Dialecte::Apache;
}

// The format text of what the user pasted: a bare format, the format in quotes, or a whole
// LogFormat or log_format directive.
Texte deballer(std::string_view s, Dialecte& d) {
    std::size_t debut = 0, fin = s.size();
    while (debut < fin && blanc(s[debut])) ++debut;
    while (fin > debut && blanc(s[fin - 1])) --fin;
    const std::string_view c = s.substr(0, fin);
    Texte t;
    std::size_t i = debut;
    if (commencePar(c.substr(debut), "logformat")) {
        i += 9;
        sauterBlancs(c, i);
        if (i < c.size() && c[i] == '"' && lirePieces(c, i, t)) {
            d = Dialecte::Apache;
            return t;
        }
        t = {};
    } else if (commencePar(c.substr(debut), "log_format")) {
        i += 10;
        sauterBlancs(c, i);
        sauterMot(c, i);  // the format's name
        sauterBlancs(c, i);
        if (c.substr(i).starts_with("escape=")) {
            sauterMot(c, i);
            sauterBlancs(c, i);
        }
        if (lirePieces(c, i, t)) {
            d = Dialecte::Nginx;
            return t;
        }
        t = {};
        i = debut;
    }
    if (i < c.size() && (c[i] == '"' || c[i] == '\'') && lirePieces(c, i, t)) {
        d = dialecte(t.octets);
        return t;
    }
    t = {};
    d = dialecte(c.substr(i));
    if (d == Dialecte::Apache) {
        copierEchappe(c, i, c.size(), t);
    } else {
        for (; i < c.size(); ++i) t.ajouter(c[i], i);
    }
    return t;
}

Morceau litteral(std::string texte, std::size_t o) {
    Morceau m;
    m.e.litteral = true;
    m.e.texte = std::move(texte);
    m.origine = o;
    return m;
}

Morceau champ(ChampJournal c, std::string nom, std::size_t o, uint8_t rang) {
    Morceau m;
    m.e.champ = c;
    m.e.texte = std::move(nom);
    m.e.rang = rang;
    m.origine = o;
    return m;
}

bool egauxSansCasse(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

uint8_t blancsStrftime(std::string_view f) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] == ' ') ++n;
        if (f[i] == '%' && i + 1 < f.size()) {
            const char c = f[++i];
            n += c == 'c' ? 4 : c == 'r' ? 1 : 0;
        }
    }
    return static_cast<uint8_t>(std::min<std::size_t>(n, 255));
}

std::string lireAccolades(const std::string& s, std::size_t& j, const std::string& ecrit,
                          std::size_t o) {
    const std::size_t f = s.find('}', j);
    if (f == std::string::npos) {
        leverFormatIncorrect(kAccoladeNonFermee + ecrit + textePosition(o));
    }
    std::string nom = s.substr(j + 1, f - j - 1);
    j = f + 1;
    return nom;
}

// The pieces of a format text.
std::vector<Morceau> decouper(const Texte& t, Dialecte d) {
    std::vector<Morceau> m;
    const std::string& s = t.octets;
    const char marque = d == Dialecte::Apache ? '%' : '$';
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == marque) {
            if (d == Dialecte::Apache) {
                lireDirectiveApache(t, i, m);
            } else {
                lireVariableNginx(t, i, m);
            }
            continue;
        }
        std::size_t j = s.find(marque, i);
        if (j == std::string::npos) j = s.size();
        m.push_back(litteral(s.substr(i, j - i), t.origine[i]));
        i = j;
    }
    // The path followed by its query is one field: Apache's "%U%q", nginx's
    // "$uri$is_args$args" ("?" between them when there is a query). Copied into a new list in
    // one pass: an erase per pair cost the square of their number (8,000 pairs: 0.4 s).
    const auto champDe = [&](std::size_t k, ChampJournal c) {
        return k < m.size() && !m[k].e.litteral && m[k].e.champ == c;
    };
    std::vector<Morceau> joints;
    joints.reserve(m.size());
    for (std::size_t k = 0; k < m.size(); ++k) {
        joints.push_back(std::move(m[k]));
        if (joints.back().e.litteral || joints.back().e.champ != ChampJournal::Chemin) continue;
        std::size_t dernier = k + 1;
        if (dernier < m.size() && !m[dernier].e.litteral && m[dernier].e.texte == "$is_args") {
            ++dernier;
        }
        if (!champDe(dernier, ChampJournal::Parametres)) continue;
        Element& e = joints.back().e;
        e.champ = ChampJournal::CheminComplet;
        for (std::size_t j = k + 1; j <= dernier; ++j) e.texte += m[j].e.texte;
        k = dernier;
    }
    return joints;
}

// The template of the pieces: literals merged, quoted fields marked; refuses what cannot be read
// back (two fields with nothing between them, no field at all).
Gabarit assembler(std::vector<Morceau> m) {
    Gabarit g;
    std::vector<std::size_t> origines;
    for (Morceau& p : m) {
        if (p.e.litteral && p.e.texte.empty()) continue;
        if (p.e.litteral && !g.elements.empty() && g.elements.back().litteral) {
            g.elements.back().texte += p.e.texte;
            continue;
        }
        if (!p.e.litteral && !g.elements.empty() && !g.elements.back().litteral) {
            leverFormatIncorrect(kChampsSansSeparateur + g.elements.back().texte + p.e.texte +
                                 textePosition(p.origine));
        }
        g.elements.push_back(std::move(p.e));
        origines.push_back(p.origine);
    }
    bool unChamp = false;
    for (std::size_t k = 0; k < g.elements.size(); ++k) {
        Element& e = g.elements[k];
        if (e.litteral) continue;
        unChamp = true;
        e.guillemets = k > 0 && k + 1 < g.elements.size() &&
                       g.elements[k - 1].texte.ends_with('"') &&
                       g.elements[k + 1].texte.starts_with('"');
    }
    if (!unChamp) leverFormatIncorrect(kAucunChamp);
    compterPaires(g);
    return g;
}

Gabarit compiler(std::string_view chaine) {
    Dialecte d;
    const Texte t = deballer(chaine, d);
    if (t.octets.empty()) leverFormatIncorrect(kChaineVide);
    return assembler(decouper(t, d));
}

}  // namespace chaine

}  // namespace kestrane
