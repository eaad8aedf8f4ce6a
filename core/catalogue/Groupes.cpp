#include "core/catalogue/Groupes.h"

namespace kestrane::catalogue {

namespace {

std::string_view rogner(std::string_view texte) {
    constexpr std::string_view kBlancs = " \t\r\n\f\v";
    const std::size_t debut = texte.find_first_not_of(kBlancs);
    if (debut == std::string_view::npos) return {};
    return texte.substr(debut, texte.find_last_not_of(kBlancs) - debut + 1);
}

}  // namespace

std::string remplacer(std::string_view modele, const Groupes& groupes) {
    std::string sortie;
    sortie.reserve(modele.size() + 16);
    for (std::size_t i = 0; i < modele.size(); ++i) {
        if (modele[i] == '$' && i + 1 < modele.size() && modele[i + 1] >= '1' &&
            modele[i + 1] <= '9') {
            sortie += groupes[modele[i + 1] - '0'];
            ++i;
        } else {
            sortie += modele[i];
        }
    }
    return std::string(rogner(sortie));
}

std::string lireChamp(const ModeleUap& modele, const Groupes& groupes, int rang) {
    if (const char* remplacement = modele.remplacements[rang])
        return remplacer(remplacement, groupes);
    return std::string(groupes[rang + 1]);
}

Designation designer(const ModeleUap* modele, const Groupes& groupes) {
    Designation d;
    if (modele) d.famille = lireChamp(*modele, groupes, 0);
    if (d.famille.empty()) {
        d.famille = kFamilleAutre;
        d.nom = kNomAutre;
        return d;
    }
    d.majeure = lireChamp(*modele, groupes, 1);
    d.nom = d.majeure.empty() ? d.famille : d.famille + ' ' + d.majeure;
    return d;
}

bool designeRobot(const ModeleUap* modele, const Groupes& groupes) {
    return modele && lireChamp(*modele, groupes, 0) == "Spider";
}

}  // namespace kestrane::catalogue
