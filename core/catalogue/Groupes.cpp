#include "core/catalogue/Groupes.h"

namespace kestrane::catalogue {

namespace {

constexpr std::string_view kBlancs = " \t\r\n\f\v";

std::string_view rogner(std::string_view texte) {
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
        d.nom = kNomInconnu;
        return d;
    }
    d.majeure = lireChamp(*modele, groupes, 1);
    d.nom = d.majeure.empty() ? d.famille : d.famille + ' ' + d.majeure;
    return d;
}

bool designeRobot(const ModeleUap* modele, const Groupes& groupes) {
    return modele && lireChamp(*modele, groupes, 0) == "Spider";
}

RobotPossible robotPossible(const ModeleUap& modele) {
    constexpr std::string_view kRobot = "Spider";
    const char* remplacement = modele.remplacements[0];
    // Without a replacement the name is group 1 as matched.
    if (!remplacement) return RobotPossible::siSpiderDansLAgent;
    const std::string_view modeleNom = remplacement;
    std::string lettres;  // the replacement's own letters, blanks aside
    bool groupe = false, groupesJoints = false, apresGroupe = false;
    for (std::size_t i = 0; i < modeleNom.size(); ++i) {
        const char c = modeleNom[i];
        if (c == '$' && i + 1 < modeleNom.size() && modeleNom[i + 1] >= '1' &&
            modeleNom[i + 1] <= '9') {
            groupesJoints = groupesJoints || apresGroupe;
            groupe = apresGroupe = true;
            ++i;
            continue;
        }
        apresGroupe = false;
        if (kBlancs.find(c) == std::string_view::npos) lettres += c;
    }
    if (!groupe)
        return rogner(modeleNom) == kRobot ? RobotPossible::peutEtre : RobotPossible::jamais;
    if (!lettres.empty()) {
        // Trimming takes blanks only: every letter of the replacement stays in the name, in its
        // order.
        std::size_t k = 0;
        for (const char c : kRobot) {
            if (k < lettres.size() && lettres[k] == c) ++k;
        }
        return k == lettres.size() ? RobotPossible::peutEtre : RobotPossible::jamais;
    }
    // Groups apart from one another by blanks: two of them with letters would leave a blank
    // inside the name, so one group holds the whole name.
    return groupesJoints ? RobotPossible::peutEtre : RobotPossible::siSpiderDansLAgent;
}

}  // namespace kestrane::catalogue
