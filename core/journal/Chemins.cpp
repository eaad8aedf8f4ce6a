#include "core/journal/Chemins.h"

#include <unistd.h>

#include <cerrno>
#include <climits>

#include "core/journal/Erreur.h"

namespace kestrane {

std::optional<IdentiteFichier> identiteFichier(const std::string& chemin) {
    struct stat st {};
    if (::stat(chemin.c_str(), &st) != 0) return std::nullopt;
    return IdentiteFichier{st.st_dev, st.st_ino};
}

std::optional<IdentiteFichier> identiteEntree(const std::string& chemin) {
    if (chemin != "-") return identiteFichier(chemin);
    struct stat st {};
    if (::fstat(STDIN_FILENO, &st) != 0) return std::nullopt;
    return IdentiteFichier{st.st_dev, st.st_ino};
}

std::optional<std::size_t> entreeRemplacee(const std::string& sortie,
                                           const std::vector<std::string>& entrees) {
    const auto cible = identiteFichier(sortie);
    if (!cible) return std::nullopt;
    for (std::size_t k = 0; k < entrees.size(); ++k) {
        if (identiteEntree(entrees[k]) == cible) return k;
    }
    return std::nullopt;
}

std::vector<std::string> sansDoublons(const std::vector<std::string>& chemins,
                                      std::vector<std::size_t>* ecartes) {
    std::vector<std::string> gardes;
    std::vector<IdentiteFichier> vus;
    for (std::size_t k = 0; k < chemins.size(); ++k) {
        const auto id = identiteEntree(chemins[k]);
        if (id) {
            bool vu = false;
            for (const IdentiteFichier& v : vus) vu = vu || v == *id;
            if (vu) {
                if (ecartes) ecartes->push_back(k);
                continue;
            }
            vus.push_back(*id);
        }
        gardes.push_back(chemins[k]);
    }
    return gardes;
}

bool lienSuivable(const struct stat& dossier, const struct stat& lien, uid_t suiveur) {
    const bool commun = S_ISDIR(dossier.st_mode) && (dossier.st_mode & S_ISVTX) != 0 &&
                        (dossier.st_mode & S_IWOTH) != 0;
    return !commun || lien.st_uid == suiveur || lien.st_uid == dossier.st_uid;
}

std::string dossierDe(const std::string& chemin) {
    const std::size_t p = chemin.find_last_of('/');
    return p == std::string::npos ? "." : p == 0 ? "/" : chemin.substr(0, p);
}

std::string nomDe(const std::string& chemin) {
    const std::size_t p = chemin.find_last_of('/');
    return p == std::string::npos ? chemin : chemin.substr(p + 1);
}

std::string cibleSuivie(const std::string& chemin, std::string_view debut) {
    char tampon[PATH_MAX];
    std::string cible = chemin;
    // The kernel's limit of links followed in one path.
    for (int sauts = 0; sauts <= 40; ++sauts) {
        struct stat lien {};
        if (::lstat(cible.c_str(), &lien) != 0 || !S_ISLNK(lien.st_mode)) return cible;
        struct stat dossier {};
        if (::stat(dossierDe(cible).c_str(), &dossier) == 0 &&
            !lienSuivable(dossier, lien, ::geteuid())) {
            leverErreurFichier(debut, chemin, std::string(kLienRefuse));
        }
        const ssize_t n = ::readlink(cible.c_str(), tampon, sizeof tampon - 1);
        if (n < 0) return cible;
        std::string suite(tampon, static_cast<std::size_t>(n));
        if (suite.empty() || suite[0] != '/') {
            const std::size_t barre = cible.rfind('/');
            suite =
                (barre == std::string::npos ? std::string() : cible.substr(0, barre + 1)) + suite;
        }
        cible = suite;
    }
    leverErreurFichier(debut, chemin, descriptionSysteme(ELOOP));
}

std::string premierNonDossier(const std::string& chemin) {
    for (std::size_t p = chemin.find('/', 1); p != std::string::npos; p = chemin.find('/', p + 1)) {
        const std::string debut = chemin.substr(0, p);
        struct stat st {};
        if (::stat(debut.c_str(), &st) != 0) return {};
        if (!S_ISDIR(st.st_mode)) return debut;
    }
    return {};
}

void leverErreurChemin(std::string_view debut, const std::string& chemin, int err) {
    if (err == ENOTDIR) {
        const std::string fautif = premierNonDossier(chemin);
        if (!fautif.empty()) {
            leverErreurFichier(debut, chemin, texteNonDossier(fautif));
        }
    }
    leverErreurFichier(debut, chemin, descriptionSysteme(err));
}

}  // namespace kestrane
