#include "cli/MessagesCommande.h"

namespace kestrane {

std::string texteRenvoiAide(std::string_view programme) {
    return " (" + std::string(programme) + " --help pour l'aide)";
}

std::string texteEntreGuillemets(std::string_view texte) {
    return "\u00ab " + std::string(texte) + " \u00bb";
}

std::string textePeriodeIncorrecte(std::string_view periode) {
    return "p\u00e9riode incorrecte " + texteEntreGuillemets(periode) +
           " (attendu : AAAA-MM-JJ[THH:MM]..AAAA-MM-JJ[THH:MM])";
}

std::string texteOptionInconnue(std::string_view option) {
    return "option inconnue " + texteEntreGuillemets(option);
}

std::string texteOptionIncorrecte(std::string_view option, std::string_view valeur) {
    return "valeur incorrecte " + texteEntreGuillemets(valeur) + " pour " + std::string(option);
}

std::string texteAucuneLigneConforme(std::size_t ignorees) {
    return "aucune ligne conforme sur " + std::to_string(ignorees) + " : format non reconnu ?";
}

std::string texteALaLigne(std::size_t ligne, const std::string& message) {
    return "ligne " + std::to_string(ligne) + " : " + message;
}

}  // namespace kestrane
