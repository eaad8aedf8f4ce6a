#include "cli/MessagesCommande.h"

#include "core/journal/Texte.h"

namespace kestrane {

std::string texteRenvoiAide(std::string_view programme) {
    return remplir(TexteU(" ({} --help pour l'aide)"), {programme});
}

std::string texteEntreGuillemets(std::string_view texte) {
    return remplir(TexteU("\u00ab {} \u00bb"), {texte});
}

std::string textePeriodeIncorrecte(std::string_view periode) {
    return remplir(
        TexteU("p\u00e9riode incorrecte {} (attendu : AAAA-MM-JJ[THH:MM]..AAAA-MM-JJ[THH:MM])"),
        {texteEntreGuillemets(periode)});
}

std::string texteOptionInconnue(std::string_view option) {
    return remplir(TexteU("option inconnue {}"), {texteEntreGuillemets(option)});
}

std::string texteOptionIncorrecte(std::string_view option, std::string_view valeur) {
    return remplir(TexteU("valeur incorrecte {} pour {}"), {texteEntreGuillemets(valeur), option});
}

std::string texteAucuneLigneConforme(std::size_t ignorees) {
    return remplir(TexteU("aucune ligne conforme sur {} : format non reconnu ?"),
                   {std::to_string(ignorees)});
}

std::string texteALaLigne(std::size_t ligne, const std::string& message) {
    return remplir(TexteU("ligne {} : {}"), {std::to_string(ligne), message});
}

std::string texteSuivreSans(std::string_view option) {
    return remplir(TexteU("--suivre ne va pas avec {}"), {option});
}

std::string texteSuivreCompresse(std::string_view chemin) {
    return remplir(TexteU("{} est compress\u00e9 : --suivre suit un journal en clair"),
                   {texteEntreGuillemets(chemin)});
}

std::string texteAjoutBase(std::size_t lignes, std::size_t fichiers, const std::string& serveur) {
    const auto n = static_cast<int64_t>(lignes);
    const std::string debut =
        remplir(pluriel("{} ligne ajout\u00e9e \u00e0 la base pour le serveur {}",
                        "{} lignes ajout\u00e9es \u00e0 la base pour le serveur {}", lignes, false),
                {utf8Depuis1252(nombreFrancais(n)), texteEntreGuillemets(serveur)});
    return debut + remplir(pluriel(" ({} fichier)", " ({} fichiers)", fichiers, false),
                           {std::to_string(fichiers)});
}

}  // namespace kestrane
