#include "core/journal/FichierAtomique.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <random>

#include "core/journal/Erreur.h"

namespace kestrane {

namespace {

constexpr std::string_view kCreation =
    "Impossible de cr\xE9"
    "er le fichier ";
// Temporary names: short, so that a target name of 255 bytes still saves; hidden.
constexpr std::string_view kPrefixeTemporaire = ".~kestrane-";

[[noreturn]] void leverCreation(const std::string& chemin, int err) {
    leverErreurFichier(kCreation, chemin, std::strerror(err));
}

// The file that a path designates, following symbolic links that exist. A loop of links is
// ELOOP, as the system says it.
std::string cibleReelle(const std::string& chemin) {
    char tampon[PATH_MAX];
    std::string cible = chemin;
    for (int sauts = 0; sauts <= 40; ++sauts) {
        const ssize_t n = ::readlink(cible.c_str(), tampon, sizeof tampon - 1);
        if (n < 0) return cible;
        std::string lien(tampon, static_cast<std::size_t>(n));
        if (lien.empty() || lien[0] != '/') {
            const std::size_t barre = cible.rfind('/');
            lien = (barre == std::string::npos ? std::string() : cible.substr(0, barre + 1)) + lien;
        }
        cible = lien;
    }
    leverCreation(chemin, ELOOP);
}

struct Descripteur {
    int fd = -1;
    explicit Descripteur(int f) : fd(f) {}
    ~Descripteur() {
        if (fd >= 0) ::close(fd);
    }
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;
};

// The seed of the temporary names. std::random_device raises an English error when the system's
// source cannot be read; the names need only differ from one save to the next (a name already
// taken is drawn again), so the clock and the process number do as well.
uint64_t graineNoms() {
    uint64_t graine;
    if (::getrandom(&graine, sizeof graine, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof graine)) {
        return graine;
    }
    const auto instant = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<uint64_t>(instant) ^ (static_cast<uint64_t>(::getpid()) << 40);
}

std::string nomTemporaire() {
    static constexpr char kChiffres[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static thread_local std::mt19937_64 alea{graineNoms()};
    std::string nom(kPrefixeTemporaire);
    for (int k = 0; k < 8; ++k) nom += kChiffres[alea() % (sizeof kChiffres - 1)];
    return nom;
}

// Temporary files of saves that were killed before the end: nobody holds their lock any more.
void nettoyerRestes(int dossier) {
    const int copie = ::dup(dossier);
    if (copie < 0) return;
    DIR* d = ::fdopendir(copie);
    if (!d) {
        ::close(copie);
        return;
    }
    ::rewinddir(d);
    while (const dirent* e = ::readdir(d)) {
        if (std::strncmp(e->d_name, kPrefixeTemporaire.data(), kPrefixeTemporaire.size()) != 0) {
            continue;
        }
        const Descripteur f(
            ::openat(dossier, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::flock(f.fd, LOCK_EX | LOCK_NB) == 0) ::unlinkat(dossier, e->d_name, 0);
    }
    ::closedir(d);
}

// Writes every byte; the first error is kept in `erreur`.
void ecrireTout(int fd, std::string_view morceau, int& erreur) {
    while (!morceau.empty() && erreur == 0) {
        const ssize_t n = ::write(fd, morceau.data(), morceau.size());
        if (n < 0) {
            if (errno != EINTR) erreur = errno;
            continue;
        }
        morceau.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Gives the unnamed file `fd` a temporary name in the folder; returns it, or empty with `erreur`.
std::string nommer(int fd, int dossier, int& erreur) {
    const std::string parFd = "/proc/self/fd/" + std::to_string(fd);
    for (int essai = 0; essai < 100; ++essai) {
        std::string nom = nomTemporaire();
        if (::linkat(fd, "", dossier, nom.c_str(), AT_EMPTY_PATH) == 0) return nom;
        if (errno == EEXIST) continue;
        // AT_EMPTY_PATH needs a privilege; the process's own file table does not.
        if (::linkat(AT_FDCWD, parFd.c_str(), dossier, nom.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return nom;
        }
        if (errno == EEXIST) continue;
        erreur = errno;
        return {};
    }
    erreur = EEXIST;
    return {};
}

}  // namespace

void ecrireFichierAtomique(const std::string& chemin,
                           const std::function<void(const Ecrivain&)>& produire) {
    if (chemin.empty() || chemin.back() == '/') leverCreation(chemin, EISDIR);
    const std::string cible = cibleReelle(chemin);
    struct stat ancien {};
    const bool existait = ::stat(cible.c_str(), &ancien) == 0;
    // A pipe, a device or a folder is not replaced, nor written into (a pipe without a reader
    // would block for ever).
    if (existait && !S_ISREG(ancien.st_mode)) {
        leverErreurFichier(kCreation, chemin, kPasFichierOrdinaire);
    }
    const std::size_t barre = cible.rfind('/');
    const std::string dossierCible =
        barre == std::string::npos ? "." : (barre == 0 ? "/" : cible.substr(0, barre));
    const std::string nomCible = barre == std::string::npos ? cible : cible.substr(barre + 1);
    const Descripteur dossier(::open(dossierCible.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dossier.fd < 0) leverCreation(chemin, errno);
    nettoyerRestes(dossier.fd);

    // An unnamed file where the system has them: a save killed midway leaves nothing behind.
    // Otherwise a named one, locked while it is written, so that the next save into this folder
    // knows a leftover from a file being written.
    std::string temporaire;
    Descripteur fichier(::openat(dossier.fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (fichier.fd < 0) {
        for (int essai = 0; essai < 100 && fichier.fd < 0; ++essai) {
            temporaire = nomTemporaire();
            fichier.fd = ::openat(dossier.fd, temporaire.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fichier.fd < 0 && errno != EEXIST) break;
        }
        if (fichier.fd < 0) leverCreation(chemin, errno);
    }
    ::flock(fichier.fd, LOCK_EX);
    const auto abandonner = [&] {
        if (!temporaire.empty()) ::unlinkat(dossier.fd, temporaire.c_str(), 0);
    };

    int erreur = 0;
    try {
        produire([&](std::string_view morceau) { ecrireTout(fichier.fd, morceau, erreur); });
    } catch (...) {
        abandonner();
        throw;
    }
    if (erreur == 0 && ::fsync(fichier.fd) != 0) erreur = errno;
    if (erreur == 0) {
        mode_t mode;
        if (existait) {
            // What it replaces keeps its owner and group where the process may give them, and
            // its mode (set after: a change of owner clears the set-user-ID bits).
            if (::fchown(fichier.fd, ancien.st_uid, ancien.st_gid) != 0) {
                // Not allowed: the file is the process's own, as any file it creates.
            }
            mode = ancien.st_mode & 07777;
        } else {
            const mode_t masque = ::umask(0);
            ::umask(masque);
            mode = 0666 & ~masque;
        }
        ::fchmod(fichier.fd, mode);
    }
    if (erreur == 0 && temporaire.empty()) temporaire = nommer(fichier.fd, dossier.fd, erreur);
    if (erreur == 0 &&
        ::renameat(dossier.fd, temporaire.c_str(), dossier.fd, nomCible.c_str()) != 0) {
        erreur = errno;
    }
    if (erreur != 0) {
        abandonner();
        leverCreation(chemin, erreur);
    }
    // The new name on disk too.
    ::fsync(dossier.fd);
}

}  // namespace kestrane
