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
    m.append("\x85'");
    m.append(texteCaracteres(nombreFrancais(static_cast<int64_t>(texte.size()))));
    return m;
}

void leverErreurEntier(std::string_view texte) {
    throw ErreurKestrane(texteEntierIncorrect(citerChamp(texte)));
}

void leverErreurDate(std::string_view texte) {
    throw ErreurKestrane(texteDateIncorrecte(citerChamp(texte)));
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

std::string descriptionSysteme(int err) {
    switch (err) {
        case ENOENT:
            return std::string(kIntrouvable);
        case EACCES:
        case EPERM:
            return std::string(kDroitsInsuffisants);
        case ENOTDIR:
            return std::string(kPasDossier);
        case EISDIR:
            return std::string(kEstUnDossier);
        case ENOSPC:
            return std::string(kDisquePlein);
        case EDQUOT:
            return std::string(kQuotaAtteint);
        case EROFS:
            return std::string(kLectureSeule);
        case ELOOP:
            return std::string(kTropDeLiens);
        case ENAMETOOLONG:
            return std::string(kNomTropLong);
        case EFBIG:
            return std::string(kFichierTropGros);
        case EMFILE:
        case ENFILE:
            return std::string(kTropDeFichiersOuverts);
        default:
            return std::strerror(err);
    }
}

ErreurAnnulation::ErreurAnnulation() : ErreurKestrane(kChargementAnnule) {}

void leverDebordement() {
    throw ErreurKestrane(kDebordementEntier);
}

ErreurDebordement::ErreurDebordement(std::size_t ligne)
    : ErreurKestrane(kDebordementEntier), ligne_(ligne) {}

void leverDebordement(std::size_t ligne) {
    throw ErreurDebordement(ligne);
}

void leverErreurFil() {
    throw ErreurKestrane(kFilImpossible);
}

}  // namespace kestrane
