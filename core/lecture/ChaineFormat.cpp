// Format strings (Apache LogFormat, nginx log_format) compiled into templates, the offered
// formats and their lookup.
#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

#include "core/lecture/FormatJournal.h"
#include "core/lecture/InterneFormats.h"
#include "core/journal/Erreur.h"
#include "core/lecture/UString.h"

namespace kestrane {

void leverFormatIncorrect(std::string_view quoi) {
    std::string m = "Format de journal incorrect : ";
    m.append(quoi);
    throw ErreurKestrane(m);
}

namespace {

// The format text once its configuration wrapping is taken off, with the offset in the pasted
// text of each of its bytes (for the positions of the messages).
struct Texte {
    std::string octets;
    std::vector<std::size_t> origine;
    void ajouter(char c, std::size_t o) {
        octets.push_back(c);
        origine.push_back(o);
    }
};

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

std::string position(std::size_t p) {
    return " (position " + ecrireEntier(int64_t(p) + 1) + ")";
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

// A piece of a format before the template is made: a literal, or a field with the offset of its
// first byte in the pasted text.
struct Morceau {
    Element e;
    std::size_t origine = 0;
};

Morceau litteral(std::string texte, std::size_t o) {
    Morceau m;
    m.e.litteral = true;
    m.e.texte = std::move(texte);
    m.origine = o;
    return m;
}

Morceau champ(ChampJournal c, std::string nom, std::size_t o, uint8_t rang = 0) {
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

// Blanks the value of a strftime pattern holds.
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

// The name between braces at s[j] (its "{"); j moves past the closing brace. `ecrit` is what the
// message shows of the directive when the brace does not close, `o` where it starts.
std::string lireAccolades(const std::string& s, std::size_t& j, const std::string& ecrit,
                          std::size_t o) {
    const std::size_t f = s.find('}', j);
    if (f == std::string::npos) {
        leverFormatIncorrect(
            "accolade non ferm\xE9"
            "e " +
            ecrit + position(o));
    }
    std::string nom = s.substr(j + 1, f - j - 1);
    j = f + 1;
    return nom;
}

// Apache directive at t[i] ("%"): its pieces are added to `sortie`, i moves past it.
void lireDirectiveApache(const Texte& t, std::size_t& i, std::vector<Morceau>& sortie) {
    const std::string& s = t.octets;
    const std::size_t debut = i, o = t.origine[i];
    std::size_t j = i + 1;
    if (j < s.size() && s[j] == '%') {
        sortie.push_back(litteral("%", o));
        i = j + 1;
        return;
    }
    bool final = false;
    while (j < s.size() && (s[j] == '<' || s[j] == '>' || s[j] == '!' || s[j] == ',' ||
                            (s[j] >= '0' && s[j] <= '9'))) {
        if (s[j] == '>') final = true;
        ++j;
    }
    std::string param;
    bool avecParam = false;
    if (j < s.size() && s[j] == '{') {
        param = lireAccolades(s, j, s.substr(debut, j + 1 - debut), o);
        avecParam = true;
    }
    if (j >= s.size()) {
        leverFormatIncorrect("directive incompl\xE8te " + s.substr(debut) + position(o));
    }
    std::size_t finDirective = j + 1;
    if (s[j] == '^' && j + 2 < s.size() && s[j + 1] == 't' &&
        (s[j + 2] == 'i' || s[j + 2] == 'o')) {
        finDirective = j + 3;
    }
    const std::string ecrit = s.substr(debut, finDirective - debut);
    const char lettre = s[j];
    i = finDirective;
    const auto ajouter = [&](ChampJournal c, uint8_t rang = 0) {
        Morceau m = champ(c, ecrit, o, rang);
        m.e.nonVide = c != ChampJournal::Parametres && c != ChampJournal::Autre &&
                      c != ChampJournal::Provenance && c != ChampJournal::Agent;
        sortie.push_back(std::move(m));
    };
    const auto exigerParam = [&] {
        if (!avecParam) {
            leverFormatIncorrect("nom manquant entre accolades " + ecrit + position(o));
        }
    };
    if (finDirective == j + 3) {
        exigerParam();
        ajouter(ChampJournal::Autre);
        return;
    }
    // The directives whose field does not depend on their name between braces.
    struct Simple {
        char lettre;
        ChampJournal champ;
        uint8_t rang;
        bool nomExige;
    };
    static constexpr Simple kSimples[] = {
        {'a', ChampJournal::Client, 0, false},    {'h', ChampJournal::Client, 1, false},
        {'l', ChampJournal::Identite, 0, false},  {'u', ChampJournal::Utilisateur, 0, false},
        {'r', ChampJournal::Requete, 0, false},   {'m', ChampJournal::Methode, 0, false},
        {'U', ChampJournal::Chemin, 0, false},    {'q', ChampJournal::Parametres, 0, false},
        {'H', ChampJournal::Protocole, 0, false}, {'b', ChampJournal::Octets, 0, false},
        {'B', ChampJournal::Octets, 1, false},    {'O', ChampJournal::Octets, 2, false},
        {'v', ChampJournal::Hote, 0, false},      {'V', ChampJournal::Hote, 1, false},
        {'D', ChampJournal::DureeUs, 0, false},   {'A', ChampJournal::Autre, 0, false},
        {'f', ChampJournal::Autre, 0, false},     {'I', ChampJournal::Autre, 0, false},
        {'S', ChampJournal::Autre, 0, false},     {'k', ChampJournal::Autre, 0, false},
        {'L', ChampJournal::Autre, 0, false},     {'P', ChampJournal::Autre, 0, false},
        {'R', ChampJournal::Autre, 0, false},     {'X', ChampJournal::Autre, 0, false},
        {'C', ChampJournal::Autre, 0, true},      {'e', ChampJournal::Autre, 0, true},
        {'n', ChampJournal::Autre, 0, true},      {'o', ChampJournal::Autre, 0, true},
    };
    for (const Simple& d : kSimples) {
        if (d.lettre == lettre) {
            if (d.nomExige) exigerParam();
            ajouter(d.champ, d.rang);
            return;
        }
    }
    switch (lettre) {
        case 's':
            ajouter(ChampJournal::Statut, final ? 0 : 1);
            return;
        case 'p':
            ajouter(param == "remote" ? ChampJournal::Autre : ChampJournal::Port);
            return;
        case 'T':
            if (param == "ms") {
                ajouter(ChampJournal::DureeMs, 1);
            } else if (param == "us") {
                ajouter(ChampJournal::DureeUs, 0);
            } else if (param.empty() || param == "s") {
                ajouter(ChampJournal::DureeS, 2);
            } else {
                leverFormatIncorrect("unit\xE9 inconnue " + ecrit + position(o));
            }
            return;
        case 'i':
            exigerParam();
            if (egauxSansCasse(param, "Referer")) {
                ajouter(ChampJournal::Provenance);
            } else if (egauxSansCasse(param, "User-Agent")) {
                ajouter(ChampJournal::Agent);
            } else if (egauxSansCasse(param, "Host")) {
                ajouter(ChampJournal::Hote, 2);
            } else {
                ajouter(ChampJournal::Autre);
            }
            return;
        case 't': {
            if (!avecParam) {
                // "[10/Oct/2000:13:55:36 -0700]"
                sortie.push_back(litteral("[", o));
                Morceau m = champ(ChampJournal::Temps, ecrit, o);
                m.e.temps = TypeTemps::Journal;
                m.e.blancs = 1;
                m.e.nonVide = true;
                sortie.push_back(std::move(m));
                sortie.push_back(litteral("]", o));
                return;
            }
            std::string_view f = param;
            if (f.starts_with("begin:")) f.remove_prefix(6);
            if (f.starts_with("end:")) f.remove_prefix(4);
            Morceau m = champ(ChampJournal::Temps, ecrit, o);
            m.e.nonVide = true;
            if (f == "sec") {
                m.e.temps = TypeTemps::Secondes;
            } else if (f == "msec") {
                m.e.temps = TypeTemps::Millisecondes;
            } else if (f == "usec") {
                m.e.temps = TypeTemps::Microsecondes;
            } else if (f == "msec_frac" || f == "usec_frac") {
                m.e.champ = ChampJournal::Autre;
                m.e.nonVide = false;
            } else {
                m.e.temps = TypeTemps::Quelconque;
                m.e.blancs = blancsStrftime(f);
            }
            sortie.push_back(std::move(m));
            return;
        }
        default:
            leverFormatIncorrect("directive inconnue " + ecrit + position(o));
    }
}

struct VariableNginx {
    std::string_view nom;
    ChampJournal champ;
    uint8_t rang;
};

constexpr VariableNginx kVariables[] = {
    {"remote_addr", ChampJournal::Client, 0},
    {"realip_remote_addr", ChampJournal::Client, 1},
    {"remote_user", ChampJournal::Utilisateur, 0},
    {"request", ChampJournal::Requete, 0},
    {"request_method", ChampJournal::Methode, 0},
    {"request_uri", ChampJournal::CheminComplet, 0},
    {"uri", ChampJournal::Chemin, 0},
    {"document_uri", ChampJournal::Chemin, 1},
    {"args", ChampJournal::Parametres, 0},
    {"query_string", ChampJournal::Parametres, 1},
    {"server_protocol", ChampJournal::Protocole, 0},
    {"status", ChampJournal::Statut, 0},
    {"body_bytes_sent", ChampJournal::Octets, 0},
    {"bytes_sent", ChampJournal::Octets, 1},
    {"http_referer", ChampJournal::Provenance, 0},
    {"http_user_agent", ChampJournal::Agent, 0},
    {"host", ChampJournal::Hote, 0},
    {"http_host", ChampJournal::Hote, 1},
    {"server_name", ChampJournal::Hote, 2},
    {"server_port", ChampJournal::Port, 0},
    {"request_time", ChampJournal::DureeS, 0},
    {"upstream_response_time", ChampJournal::DureeS, 1},
};

// nginx variable at t[i] ("$"): its piece is added to `sortie`, i moves past it.
void lireVariableNginx(const Texte& t, std::size_t& i, std::vector<Morceau>& sortie) {
    const std::string& s = t.octets;
    const std::size_t debut = i, o = t.origine[i];
    std::size_t j = i + 1;
    std::string nom;
    if (j < s.size() && s[j] == '{') {
        nom = lireAccolades(s, j, s.substr(debut, 2), o);
    } else {
        while (j < s.size() && lettreNginx(s[j])) ++j;
        nom = s.substr(i + 1, j - i - 1);
    }
    if (nom.empty()) leverFormatIncorrect("nom de variable manquant apr\xE8s $" + position(o));
    i = j;
    const std::string ecrit = s.substr(debut, j - debut);
    Morceau m = champ(ChampJournal::Autre, ecrit, o);
    if (nom == "time_local") {
        m.e.champ = ChampJournal::Temps;
        m.e.temps = TypeTemps::Journal;
        m.e.blancs = 1;
    } else if (nom == "time_iso8601") {
        m.e.champ = ChampJournal::Temps;
        m.e.temps = TypeTemps::Quelconque;
    } else if (nom == "msec") {
        m.e.champ = ChampJournal::Temps;
        m.e.temps = TypeTemps::Secondes;
    } else {
        for (const VariableNginx& v : kVariables) {
            if (v.nom == nom) {
                m.e.champ = v.champ;
                m.e.rang = v.rang;
            }
        }
    }
    sortie.push_back(std::move(m));
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
    // "$uri$is_args$args" ("?" between them when there is a query).
    const auto champDe = [&](std::size_t k, ChampJournal c) {
        return k < m.size() && !m[k].e.litteral && m[k].e.champ == c;
    };
    for (std::size_t k = 0; k + 1 < m.size(); ++k) {
        if (!champDe(k, ChampJournal::Chemin)) continue;
        std::size_t dernier = k + 1;
        if (!m[k + 1].e.litteral && m[k + 1].e.texte == "$is_args") ++dernier;
        if (!champDe(dernier, ChampJournal::Parametres)) continue;
        m[k].e.champ = ChampJournal::CheminComplet;
        for (std::size_t j = k + 1; j <= dernier; ++j) m[k].e.texte += m[j].e.texte;
        m.erase(m.begin() + static_cast<std::ptrdiff_t>(k + 1),
                m.begin() + static_cast<std::ptrdiff_t>(dernier + 1));
    }
    return m;
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
            leverFormatIncorrect("champs sans s\xE9parateur " + g.elements.back().texte +
                                 p.e.texte + position(p.origine));
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
    if (!unChamp) leverFormatIncorrect("aucun champ");
    return g;
}

Gabarit compiler(std::string_view chaine) {
    Dialecte d;
    const Texte t = deballer(chaine, d);
    if (t.octets.empty()) leverFormatIncorrect("cha\xEEne vide");
    return assembler(decouper(t, d));
}

constexpr std::string_view kCombine =
    "%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\"";

constexpr std::array<FormatPropose, 9> kProposes = {{
    {TypeFormat::Defaut, "combine",
     "Combin\xE9 (par d\xE9"
     "faut)"},
    {TypeFormat::Automatique, "auto", "Automatique"},
    {TypeFormat::Commun, "commun", "Commun"},
    {TypeFormat::HoteVirtuel, "vhost", "Combin\xE9 avec h\xF4te virtuel"},
    {TypeFormat::NginxHote, "nginx-hote", "nginx, h\xF4te avant le client"},
    {TypeFormat::CombineSuivi, "combine-plus", "Combin\xE9 suivi d'autres champs"},
    {TypeFormat::W3C, "w3c", "W3C \xE9tendu (IIS)"},
    {TypeFormat::Json, "json", "JSON, une requ\xEAte par ligne"},
    {TypeFormat::Personnalise, "", "Personnalis\xE9"},
}};

// A Windows-1252 text in UTF-8 (the captions' letters are all below U+0100).
std::string enUtf8(std::string_view s) {
    std::string u;
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            u.push_back(c);
        } else {
            u.push_back(static_cast<char>(0xC0 | (b >> 6)));
            u.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return u;
}

}  // namespace

const Gabarit& gabaritCombine() {
    static const Gabarit g = compiler(kCombine);
    return g;
}

std::span<const FormatPropose> formatsProposes() {
    return kProposes;
}

const FormatPropose* trouverFormatPropose(std::string_view texte) {
    for (const FormatPropose& f : kProposes) {
        if ((!f.nom.empty() && egauxSansCasse(texte, f.nom)) || egauxSansCasse(texte, f.libelle) ||
            egauxSansCasse(texte, enUtf8(f.libelle))) {
            return &f;
        }
    }
    return nullptr;
}

FormatJournal::FormatJournal() : FormatJournal(std::make_shared<const Donnees>()) {}

FormatJournal::FormatJournal(std::shared_ptr<const Donnees> d) : donnees_(std::move(d)) {
    if (donnees_->libelle.empty()) {
        auto copie = std::make_shared<Donnees>(*donnees_);
        for (const FormatPropose& f : kProposes) {
            if (f.type == copie->type) copie->libelle = f.libelle;
        }
        donnees_ = std::move(copie);
    }
}

TypeFormat FormatJournal::type() const {
    return donnees_->type;
}
const std::string& FormatJournal::libelle() const {
    return donnees_->libelle;
}

FormatJournal FormatJournal::propose(TypeFormat type) {
    auto d = std::make_shared<Donnees>();
    d->type = type;
    switch (type) {
        case TypeFormat::Defaut:
        case TypeFormat::W3C:
            break;
        case TypeFormat::Commun:
            d->gabarits.push_back(compiler("%h %l %u %t \"%r\" %>s %b"));
            break;
        case TypeFormat::HoteVirtuel:
            d->gabarits.push_back(
                compiler("%v:%p %h %l %u %t \"%r\" %>s %O \"%{Referer}i\" \"%{User-Agent}i\""));
            d->gabarits.push_back(
                compiler("%v %h %l %u %t \"%r\" %>s %O \"%{Referer}i\" \"%{User-Agent}i\""));
            break;
        case TypeFormat::NginxHote:
            d->gabarits.push_back(
                compiler("$host $remote_addr - $remote_user [$time_local] \"$request\" $status "
                         "$body_bytes_sent \"$http_referer\" \"$http_user_agent\""));
            break;
        case TypeFormat::CombineSuivi:
            d->gabarits.push_back(compiler(kCombine));
            d->gabarits.back().suiteLibre = true;
            break;
        case TypeFormat::Json:
            d->json = compilerCorrespondance(correspondanceJsonCourante());
            break;
        case TypeFormat::Automatique:
        case TypeFormat::Personnalise:
            throw ErreurKestrane("Format de journal : ce choix n'est pas un format");
    }
    return FormatJournal(std::move(d));
}

FormatJournal FormatJournal::depuisChaine(std::string_view chaine) {
    auto d = std::make_shared<Donnees>();
    d->type = TypeFormat::Personnalise;
    d->gabarits.push_back(compiler(chaine));
    std::string_view montre = chaine;
    while (!montre.empty() && blanc(montre.front())) montre.remove_prefix(1);
    while (!montre.empty() && blanc(montre.back())) montre.remove_suffix(1);
    d->libelle = "Personnalis\xE9 : ";
    d->libelle.append(montre);
    return FormatJournal(std::move(d));
}

FormatJournal FormatJournal::json(CorrespondanceJson correspondance) {
    auto d = std::make_shared<Donnees>();
    d->type = TypeFormat::Json;
    d->json = compilerCorrespondance(correspondance);
    return FormatJournal(std::move(d));
}

std::optional<FormatJournal> resoudreFormat(std::string_view texte) {
    if (const FormatPropose* f = trouverFormatPropose(texte)) {
        if (f->type == TypeFormat::Automatique) return std::nullopt;
        if (f->type == TypeFormat::Personnalise) leverFormatIncorrect("cha\xEEne attendue");
        return FormatJournal::propose(f->type);
    }
    return FormatJournal::depuisChaine(texte);
}

}  // namespace kestrane
