// Build-time tool: turns the catalogue's regexes.yaml into the C++ source of ModelesUap.h.
//   generer_modeles regexes.yaml version sortie.cpp
// Refuses a key or a flag it does not know, so that a newer catalogue whose entries say more
// than this reader understands stops the build instead of being half read.
#include <re2/filtered_re2.h>
#include <re2/re2.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Liste {
    const char* cle;      // the list's key in the YAML file
    const char* tableau;  // the C++ array written for it
    // The replacement keys in the order of ModeleUap::remplacements.
    std::array<const char*, 5> remplacements;
    // Keys read and left aside (the device's brand and model).
    std::vector<std::string> ignorees;
};

const std::array<Liste, 3> kListes = {{
    {"user_agent_parsers",
     "kNavigateurs",
     {"family_replacement", "v1_replacement", "v2_replacement", "v3_replacement", "v4_replacement"},
     {}},
    {"os_parsers",
     "kSystemes",
     {"os_replacement", "os_v1_replacement", "os_v2_replacement", "os_v3_replacement",
      "os_v4_replacement"},
     {}},
    {"device_parsers",
     "kAppareils",
     {"device_replacement", nullptr, nullptr, nullptr, nullptr},
     {"brand_replacement", "model_replacement"}},
}};

// A C string literal for any bytes: octal escapes of three digits cannot swallow a digit that
// follows them, and the second '?' of a pair is escaped so that no trigraph warning is raised.
std::string litteral(const std::string& texte) {
    std::string sortie = "\"";
    unsigned char avant = 0;
    for (unsigned char c : texte) {
        if (c == '"' || c == '\\') {
            sortie += '\\';
            sortie += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F && !(c == '?' && avant == '?')) {
            sortie += static_cast<char>(c);
        } else {
            char octal[5];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            sortie += octal;
        }
        avant = c;
    }
    return sortie + '"';
}

std::string entree(const YAML::Node& noeud, const Liste& liste, std::size_t rang) {
    const std::string ou = std::string(liste.cle) + "[" + std::to_string(rang) + "]";
    if (!noeud.IsMap() || !noeud["regex"] || !noeud["regex"].IsScalar())
        throw std::runtime_error(ou + ": no regex");
    bool sansCasse = false;
    std::array<std::string, 5> remplacements;
    for (const auto& paire : noeud) {
        const std::string cle = paire.first.as<std::string>();
        if (!paire.second.IsScalar() && !paire.second.IsNull())
            throw std::runtime_error(ou + ": " + cle + " is not a text");
        const std::string valeur = paire.second.IsNull() ? "" : paire.second.as<std::string>();
        bool connue = cle == "regex";
        if (cle == "regex_flag") {
            if (valeur != "i") throw std::runtime_error(ou + ": unknown flag " + valeur);
            sansCasse = connue = true;
        }
        for (std::size_t i = 0; i < liste.remplacements.size(); ++i)
            if (liste.remplacements[i] && cle == liste.remplacements[i]) {
                remplacements[i] = valeur;
                connue = true;
            }
        for (const std::string& ignoree : liste.ignorees) connue = connue || cle == ignoree;
        if (!connue) throw std::runtime_error(ou + ": unknown key " + cle);
    }
    std::string ligne = "    {" + litteral(noeud["regex"].as<std::string>()) + ", " +
                        (sansCasse ? "true" : "false") + ", {";
    for (std::size_t i = 0; i < remplacements.size(); ++i) {
        if (i) ligne += ", ";
        // An empty replacement counts as none, as in the catalogue's reference readers.
        ligne += remplacements[i].empty() ? "nullptr" : litteral(remplacements[i]);
    }
    return ligne + "}},\n";
}

// Texts of at least this many bytes only: shorter ones are in too many agents to rule anything out.
constexpr int kLongueurAtome = 3;

// What an expression needs in an agent to match: one of its clauses, each a set of texts that
// must all be there (lowercase: the agent is lowercased before they are looked for). No clause:
// nothing is known, the entry is always tried.
using Clauses = std::vector<std::vector<std::string>>;

// The texts an expression needs, as RE2's prefilter finds them. The prefilter is an AND-OR tree
// that FilteredRE2 does not show; asked one expression at a time with some texts left out, it
// tells which texts are each needed alone (the tree is false without them), and a smallest set
// of the others without which it is false too.
Clauses clausesRe2(const std::string& expression, bool sansCasse) {
    re2::FilteredRE2 filtre(kLongueurAtome);
    RE2::Options options;
    // Bytes, as PCRE2 matches them (no UTF).
    options.set_encoding(RE2::Options::EncodingLatin1);
    options.set_case_sensitive(!sansCasse);
    options.set_log_errors(false);
    options.set_max_mem(256 << 20);
    int id = 0;
    // An expression RE2 does not take is simply always tried.
    if (filtre.Add(expression, options, &id) != RE2::NoError) return {};
    std::vector<std::string> atomes;
    filtre.Compile(&atomes);
    std::vector<int> tous(atomes.size());
    for (std::size_t k = 0; k < atomes.size(); ++k) tous[k] = static_cast<int>(k);
    const auto passe = [&](const std::vector<int>& presents) {
        std::vector<int> possibles;
        filtre.AllPotentials(presents, &possibles);
        return !possibles.empty();
    };
    if (atomes.empty() || passe({}) || !passe(tous)) return {};
    // Looked for as ASCII bytes, lowercased the same way as the agent.
    const auto ascii = [](const std::string& a) {
        return static_cast<int>(a.size()) >= kLongueurAtome &&
               std::all_of(a.begin(), a.end(), [](char c) {
                   return static_cast<unsigned char>(c) < 0x80 && !(c >= 'A' && c <= 'Z');
               });
    };
    // The clauses are "all the texts needed alone and one of that set": ") applewebkit" and one
    // of ";xolo", "; xolo", ";  xolo".
    const auto sauf = [&](const std::vector<bool>& retires) {
        std::vector<int> presents;
        for (std::size_t k = 0; k < atomes.size(); ++k)
            if (!retires[k]) presents.push_back(static_cast<int>(k));
        return presents;
    };
    std::vector<bool> requis(atomes.size(), false), unDe(atomes.size(), false);
    for (std::size_t k = 0; k < atomes.size(); ++k) {
        std::vector<bool> retires(atomes.size(), false);
        retires[k] = true;
        requis[k] = !passe(sauf(retires));
    }
    for (std::size_t k = 0; k < atomes.size(); ++k) unDe[k] = !requis[k];
    if (passe(sauf(unDe))) {
        unDe.assign(atomes.size(), false);
    } else {
        for (std::size_t k = 0; k < atomes.size(); ++k) {
            if (!unDe[k]) continue;
            unDe[k] = false;
            if (passe(sauf(unDe))) unDe[k] = true;
        }
    }
    std::vector<std::string> tousRequis;
    for (std::size_t k = 0; k < atomes.size(); ++k)
        if (requis[k] && ascii(atomes[k])) tousRequis.push_back(atomes[k]);
    Clauses c;
    bool unDeCherchable = false;
    for (std::size_t k = 0; k < atomes.size(); ++k) {
        if (!unDe[k]) continue;
        unDeCherchable = ascii(atomes[k]);
        if (!unDeCherchable) break;
    }
    if (unDeCherchable) {
        for (std::size_t k = 0; k < atomes.size(); ++k) {
            if (!unDe[k]) continue;
            c.push_back(tousRequis);
            c.back().push_back(atomes[k]);
        }
    } else if (!tousRequis.empty()) {
        c.push_back(tousRequis);
    }
    return c;
}

// The expression as alternatives whose matches together are its matches: its top-level '|'
// split, then each plain group "(...)" or "(?:...)" at top level, not repeated, split on its own
// '|'. RE2 factors the common start of a group's alternatives out ("WIRE|Wotbox" becomes
// "W(?:IRE|otbox)") and its prefilter then keeps only "ire" of "WIRE": one alternative at a time,
// it keeps "wire". Groups other than plain ones (look-arounds, options) are left whole.
std::vector<std::string> variantes(const std::string& e, std::size_t limite = 2000) {
    std::vector<std::size_t> barres;  // top-level '|'
    struct Groupe {
        std::size_t debut, fin;           // '(' and ')'
        std::vector<std::size_t> barres;  // its own '|'
    };
    std::vector<Groupe> groupes;  // top-level groups
    std::vector<std::size_t> ouverts;
    for (std::size_t i = 0; i < e.size(); ++i) {
        const char c = e[i];
        if (c == '\\') {
            if (i + 1 < e.size() && e[i + 1] == 'Q') return {e};
            ++i;
        } else if (c == '[') {
            std::size_t j = i + 1;
            if (j < e.size() && e[j] == '^') ++j;
            if (j < e.size() && e[j] == ']') ++j;
            for (; j < e.size() && e[j] != ']'; ++j) {
                if (e[j] == '\\') {
                    ++j;
                } else if (e[j] == '[' && j + 1 < e.size() && e[j + 1] == ':') {
                    const std::size_t f = e.find(":]", j + 2);
                    if (f != std::string::npos) j = f + 1;
                }
            }
            if (j >= e.size()) return {e};
            i = j;
        } else if (c == '(') {
            if (ouverts.empty()) groupes.push_back({i, std::string::npos, {}});
            ouverts.push_back(i);
        } else if (c == ')') {
            if (ouverts.empty()) return {e};
            ouverts.pop_back();
            if (ouverts.empty()) groupes.back().fin = i;
        } else if (c == '|') {
            if (ouverts.empty()) {
                barres.push_back(i);
            } else if (ouverts.size() == 1) {
                groupes.back().barres.push_back(i);
            }
        }
    }
    if (!ouverts.empty()) return {e};
    std::vector<std::string> resultat;
    const auto ajouter = [&](const std::string& variante) {
        for (std::string& v : variantes(variante, limite)) resultat.push_back(std::move(v));
        if (resultat.size() > limite) throw std::length_error("variantes");
    };
    try {
        if (!barres.empty()) {
            std::size_t debut = 0;
            for (const std::size_t b : barres) {
                ajouter(e.substr(debut, b - debut));
                debut = b + 1;
            }
            ajouter(e.substr(debut));
            return resultat;
        }
        for (const Groupe& g : groupes) {
            if (g.barres.empty()) continue;
            const std::size_t contenu =
                e.compare(g.debut, 3, "(?:") == 0 ? g.debut + 3 : g.debut + 1;
            if (contenu == g.debut + 1 && e.compare(g.debut, 2, "(?") == 0) continue;
            if (g.fin + 1 < e.size() &&
                std::string_view("*+?{").find(e[g.fin + 1]) != std::string_view::npos)
                continue;
            std::size_t debut = contenu;
            const std::string avant = e.substr(0, contenu), apres = e.substr(g.fin);
            for (const std::size_t b : g.barres) {
                ajouter(avant + e.substr(debut, b - debut) + apres);
                debut = b + 1;
            }
            ajouter(avant + e.substr(debut, g.fin - debut) + apres);
            return resultat;
        }
    } catch (const std::length_error&) {
        return {e};
    }
    return {e};
}

// An entry's clauses: those of its alternatives together; none when one alternative has none.
Clauses clauses(const std::string& expression, bool sansCasse) {
    Clauses toutes;
    for (const std::string& v : variantes(expression)) {
        Clauses c = clausesRe2(v, sansCasse);
        if (c.empty()) return {};
        for (std::vector<std::string>& clause : c) {
            std::sort(clause.begin(), clause.end());
            if (std::find(toutes.begin(), toutes.end(), clause) == toutes.end())
                toutes.push_back(std::move(clause));
        }
    }
    return toutes;
}

// The list's conditions as four arrays: the texts, the numbers of each clause's texts, the
// clauses, and per entry its first clause and how many it has.
std::string filtre(const YAML::Node& noeud, const Liste& liste) {
    std::map<std::string, std::size_t> numeros;
    std::vector<std::string> atomes;
    std::vector<std::size_t> indices;
    std::ostringstream listeClauses, conditions;
    std::size_t nbClauses = 0, filtrees = 0;
    const auto numero = [&](const std::string& a) {
        const auto [it, nouveau] = numeros.emplace(a, atomes.size());
        if (nouveau) atomes.push_back(a);
        return it->second;
    };
    for (std::size_t i = 0; i < noeud.size(); ++i) {
        const bool sansCasse = noeud[i]["regex_flag"].IsDefined();
        const Clauses c = clauses(noeud[i]["regex"].as<std::string>(), sansCasse);
        conditions << "    {" << nbClauses << ", " << c.size() << "},\n";
        for (const std::vector<std::string>& clause : c) {
            listeClauses << "    {" << indices.size() << ", " << clause.size() << "},\n";
            for (const std::string& a : clause) indices.push_back(numero(a));
        }
        nbClauses += c.size();
        filtrees += !c.empty();
    }
    if (atomes.size() > UINT16_MAX || indices.size() > UINT32_MAX)
        throw std::runtime_error(std::string(liste.cle) + ": too many texts to look for");
    const std::string nom = std::string(liste.tableau).substr(1);
    std::ostringstream sortie;
    sortie << "// " << filtrees << " of " << noeud.size() << " entries need texts.\n"
           << "constexpr std::array<const char*, " << atomes.size() << "> kAtomes" << nom
           << " = {\n";
    for (const std::string& a : atomes) sortie << "    " << litteral(a) << ",\n";
    sortie << "};\n\nconstexpr std::array<uint16_t, " << indices.size() << "> kIndices" << nom
           << " = {";
    for (std::size_t k = 0; k < indices.size(); ++k)
        sortie << (k % 16 == 0 ? "\n    " : " ") << indices[k] << ",";
    sortie << "\n};\n\nconstexpr std::array<ClauseUap, " << nbClauses << "> kClauses" << nom
           << " = {{\n"
           << listeClauses.str() << "}};\n\nconstexpr ConditionUap kConditions" << nom << "[] = {\n"
           << conditions.str() << "};\n\n";
    return sortie.str();
}

std::string source(const YAML::Node& racine, const std::string& version) {
    std::ostringstream sortie;
    sortie << "// Generated by generer_modeles from regexes.yaml (uap-core " << version
           << "): do not edit.\n"
           << "#include \"core/catalogue/ModelesUap.h\"\n\n#include <array>\n\n"
           << "namespace kestrane::catalogue {\nnamespace {\n\n";
    std::size_t listesLues = 0;
    for (const Liste& liste : kListes) {
        const YAML::Node noeud = racine[liste.cle];
        if (!noeud || !noeud.IsSequence() || noeud.size() == 0)
            throw std::runtime_error(std::string("no list ") + liste.cle);
        ++listesLues;
        sortie << "constexpr ModeleUap " << liste.tableau << "[] = {\n";
        for (std::size_t i = 0; i < noeud.size(); ++i) sortie << entree(noeud[i], liste, i);
        sortie << "};\n\n" << filtre(noeud, liste);
    }
    if (racine.size() != listesLues) throw std::runtime_error("unknown top-level key");
    sortie << "}  // namespace\n\n";
    for (const Liste& liste : kListes) {
        std::string nom = liste.tableau;
        sortie << "const std::span<const ModeleUap> kModeles" << nom.substr(1) << "("
               << liste.tableau << ");\n";
        sortie << "const FiltreUap kFiltre" << nom.substr(1) << "{kAtomes" << nom.substr(1)
               << ", kIndices" << nom.substr(1) << ", kClauses" << nom.substr(1) << ", kConditions"
               << nom.substr(1) << "};\n";
    }
    sortie << "const char* const kVersionModeles = " << litteral(version) << ";\n\n"
           << "}  // namespace kestrane::catalogue\n";
    return sortie.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: generer_modeles regexes.yaml version output.cpp\n";
        return 2;
    }
    try {
        const std::string texte = source(YAML::LoadFile(argv[1]), argv[2]);
        // Written whole to a temporary file, then renamed: a failed run leaves no half source.
        const std::string temporaire = std::string(argv[3]) + ".tmp";
        std::ofstream fichier(temporaire, std::ios::binary);
        fichier << texte;
        fichier.close();
        if (!fichier || std::rename(temporaire.c_str(), argv[3]) != 0)
            throw std::runtime_error(std::string("cannot write ") + argv[3]);
    } catch (const std::exception& e) {
        std::cerr << "generer_modeles: " << argv[1] << ": " << e.what() << '\n';
        return 1;
    }
    return 0;
}
