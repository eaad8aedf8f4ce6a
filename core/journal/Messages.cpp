#include "core/journal/Messages.h"

namespace kestrane {

std::string texteNonDossier(const std::string& chemin) {
    return '"' + chemin + "\" n'est pas un dossier";
}

std::string noteJournauxEcartes(std::size_t n) {
    return n < 2 ? std::to_string(n) + " journal nomm\xE9 plusieurs fois, lu une seule fois"
                 : std::to_string(n) + " journaux nomm\xE9s plusieurs fois, lus une seule fois";
}

std::string texteMemoireDepassee(bool decompresse, const std::string& plafond) {
    return std::string(decompresse ? "Le journal d\xE9"
                                     "compress\xE9"
                                   : "Le journal") +
           " d\xE9passe la m\xE9moire disponible (" + plafond + ")";
}

std::string texteEntierIncorrect(std::string_view citation) {
    return std::string(citation).append(" n'est pas une valeur enti\xE8re correcte");
}

std::string texteOctetsIncorrects(std::string_view citation) {
    return std::string(citation).append(" n'est pas un nombre d'octets correct");
}

std::string texteDateIncorrecte(std::string_view citation) {
    return std::string(citation).append(" n'est pas une date correcte");
}

std::string texteHeureIncorrecte(std::string_view citation) {
    return std::string(citation).append(" n'est pas une heure correcte");
}

std::string texteCaracteres(const std::string& nombre) {
    return " (" + nombre + " caract\xE8res)";
}

std::string texteEnPosition(std::size_t position) {
    return " en position " + std::to_string(position + 1);
}

std::string texteEnTrop(std::size_t position, std::string_view citation) {
    return "Texte en trop" + texteEnPosition(position) + " : " + std::string(citation);
}

std::string texteAttendu(std::string_view citation) {
    return std::string(citation) + " attendu";
}

std::string texteIntrouvableApres(std::string_view citation, std::size_t position) {
    return std::string(citation) + " introuvable apr\xE8s la position " +
           std::to_string(position + 1);
}

std::string texteBlancInattendu(std::string_view champ) {
    return "Blanc inattendu dans " + std::string(champ);
}

std::string texteChampVide(std::string_view champ) {
    return "Champ " + std::string(champ) + " vide";
}

std::string texteLigneTropLongue(std::size_t mio) {
    return "Ligne de plus de " + std::to_string(mio) + " Mio";
}

std::string texteValeursPourColonnes(std::size_t valeurs, std::size_t colonnes) {
    return std::to_string(valeurs) + " valeurs pour " + std::to_string(colonnes) +
           " colonnes de #Fields:";
}

std::string texteFormatIncorrect(std::string_view quoi) {
    return std::string("Format de journal incorrect : ").append(quoi);
}

std::string textePosition(std::size_t position) {
    return " (position " + std::to_string(position + 1) + ")";
}

std::string texteTempsReponse(const std::string& moyen, const std::string& centile95) {
    return " ; temps de r\xE9ponse moyen " + moyen + " ms, 95e centile " + centile95 + " ms";
}

std::string texteTranche(int debut, int fin) {
    std::string s;
    const auto deuxChiffres = [&s](int v) {
        if (v < 10) s += '0';
        s += std::to_string(v);
    };
    deuxChiffres(debut);
    s += " \xE0 ";
    deuxChiffres(fin);
    return s;
}

std::string texteRapportDeJournaux(std::size_t n) {
    return "Rapport d'analyse de " + std::to_string(n) + " journaux : ";
}

std::string textePeriodeDuAu(const std::string& debut, const std::string& fin) {
    return " du " + debut + " au " + fin;
}

std::string texteVoirTout(std::size_t lignes) {
    return "voir tout (" + std::to_string(lignes) + " lignes)";
}

std::string texteMiseAJour(const std::string& jour, const std::string& heure, int secondes) {
    return "Mis \xE0 jour le " + jour + " \xE0 " + heure + " \x97 toutes les " +
           (secondes > 1 ? std::to_string(secondes) + " secondes" : std::string("secondes"));
}

}  // namespace kestrane

namespace kestrane {

std::string texteFiltreIncorrect(std::size_t position, std::string_view raison,
                                 std::string_view citation) {
    std::string t = kFiltreIncorrect + std::to_string(position) + " : ";
    t += raison;
    if (!citation.empty()) {
        t += " \xAB ";
        t += citation;
        t += " \xBB";
    }
    return t;
}

}  // namespace kestrane
