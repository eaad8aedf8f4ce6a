// The reading of a filter's expression (Filtre.h): terms, "-", "ou"/"|", parentheses, quotes.
#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "core/analyse/InterneFiltre.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Langue.h"
#include "core/journal/Messages.h"
#include "core/journal/Texte.h"

namespace kestrane {

namespace {

char minuscule(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string enMinuscules(std::string_view t) {
    std::string s(t);
    for (char& c : s) c = minuscule(c);
    return s;
}

bool blanc(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The characters that end a bare value or word.
bool finDeMot(char c) {
    return blanc(c) || c == '(' || c == ')' || c == '|' || c == '"';
}

struct NomChamp {
    std::string_view nom;
    ChampFiltre champ;
};
// Field names, ASCII lower case; the accented writings in UTF-8.
constexpr NomChamp kChamps[] = {
    {"ip", ChampFiltre::ip},
    {"chemin", ChampFiltre::chemin},
    {"provenance", ChampFiltre::provenance},
    {"site", ChampFiltre::site},
    {"recherche", ChampFiltre::recherche},
    {"navigateur", ChampFiltre::navigateur},
    {"systeme", ChampFiltre::systeme},
    {"syst\xC3\xA8me", ChampFiltre::systeme},
    {"robot", ChampFiltre::robot},
    {"statique", ChampFiltre::statique},
    {"statut", ChampFiltre::statut},
    {"methode", ChampFiltre::methode},
    {"m\xC3\xA9thode", ChampFiltre::methode},
    {"protocole", ChampFiltre::protocole},
    {"pays", ChampFiltre::pays},
    {"hote", ChampFiltre::hote},
    {"h\xC3\xB4te", ChampFiltre::hote},
    {"jour", ChampFiltre::jour},
    {"heure", ChampFiltre::heure},
};

std::optional<ChampFiltre> champNomme(std::string_view nom) {
    const std::string n = enMinuscules(nom);
    for (const NomChamp& c : kChamps) {
        if (c.nom == n) return c.champ;
    }
    return std::nullopt;
}

// "2015-05-17" into its day number.
bool lireJourIso(std::string_view t, int64_t& jour) {
    if (t.size() != 10 || t[4] != '-' || t[7] != '-') return false;
    const int64_t a = lireChiffres(t, 0, 4), m = lireChiffres(t, 5, 2), j = lireChiffres(t, 8, 2);
    if (a < 1 || m < 0 || j < 0) return false;
    const auto a32 = static_cast<int32_t>(a), m32 = static_cast<int32_t>(m),
               j32 = static_cast<int32_t>(j);
    if (!dateReelle(a32, m32, j32)) return false;
    jour = joursDepuisEpoque(a32, m32, j32);
    return true;
}

bool lireHeure(std::string_view t, int64_t& h) {
    if (t.empty() || t.size() > 2) return false;
    h = lireChiffres(t, 0, t.size());
    return h >= 0 && h <= 23;
}

// "a..b" or "a" alone (then both bounds).
template <typename Lire>
bool lireIntervalle(std::string_view t, Lire lire, int64_t& debut, int64_t& fin) {
    const std::size_t p = t.find("..");
    if (p == std::string_view::npos) {
        if (!lire(t, debut)) return false;
        fin = debut;
        return true;
    }
    return lire(t.substr(0, p), debut) && lire(t.substr(p + 2), fin);
}

// What testing a term costs a line, roughly: a number of the record, a cut of its request, the
// agent (a lookup of its whole text), a referrer's host or a country (texts made).
int cout(const Filtre::Arbre& a, const NoeudFiltre& n) {
    if (n.sorte != NoeudFiltre::Sorte::terme) {
        int c = 0;
        for (const NoeudFiltre& e : n.enfants) c = std::max(c, cout(a, e));
        return c;
    }
    switch (a.termes[n.terme].champ) {
        case ChampFiltre::statut:
        case ChampFiltre::ip:
        case ChampFiltre::jour:
        case ChampFiltre::heure:
        case ChampFiltre::hote:
        case ChampFiltre::provenance:
            return 1;
        case ChampFiltre::chemin:
        case ChampFiltre::statique:
        case ChampFiltre::methode:
        case ChampFiltre::protocole:
            return 2;
        case ChampFiltre::navigateur:
        case ChampFiltre::systeme:
        case ChampFiltre::robot:
        case ChampFiltre::robots:
            return 3;
        default:
            return 4;
    }
}

// The cheap terms of each "and" and "or" tested first: the result is the same, the tests are
// pure.
void ordonner(const Filtre::Arbre& a, NoeudFiltre& n) {
    for (NoeudFiltre& e : n.enfants) ordonner(a, e);
    if (n.sorte == NoeudFiltre::Sorte::et || n.sorte == NoeudFiltre::Sorte::ou) {
        std::stable_sort(
            n.enfants.begin(), n.enfants.end(),
            [&](const NoeudFiltre& x, const NoeudFiltre& y) { return cout(a, x) < cout(a, y); });
    }
}

class Lecteur {
  public:
    explicit Lecteur(std::string_view texte) : t_(texte) {}

    Filtre::Arbre lire() {
        Filtre::Arbre a;
        arbre_ = &a;
        sauterBlancs();
        a.racine = ou(true);
        sauterBlancs();
        if (i_ < t_.size()) {
            // Only a closing parenthesis stops the top level before the end.
            echec(i_, kFiltreParentheseEnTrop);
        }
        ordonner(a, a.racine);
        return a;
    }

  private:
    [[noreturn]] void echec(std::size_t octet, std::string_view raison,
                            std::string_view citation = {}) {
        // The position in characters: UTF-8 continuation bytes do not count.
        std::size_t position = 1;
        for (std::size_t k = 0; k < octet && k < t_.size(); ++k) {
            if ((static_cast<unsigned char>(t_[k]) & 0xC0) != 0x80) ++position;
        }
        throw ErreurFiltre(position, std::string(raison), std::string(citation));
    }

    void sauterBlancs() {
        while (i_ < t_.size() && blanc(t_[i_])) ++i_;
    }

    // Whether the next word is the operator "ou" (or "|"), without taking it.
    bool devantOu() const {
        if (i_ < t_.size() && t_[i_] == '|') return true;
        if (i_ + 2 > t_.size() || minuscule(t_[i_]) != 'o' || minuscule(t_[i_ + 1]) != 'u') {
            return false;
        }
        return i_ + 2 == t_.size() || finDeMot(t_[i_ + 2]) || t_[i_ + 2] == '-';
    }

    NoeudFiltre ou(bool sommet) {
        std::vector<NoeudFiltre> membres;
        membres.push_back(et(sommet));
        while (devantOu()) {
            const std::size_t op = i_;
            i_ += t_[i_] == '|' ? 1 : 2;
            sauterBlancs();
            if (i_ >= t_.size() || t_[i_] == ')' || devantOu()) {
                echec(i_ >= t_.size() ? op : i_, kFiltreTermeAttenduApres,
                      t_.substr(op, t_[op] == '|' ? 1 : 2));
            }
            membres.push_back(et(false));
        }
        if (membres.size() == 1) return std::move(membres[0]);
        // An "ou" at the top: the whole expression is one term of the bar.
        if (sommet) {
            std::size_t fin = i_;
            while (fin > debutSommet_ && blanc(t_[fin - 1])) --fin;
            arbre_->places.assign(1, {debutSommet_, fin});
        }
        NoeudFiltre n;
        n.sorte = NoeudFiltre::Sorte::ou;
        n.enfants = std::move(membres);
        return n;
    }

    NoeudFiltre et(bool sommet) {
        std::vector<NoeudFiltre> membres;
        if (sommet) debutSommet_ = i_;
        while (i_ < t_.size() && t_[i_] != ')' && !devantOu()) {
            const std::size_t debut = i_;
            membres.push_back(unaire());
            if (sommet) arbre_->places.emplace_back(debut, i_);
            sauterBlancs();
        }
        if (membres.empty()) {
            if (i_ < t_.size() && t_[i_] == ')') echec(i_, kFiltreParentheseEnTrop);
            if (i_ >= t_.size()) echec(i_, kFiltreTermeAttendu);
            echec(i_, kFiltreTermeAttendu, t_.substr(i_, t_[i_] == '|' ? 1 : 2));
        }
        if (membres.size() == 1) return std::move(membres[0]);
        NoeudFiltre n;
        n.sorte = NoeudFiltre::Sorte::et;
        n.enfants = std::move(membres);
        return n;
    }

    NoeudFiltre unaire() {
        if (t_[i_] == '-') {
            const std::size_t moins = i_++;
            if (i_ >= t_.size() || blanc(t_[i_]) || t_[i_] == ')' || t_[i_] == '|') {
                echec(moins, kFiltreTermeAttenduApres, "-");
            }
            NoeudFiltre n;
            n.sorte = NoeudFiltre::Sorte::non;
            n.enfants.push_back(unaire());
            return n;
        }
        if (t_[i_] == '(') {
            const std::size_t ouvrante = i_++;
            sauterBlancs();
            if (i_ < t_.size() && t_[i_] == ')') echec(i_, kFiltreTermeAttendu, ")");
            NoeudFiltre n = ou(false);
            if (i_ >= t_.size()) echec(ouvrante, kFiltreParentheseNonFermee);
            ++i_;  // ')'
            return n;
        }
        if (t_[i_] == '"') echec(i_, kFiltreChampInconnu, "\"");
        return terme();
    }

    NoeudFiltre terme() {
        const std::size_t debut = i_;
        debutTerme_ = debut;
        while (i_ < t_.size() && !finDeMot(t_[i_]) && t_[i_] != ':') ++i_;
        const std::string_view nom = t_.substr(debut, i_ - debut);
        const std::optional<ChampFiltre> champ = champNomme(nom);
        const bool deuxPoints = i_ < t_.size() && t_[i_] == ':';
        if (!champ) {
            // The whole word is quoted, up to its value.
            std::size_t fin = i_;
            while (fin < t_.size() && !finDeMot(t_[fin])) ++fin;
            echec(debut, kFiltreChampInconnu, deuxPoints ? nom : t_.substr(debut, fin - debut));
        }
        TermeFiltre terme;
        terme.champ = *champ;
        if (!deuxPoints) {
            // `robot` and `statique` alone; any other field asks for its value.
            if (*champ == ChampFiltre::robot) {
                terme.champ = ChampFiltre::robots;
            } else if (*champ != ChampFiltre::statique) {
                echec(i_, kFiltreValeurManquante, nom);
            }
            return feuille(std::move(terme));
        }
        if (*champ == ChampFiltre::statique) echec(debut, kFiltreSansValeur, "statique:");
        ++i_;  // ':'
        const std::size_t debutValeur = i_;
        char operateur = 0;
        if (i_ < t_.size() && (t_[i_] == '=' || t_[i_] == '~')) operateur = t_[i_++];
        std::string valeur;
        if (i_ < t_.size() && t_[i_] == '"') {
            const std::size_t guillemet = i_++;
            for (;;) {
                if (i_ >= t_.size()) echec(guillemet, kFiltreGuillemetNonFerme);
                const char c = t_[i_++];
                if (c == '"') break;
                if (c == '\\' && i_ < t_.size() && (t_[i_] == '"' || t_[i_] == '\\')) {
                    valeur += t_[i_++];
                } else {
                    valeur += c;
                }
            }
        } else {
            const std::size_t d = i_;
            while (i_ < t_.size() && !finDeMot(t_[i_])) ++i_;
            valeur.assign(t_.substr(d, i_ - d));
            if (valeur.empty()) echec(d, kFiltreValeurManquante, t_.substr(debut, d - debut));
        }
        const std::string_view cite = t_.substr(debutValeur, i_ - debutValeur);
        switch (*champ) {
            case ChampFiltre::ip:
                lireIp(terme, valeur, debutValeur, cite);
                break;
            case ChampFiltre::statut:
                if (!lireStatut(terme, valeur)) echec(debutValeur, kFiltreStatutIncorrect, cite);
                break;
            case ChampFiltre::jour:
                if (!lireIntervalle(valeur, lireJourIso, terme.debut, terme.fin) ||
                    terme.debut > terme.fin) {
                    echec(debutValeur, kFiltreJourIncorrect, cite);
                }
                break;
            case ChampFiltre::heure:
                if (!lireIntervalle(valeur, lireHeure, terme.debut, terme.fin)) {
                    echec(debutValeur, kFiltreHeureIncorrecte, cite);
                }
                break;
            default:
                lireTexte(terme, std::move(valeur), operateur);
                break;
        }
        return feuille(std::move(terme));
    }

    static bool lireStatut(TermeFiltre& terme, std::string_view v) {
        if (v.size() != 3 || v[0] < '0' || v[0] > '9') return false;
        if ((v[1] == 'x' || v[1] == 'X') && (v[2] == 'x' || v[2] == 'X')) {
            terme.classe = v[0] - '0';
            return terme.classe >= 1;
        }
        const int64_t code = lireChiffres(v, 0, 3);
        if (code < 0) return false;
        terme.code = static_cast<int32_t>(code);
        terme.classe = 0;
        return true;
    }

    void lireIp(TermeFiltre& terme, const std::string& valeur, std::size_t ou,
                std::string_view cite) {
        const std::size_t barre = valeur.find('/');
        const std::string adresse = valeur.substr(0, barre);
        const bool v4 = adresse.find(':') == std::string::npos;
        if (!octetsAdresse(adresse, terme.octets)) {
            // A host name; what looks like an address but does not read is refused.
            const bool commeAdresse =
                barre != std::string::npos || adresse.find(':') != std::string::npos ||
                std::all_of(adresse.begin(), adresse.end(),
                            [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
            if (commeAdresse) echec(ou, kFiltreAdresseIncorrecte, cite);
            terme.prefixe = -1;
            terme.valeur = valeur;
            return;
        }
        terme.prefixe = 128;
        if (barre != std::string::npos) {
            const std::string_view longueur = std::string_view(valeur).substr(barre + 1);
            const int64_t n = longueur.empty() || longueur.size() > 3
                                  ? -1
                                  : lireChiffres(longueur, 0, longueur.size());
            if (n < 0 || n > (v4 ? 32 : 128)) echec(ou, kFiltreAdresseIncorrecte, cite);
            // /0 takes every address, IPv4 or IPv6.
            terme.prefixe = n == 0 ? 0 : static_cast<int>(v4 ? 96 + n : n);
        }
    }

    static void lireTexte(TermeFiltre& terme, std::string valeur, char operateur) {
        switch (terme.champ) {
            case ChampFiltre::chemin:
            case ChampFiltre::provenance:
                terme.casse = true;
                break;
            default:
                terme.casse = false;
                break;
        }
        if (operateur == '~') {
            terme.mode = ModeTexte::contient;
        } else if (operateur == 0 && valeur.find('*') != std::string::npos) {
            terme.mode = ModeTexte::motif;
        } else {
            terme.mode = ModeTexte::exact;
        }
        terme.valeur = terme.casse ? std::move(valeur) : enMinuscules(valeur);
    }

    NoeudFiltre feuille(TermeFiltre terme) {
        const ChampFiltre c = terme.champ;
        if (c == ChampFiltre::navigateur || c == ChampFiltre::systeme || c == ChampFiltre::robot ||
            c == ChampFiltre::robots) {
            // Each agent's answers are kept as the bits of one word.
            if (++termesAgent_ > 64) echec(debutTerme_, kFiltreTropDeTermesAgent);
        }
        NoeudFiltre n;
        n.terme = static_cast<uint32_t>(arbre_->termes.size());
        arbre_->termes.push_back(std::move(terme));
        return n;
    }

    std::string_view t_;
    std::size_t i_ = 0;
    std::size_t debutSommet_ = 0, debutTerme_ = 0, termesAgent_ = 0;
    Filtre::Arbre* arbre_ = nullptr;
};

}  // namespace

ErreurFiltre::ErreurFiltre(std::size_t position, std::string raison, std::string citation)
    : ErreurKestrane(texteFiltreIncorrect(position, raison, citation)),
      position_(position),
      raison_(std::move(raison)),
      citation_(std::move(citation)) {}

std::string ErreurFiltre::messageUtf8() const {
    std::string t = utf8Depuis1252(texteFiltreIncorrect(position_, raison_, {}));
    if (!citation_.empty()) t = remplir(TexteU("{} \u00ab {} \u00bb"), {t, citation_});
    return t;
}

bool octetsAdresse(std::string_view texte, std::array<uint8_t, 16>& octets) {
    if (texte.empty() || texte.size() > 45) return false;
    char c[46];
    std::memcpy(c, texte.data(), texte.size());
    c[texte.size()] = '\0';
    octets.fill(0);
    if (texte.find(':') == std::string_view::npos) {
        octets[10] = octets[11] = 0xFF;
        return inet_pton(AF_INET, c, octets.data() + 12) == 1;
    }
    return inet_pton(AF_INET6, c, octets.data()) == 1;
}

Filtre Filtre::lire(std::string_view expression) {
    Filtre f;
    f.texte_.assign(expression);
    if (std::all_of(expression.begin(), expression.end(), blanc)) return f;
    Lecteur lecteur(expression);
    f.arbre_ = std::make_shared<const Arbre>(lecteur.lire());
    return f;
}

Filtre Filtre::tous(const std::vector<std::string>& expressions) {
    std::string joint;
    for (const std::string& e : expressions) {
        const Filtre f = lire(e);
        if (f.vide()) continue;
        if (!joint.empty()) joint += ' ';
        const bool groupe = f.arbre_->racine.sorte == NoeudFiltre::Sorte::ou;
        joint += groupe ? "(" + e + ")" : e;
    }
    return lire(joint);
}

std::vector<std::string> Filtre::termes() const {
    std::vector<std::string> t;
    if (!arbre_) return t;
    for (const auto& [debut, fin] : arbre_->places) t.push_back(texte_.substr(debut, fin - debut));
    return t;
}

bool Filtre::demandePays() const {
    return arbre_ && std::any_of(arbre_->termes.begin(), arbre_->termes.end(),
                                 [](const auto& t) { return t.champ == ChampFiltre::pays; });
}

}  // namespace kestrane
