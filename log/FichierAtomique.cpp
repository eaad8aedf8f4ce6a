#include "log/FichierAtomique.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "log/Erreur.h"

namespace kestrane {

namespace {

[[noreturn]] void leverCreation(const std::string& chemin, int err) {
    std::string m =
        "Impossible de cr\xE9"
        "er le fichier \"";
    m += chemin;
    m += "\". ";
    m += std::strerror(err);
    throw ErreurFichier(m, err);
}

// The file that a path designates, following symbolic links that exist.
std::string cibleReelle(const std::string& chemin) {
    char tampon[PATH_MAX];
    std::string cible = chemin;
    for (int sauts = 0; sauts < 40; ++sauts) {
        const ssize_t n = ::readlink(cible.c_str(), tampon, sizeof tampon - 1);
        if (n < 0) break;
        std::string lien(tampon, static_cast<std::size_t>(n));
        if (lien.empty() || lien[0] != '/') {
            const std::size_t barre = cible.rfind('/');
            lien = (barre == std::string::npos ? std::string() : cible.substr(0, barre + 1)) + lien;
        }
        cible = lien;
    }
    return cible;
}

}  // namespace

void ecrireFichierAtomique(const std::string& chemin,
                           const std::function<void(const Ecrivain&)>& produire) {
    if (chemin.empty() || chemin.back() == '/') leverCreation(chemin, EISDIR);
    const std::string cible = cibleReelle(chemin);
    struct stat ancien {};
    const bool existait = ::stat(cible.c_str(), &ancien) == 0;
    if (existait && S_ISDIR(ancien.st_mode)) leverCreation(chemin, EISDIR);
    if (existait && !S_ISREG(ancien.st_mode)) {
        // A device or a pipe cannot be replaced: write into it directly.
        const int fd = ::open(cible.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) leverCreation(chemin, errno);
        int erreur = 0;
        produire([&](std::string_view morceau) {
            while (!morceau.empty() && erreur == 0) {
                const ssize_t n = ::write(fd, morceau.data(), morceau.size());
                if (n < 0) {
                    if (errno != EINTR) erreur = errno;
                    continue;
                }
                morceau.remove_prefix(static_cast<std::size_t>(n));
            }
        });
        ::close(fd);
        if (erreur) leverCreation(chemin, erreur);
        return;
    }

    std::string modele = cible + ".kestrane-XXXXXX";
    const int fd = ::mkstemp(modele.data());
    if (fd < 0) leverCreation(chemin, errno);
    const std::string temporaire = modele;
    int erreur = 0;
    try {
        produire([&](std::string_view morceau) {
            while (!morceau.empty() && erreur == 0) {
                const ssize_t n = ::write(fd, morceau.data(), morceau.size());
                if (n < 0) {
                    if (errno != EINTR) erreur = errno;
                    continue;
                }
                morceau.remove_prefix(static_cast<std::size_t>(n));
            }
        });
    } catch (...) {
        ::close(fd);
        ::unlink(temporaire.c_str());
        throw;
    }
    if (erreur == 0 && ::fsync(fd) != 0) erreur = errno;
    if (erreur == 0) {
        mode_t mode;
        if (existait) {
            mode = ancien.st_mode & 07777;
        } else {
            const mode_t masque = ::umask(0);
            ::umask(masque);
            mode = 0666 & ~masque;
        }
        ::fchmod(fd, mode);
    }
    if (::close(fd) != 0 && erreur == 0) erreur = errno;
    if (erreur == 0 && ::rename(temporaire.c_str(), cible.c_str()) != 0) erreur = errno;
    if (erreur != 0) {
        ::unlink(temporaire.c_str());
        leverCreation(chemin, erreur);
    }
}

}  // namespace kestrane
