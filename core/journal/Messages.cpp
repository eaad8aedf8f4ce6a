#include "core/journal/Messages.h"

namespace kestrane {

namespace {
std::string nombre(std::size_t n) {
    return std::to_string(n);
}
}  // namespace

std::string texteNonDossier(const std::string& chemin) {
    return remplir(Texte("\"{}\" n'est pas un dossier"), {chemin});
}

std::string noteJournauxEcartes(std::size_t n) {
    return remplir(pluriel("{} journal nomm\xE9 plusieurs fois, lu une seule fois",
                           "{} journaux nomm\xE9s plusieurs fois, lus une seule fois", n),
                   {nombre(n)});
}

std::string texteMemoireDepassee(bool decompresse, const std::string& plafond) {
    return remplir(decompresse ? Texte("Le journal d\xE9"
                                       "compress\xE9 d\xE9passe la m\xE9moire disponible ({})")
                               : Texte("Le journal d\xE9passe la m\xE9moire disponible ({})"),
                   {plafond});
}

std::string texteEntierIncorrect(std::string_view citation) {
    return remplir(Texte("{} n'est pas une valeur enti\xE8re correcte"), {citation});
}

std::string texteOctetsIncorrects(std::string_view citation) {
    return remplir(Texte("{} n'est pas un nombre d'octets correct"), {citation});
}

std::string texteDateIncorrecte(std::string_view citation) {
    return remplir(Texte("{} n'est pas une date correcte"), {citation});
}

std::string texteHeureIncorrecte(std::string_view citation) {
    return remplir(Texte("{} n'est pas une heure correcte"), {citation});
}

std::string texteCaracteres(const std::string& nombre) {
    return remplir(Texte(" ({} caract\xE8res)"), {nombre});
}

std::string texteEnPosition(std::size_t position) {
    return remplir(Texte(" en position {}"), {nombre(position + 1)});
}

std::string texteEnTrop(std::size_t position, std::string_view citation) {
    return remplir(Texte("Texte en trop{} : {}"), {texteEnPosition(position), citation});
}

std::string texteAttendu(std::string_view citation) {
    return remplir(Texte("{} attendu"), {citation});
}

std::string texteIntrouvableApres(std::string_view citation, std::size_t position) {
    return remplir(Texte("{} introuvable apr\xE8s la position {}"),
                   {citation, nombre(position + 1)});
}

std::string texteBlancInattendu(std::string_view champ) {
    return remplir(Texte("Blanc inattendu dans {}"), {champ});
}

std::string texteChampVide(std::string_view champ) {
    return remplir(Texte("Champ {} vide"), {champ});
}

std::string texteLigneTropLongue(std::size_t mio) {
    return remplir(Texte("Ligne de plus de {} Mio"), {nombre(mio)});
}

std::string texteValeursPourColonnes(std::size_t valeurs, std::size_t colonnes) {
    return remplir(Texte("{} valeurs pour {} colonnes de #Fields:"),
                   {nombre(valeurs), nombre(colonnes)});
}

std::string texteFormatIncorrect(std::string_view quoi) {
    return remplir(Texte("Format de journal incorrect : {}"), {quoi});
}

std::string textePosition(std::size_t position) {
    return remplir(Texte(" (position {})"), {nombre(position + 1)});
}

std::string texteTempsReponse(const std::string& moyen, const std::string& centile95) {
    return remplir(Texte(" ; temps de r\xE9ponse moyen {} ms, 95e centile {} ms"),
                   {moyen, centile95});
}

std::string texteTranche(int debut, int fin) {
    const auto deuxChiffres = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return remplir(Texte("{} \xE0 {}"), {deuxChiffres(debut), deuxChiffres(fin)});
}

std::string texteRapportDeJournaux(std::size_t n) {
    return remplir(Texte("Rapport d'analyse de {} journaux : "), {nombre(n)});
}

std::string textePeriodeDuAu(const std::string& debut, const std::string& fin) {
    return remplir(Texte(" du {} au {}"), {debut, fin});
}

std::string texteVoirTout(std::size_t lignes) {
    return remplir(Texte("voir tout ({} lignes)"), {nombre(lignes)});
}

std::string texteMiseAJour(const std::string& jour, const std::string& heure, int secondes) {
    const auto n = static_cast<std::size_t>(secondes < 0 ? 0 : secondes);
    return remplir(Texte("Mis \xE0 jour le {} \xE0 {} \x97 toutes les {}"),
                   {jour, heure, remplir(pluriel("secondes", "{} secondes", n), {nombre(n)})});
}

std::string texteFiltreIncorrect(std::size_t position, std::string_view raison,
                                 std::string_view citation) {
    if (citation.empty()) {
        return remplir(Texte("Filtre incorrect en position {} : {}"), {nombre(position), raison});
    }
    return remplir(Texte("Filtre incorrect en position {} : {} \xAB {} \xBB"),
                   {nombre(position), raison, citation});
}

}  // namespace kestrane
