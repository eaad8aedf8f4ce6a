#include "core/journal/Erreur.h"

namespace kestrane {

void leverErreurEntier(std::string_view texte) {
    std::string m = "'";
    m.append(texte);
    m.append("' n'est pas une valeur enti\xE8re correcte");
    throw ErreurKestrane(m);
}

void leverErreurDate(std::string_view texte) {
    std::string m = "'";
    m.append(texte);
    m.append("' n'est pas une date correcte");
    throw ErreurKestrane(m);
}

void leverErreurFichier(std::string_view debut, const std::string& chemin,
                        const std::string& description) {
    std::string m(debut);
    m += '"';
    m += chemin;
    m += "\". ";
    m += description;
    throw ErreurFichier(m, std::string(debut), description);
}

namespace {

const char* const kDebordement =
    "D\xE9"
    "bordement d'entier";

}  // namespace

void leverDebordement() {
    throw ErreurKestrane(kDebordement);
}

ErreurDebordement::ErreurDebordement(std::size_t ligne)
    : ErreurKestrane(kDebordement), ligne_(ligne) {}

void leverDebordement(std::size_t ligne) {
    throw ErreurDebordement(ligne);
}

void leverErreurFil() {
    throw ErreurKestrane(
        "Impossible de cr\xE9"
        "er un fil d'ex\xE9"
        "cution");
}

}  // namespace kestrane
