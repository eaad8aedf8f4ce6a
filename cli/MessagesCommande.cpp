#include "cli/MessagesCommande.h"

#include "core/journal/Texte.h"

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

std::string texteSuivreSans(std::string_view option) {
    return "--suivre ne va pas avec " + std::string(option);
}

std::string texteSuivreCompresse(std::string_view chemin) {
    return texteEntreGuillemets(chemin) + " est compress\u00e9 : --suivre suit un journal en clair";
}

std::string texteAjoutBase(std::size_t lignes, std::size_t fichiers, const std::string& serveur) {
    const auto n = static_cast<int64_t>(lignes);
    return utf8Depuis1252(nombreFrancais(n)) +
           (lignes > 1 ? " lignes ajout\u00e9es" : " ligne ajout\u00e9e") +
           " \u00e0 la base pour le serveur " + texteEntreGuillemets(serveur) + " (" +
           std::to_string(fichiers) + (fichiers > 1 ? " fichiers)" : " fichier)");
}

}  // namespace kestrane
