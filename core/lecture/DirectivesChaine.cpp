// The directives of Apache LogFormat strings and the variables of nginx log_format strings,
// each into the pieces of a template.
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

namespace kestrane::chaine {

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
        leverFormatIncorrect(kDirectiveIncomplete + s.substr(debut) + textePosition(o));
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
            leverFormatIncorrect(kNomManquantAccolades + ecrit + textePosition(o));
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
                leverFormatIncorrect(kUniteInconnue + ecrit + textePosition(o));
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
            leverFormatIncorrect(kDirectiveInconnue + ecrit + textePosition(o));
    }
}

namespace {

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

}  // namespace

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
    if (nom.empty()) leverFormatIncorrect(kNomVariableManquant + textePosition(o));
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

}  // namespace kestrane::chaine
