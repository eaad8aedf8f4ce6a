#include "core/journal/Erreur.h"

#include <cerrno>
#include <cstring>

#include "core/journal/Texte.h"

namespace kestrane {

std::string citerChamp(std::string_view texte) {
    std::string m = "'";
    if (texte.size() <= kCitationMax) {
        m.append(texte);
        m += '\'';
        return m;
    }
    m.append(texte.substr(0, kCitationMax));
    m.append("\x85' (");
    m.append(nombreFrancais(static_cast<int64_t>(texte.size())));
    m.append(" caract\xE8res)");
    return m;
}

void leverErreurEntier(std::string_view texte) {
    throw ErreurKestrane(citerChamp(texte).append(" n'est pas une valeur enti\xE8re correcte"));
}

void leverErreurDate(std::string_view texte) {
    throw ErreurKestrane(citerChamp(texte).append(" n'est pas une date correcte"));
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

std::string descriptionSysteme(int err) {
    // Without accents: the window and the command line read a description in the system's
    // encoding, which is also that of the paths some descriptions quote.
    switch (err) {
        case ENOENT:
            return "Fichier ou dossier introuvable";
        case EACCES:
        case EPERM:
            return "Droits insuffisants";
        case ENOTDIR:
            return kPasDossier;
        case EISDIR:
            return "C'est un dossier";
        case ENOSPC:
            return "Plus de place sur le disque";
        case EDQUOT:
            return "Quota de disque atteint";
        case EROFS:
            return "Volume en lecture seule";
        case ELOOP:
            return "Trop de liens symboliques";
        case ENAMETOOLONG:
            return "Nom de fichier trop long";
        case EFBIG:
            return "Fichier trop gros";
        case EMFILE:
        case ENFILE:
            return "Trop de fichiers ouverts";
        default:
            return std::strerror(err);
    }
}

ErreurAnnulation::ErreurAnnulation() : ErreurKestrane("Chargement annul\xE9") {}

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
