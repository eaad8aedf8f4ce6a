// The terms of the tables' entries (Filtre.h): a window's drill-down into a filter term.
#include <cstdio>
#include <string>
#include <vector>

#include "core/analyse/Filtre.h"
#include "core/journal/Calendrier.h"

namespace kestrane {

std::string valeurDeTerme(std::string_view valeur) {
    const bool motif = valeur.find('*') != std::string_view::npos ||
                       (!valeur.empty() && (valeur[0] == '=' || valeur[0] == '~'));
    bool guillemets = valeur.empty();
    for (const char c : valeur) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '(' || c == ')' || c == '|' ||
            c == '"') {
            guillemets = true;
        }
    }
    std::string t = motif ? "=" : "";
    if (!guillemets) return t.append(valeur);
    t += '"';
    for (const char c : valeur) {
        if (c == '"' || c == '\\') t += '\\';
        t += c;
    }
    t += '"';
    return t;
}

namespace {

// The numbers of a label in order ("08 à 09" gives 8 and 9), at most `n`.
std::vector<int64_t> nombresDe(std::string_view t, std::size_t n) {
    std::vector<int64_t> v;
    for (std::size_t k = 0; k < t.size() && v.size() < n;) {
        if (t[k] < '0' || t[k] > '9') {
            ++k;
            continue;
        }
        int64_t x = 0;
        std::size_t chiffres = 0;
        for (; k < t.size() && t[k] >= '0' && t[k] <= '9'; ++k, ++chiffres) {
            if (chiffres < 9) x = x * 10 + (t[k] - '0');
        }
        v.push_back(x);
    }
    return v;
}

std::string termeJour(std::string_view libelle) {
    int64_t a, m, j;
    if (libelle.size() == 10 && libelle[4] == '-' && libelle[7] == '-') {
        a = lireChiffres(libelle, 0, 4), m = lireChiffres(libelle, 5, 2),
        j = lireChiffres(libelle, 8, 2);
    } else if (libelle.size() == 10 && libelle[2] == '/' && libelle[5] == '/') {
        j = lireChiffres(libelle, 0, 2), m = lireChiffres(libelle, 3, 2),
        a = lireChiffres(libelle, 6, 4);
    } else {
        return {};
    }
    if (a < 1 || m < 0 || j < 0 ||
        !dateReelle(static_cast<int32_t>(a), static_cast<int32_t>(m), static_cast<int32_t>(j))) {
        return {};
    }
    char texte[16];
    std::snprintf(texte, sizeof texte, "%04d-%02d-%02d", static_cast<int>(a), static_cast<int>(m),
                  static_cast<int>(j));
    return std::string("jour:") + texte;
}

std::string termeHeure(std::string_view libelle) {
    const std::vector<int64_t> n = nombresDe(libelle, 2);
    if (n.empty() || n[0] > 23) return {};
    const int64_t fin = n.size() == 2 ? n[1] - 1 : n[0];
    if (fin <= n[0] || fin > 23) return "heure:" + std::to_string(n[0]);
    return "heure:" + std::to_string(n[0]) + ".." + std::to_string(fin);
}

}  // namespace

std::string termePourEntree(SorteEntree sorte, std::string_view libelle, bool exclure) {
    std::string terme;
    const auto texte = [&](const char* champ) { return champ + valeurDeTerme(libelle); };
    switch (sorte) {
        case SorteEntree::adresse:
            terme = texte("ip:");
            break;
        case SorteEntree::systeme:
            terme = texte("systeme:");
            break;
        case SorteEntree::navigateur:
            terme = texte("navigateur:");
            break;
        case SorteEntree::robot:
            terme = texte("robot:");
            break;
        case SorteEntree::provenance:
            terme = texte("provenance:");
            break;
        case SorteEntree::fichier:
            terme = texte("chemin:");
            break;
        case SorteEntree::statut:
            terme = texte("statut:");
            break;
        case SorteEntree::jour:
            terme = termeJour(libelle);
            break;
        case SorteEntree::heure:
            terme = termeHeure(libelle);
            break;
        case SorteEntree::pays:
            terme = texte("pays:");
            break;
        case SorteEntree::hote:
            terme = texte("hote:");
            break;
        case SorteEntree::site:
            terme = texte("site:");
            break;
        case SorteEntree::recherche:
            terme = texte("recherche:");
            break;
    }
    if (terme.empty() || !exclure) return terme;
    return "-" + terme;
}

}  // namespace kestrane
