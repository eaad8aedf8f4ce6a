#include "core/journal/FichierAtomique.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>

#include "core/journal/Chemins.h"
#include "core/journal/Erreur.h"

namespace kestrane {

namespace {

// Temporary names: short, so that a target name of 255 bytes still saves; hidden.
constexpr std::string_view kPrefixeTemporaire = ".~kestrane-";

struct Descripteur {
    int fd = -1;
    Descripteur() = default;
    explicit Descripteur(int f) : fd(f) {}
    ~Descripteur() { fermer(); }
    Descripteur(Descripteur&& d) noexcept : fd(std::exchange(d.fd, -1)) {}
    Descripteur& operator=(Descripteur&& d) noexcept {
        fermer();
        fd = std::exchange(d.fd, -1);
        return *this;
    }
    void fermer() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
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

// Calls `f(nom)` for every entry of the folder but "." and "..".
template <typename F>
void parcourirDossier(int dossier, F&& f) {
    const int copie = ::dup(dossier);
    if (copie < 0) return;
    DIR* d = ::fdopendir(copie);
    if (!d) {
        ::close(copie);
        return;
    }
    ::rewinddir(d);
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) f(e->d_name);
    }
    ::closedir(d);
}

// Removes the folder `nom` of `dossier` with the files it holds; leaves it when it holds more.
void supprimerDossier(int dossier, const char* nom) {
    const Descripteur d(::openat(dossier, nom, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (d.fd < 0) return;
    parcourirDossier(d.fd, [&](const char* f) { ::unlinkat(d.fd, f, 0); });
    ::unlinkat(dossier, nom, AT_REMOVEDIR);
}

// Temporary files and folders of saves that were killed before the end: nobody holds their lock
// any more. Only the process's own: another user's save may be under way in a shared folder.
void nettoyerRestes(int dossier) {
    parcourirDossier(dossier, [&](const char* nom) {
        if (std::strncmp(nom, kPrefixeTemporaire.data(), kPrefixeTemporaire.size()) != 0) return;
        const Descripteur f(::openat(dossier, nom, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || st.st_uid != ::geteuid()) return;
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return;
        if (::flock(f.fd, LOCK_EX | LOCK_NB) != 0) return;
        if (S_ISREG(st.st_mode)) {
            ::unlinkat(dossier, nom, 0);
        } else {
            supprimerDossier(dossier, nom);
        }
    });
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

mode_t modeParDefaut(mode_t mode) {
    const mode_t masque = ::umask(0);
    ::umask(masque);
    return mode & ~masque;
}

// What it replaces keeps its owner and group where the process may give them, and its mode (set
// after: a change of owner clears the set-user-ID bits); a new file or folder the umask's mode.
void reprendreProprietaire(int fd, const struct stat* ancien, mode_t parDefaut) {
    if (ancien) {
        if (::fchown(fd, ancien->st_uid, ancien->st_gid) != 0) {
            // Not allowed: the file is the process's own, as any file it creates.
        }
        ::fchmod(fd, ancien->st_mode & 07777);
    } else {
        ::fchmod(fd, modeParDefaut(parDefaut));
    }
}

// Where the system can neither exchange two names nor refuse to replace one (some file systems).
bool sansRenommageAtomique(int err) {
    return err == EINVAL || err == ENOSYS || err == ENOTSUP;
}

// The parent folder of `cible`, open; raises with `debut` and the path the user gave.
Descripteur ouvrirDossier(const std::string& dossier, std::string_view debut,
                          const std::string& chemin) {
    Descripteur d(::open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.fd < 0) leverErreurChemin(debut, chemin, errno);
    return d;
}

// Where a prepared output stands: written, put in place (the former one kept under the temporary
// name by an exchange, or moved aside by two renames, or none was there, or it was replaced for
// good by a system that exchanges nothing), put back, done.
enum class Etat { prepare, echange, deplace, nouveau, sansRetour, retabli, valide };

// A file or a folder written under `temporaire` in the folder `dossier`, to take the name
// `nomCible` there. The preparations below fill it; its destructor removes what a failure left.
struct Remplacement : SortiePreparee {
    Remplacement(const std::string& c, bool d) : chemin(c), estDossier(d) {}
    ~Remplacement() override {
        if ((etat == Etat::prepare || etat == Etat::retabli) && !temporaire.empty()) {
            supprimer(temporaire);
        }
    }

    void installer() override {
        // What lies at the target now: a folder or a pipe put there since is not replaced.
        struct stat st {};
        if (::fstatat(dossier.fd, nomCible.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            (estDossier ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode))) {
            leverErreurFichier(debut(), chemin,
                               std::string(estDossier ? kPasDossier : kPasFichierOrdinaire));
        }
        int erreur = 0;
        etat = mettreEnPlace(erreur);
        if (etat == Etat::prepare) leverErreurChemin(debut(), chemin, erreur);
    }

    // The former one back at the target, the new one under its temporary name again.
    void retablir() noexcept override {
        const int d = dossier.fd;
        const char* c = nomCible.c_str();
        if (etat == Etat::echange) {
            ::renameat2(d, ancien.c_str(), d, c, RENAME_EXCHANGE);
        } else if (etat == Etat::nouveau || etat == Etat::deplace) {
            ::renameat(d, c, d, temporaire.c_str());
            if (etat == Etat::deplace) ::renameat(d, ancien.c_str(), d, c);
        } else {
            return;
        }
        etat = Etat::retabli;
    }

    void valider() noexcept override {
        if (etat == Etat::echange || etat == Etat::deplace) supprimer(ancien);
        etat = Etat::valide;
        // The new name on disk too.
        ::fsync(dossier.fd);
    }

    std::string_view debut() const { return estDossier ? kCreationDossier : kCreationFichier; }

    void supprimer(const std::string& nom) const {
        if (estDossier) {
            supprimerDossier(dossier.fd, nom.c_str());
        } else {
            ::unlinkat(dossier.fd, nom.c_str(), 0);
        }
    }

    // Puts `temporaire` at `nomCible`; the former one, if any, is then found under `ancien`. A
    // folder, which a plain rename cannot put over another, is moved aside first where the
    // system exchanges no names.
    Etat mettreEnPlace(int& erreur) {
        const int d = dossier.fd;
        const char* t = temporaire.c_str();
        const char* c = nomCible.c_str();
        for (int essai = 0; essai < 3; ++essai) {
            if (::renameat2(d, t, d, c, RENAME_NOREPLACE) == 0) return Etat::nouveau;
            if (errno == EEXIST) {
                if (::renameat2(d, t, d, c, RENAME_EXCHANGE) == 0) {
                    ancien = temporaire;
                    return Etat::echange;
                }
                if (errno == ENOENT) continue;  // gone meanwhile
            }
            if (!sansRenommageAtomique(errno)) break;
            if (!estDossier) {
                if (::renameat(d, t, d, c) == 0) return Etat::sansRetour;
                break;
            }
            std::string aCote = nomTemporaire();
            if (::renameat(d, c, d, aCote.c_str()) != 0) {
                if (errno != ENOENT) break;
                aCote.clear();
            }
            if (::renameat(d, t, d, c) == 0) {
                ancien = aCote;
                return aCote.empty() ? Etat::nouveau : Etat::deplace;
            }
            erreur = errno;
            if (!aCote.empty()) ::renameat(d, aCote.c_str(), d, c);
            return Etat::prepare;
        }
        erreur = errno;
        return Etat::prepare;
    }

    const std::string chemin;  // as the user gave it, for the messages
    const bool estDossier;
    std::string nomCible, temporaire, ancien;
    Descripteur dossier;
    // The new file or folder, locked while it lives, so that no other save takes it for a
    // leftover; the former folder likewise while it is replaced.
    Descripteur nouveau, verrouAncien;
    Etat etat = Etat::prepare;
};

void preparerFichierDans(Remplacement& r, const Producteur& produire) {
    const std::string& chemin = r.chemin;
    if (chemin.empty() || chemin.back() == '/') {
        leverErreurFichier(kCreationFichier, chemin, descriptionSysteme(EISDIR));
    }
    const std::string cible = cibleSuivie(chemin, kCreationFichier);
    struct stat ancien {};
    const bool existait = ::stat(cible.c_str(), &ancien) == 0;
    if (existait && !S_ISREG(ancien.st_mode)) {
        leverErreurFichier(kCreationFichier, chemin, std::string(kPasFichierOrdinaire));
    }
    r.nomCible = nomDe(cible);
    r.dossier = ouvrirDossier(dossierDe(cible), kCreationFichier, chemin);
    nettoyerRestes(r.dossier.fd);

    // An unnamed file where the system has them: a save killed midway leaves nothing behind.
    // Otherwise a named one, locked while it is written, so that the next save into this folder
    // knows a leftover from a file being written.
    Descripteur& f = r.nouveau;
    f = Descripteur(::openat(r.dossier.fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (f.fd < 0) {
        for (int essai = 0; essai < 100 && f.fd < 0; ++essai) {
            r.temporaire = nomTemporaire();
            f.fd = ::openat(r.dossier.fd, r.temporaire.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (f.fd < 0 && errno != EEXIST) break;
        }
        if (f.fd < 0) {
            r.temporaire.clear();
            leverErreurChemin(kCreationFichier, chemin, errno);
        }
    }
    ::flock(f.fd, LOCK_EX);
    int erreur = 0;
    produire([&](std::string_view morceau) { ecrireTout(f.fd, morceau, erreur); });
    if (erreur == 0 && ::fsync(f.fd) != 0) erreur = errno;
    if (erreur == 0) reprendreProprietaire(f.fd, existait ? &ancien : nullptr, 0666);
    if (erreur == 0 && r.temporaire.empty()) r.temporaire = nommer(f.fd, r.dossier.fd, erreur);
    if (erreur != 0) leverErreurChemin(kCreationFichier, chemin, erreur);
}

// A new folder beside the former one (open on `ancienDossier`, if any), filled with the files.
void preparerDossierDans(Remplacement& r, const struct stat* ancien, Descripteur ancienDossier,
                         const std::vector<FichierDuDossier>& fichiers,
                         const std::function<void(std::size_t)>& progression) {
    const std::string& chemin = r.chemin;
    nettoyerRestes(r.dossier.fd);
    for (int essai = 0; essai < 100 && r.temporaire.empty(); ++essai) {
        const std::string nom = nomTemporaire();
        if (::mkdirat(r.dossier.fd, nom.c_str(), 0700) == 0) {
            r.temporaire = nom;
        } else if (errno != EEXIST) {
            leverErreurChemin(kCreationDossier, chemin, errno);
        }
    }
    if (r.temporaire.empty()) leverErreurChemin(kCreationDossier, chemin, EEXIST);
    Descripteur& nouveau = r.nouveau;
    nouveau = Descripteur(
        ::openat(r.dossier.fd, r.temporaire.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (nouveau.fd < 0) leverErreurChemin(kCreationDossier, chemin, errno);
    ::flock(nouveau.fd, LOCK_EX);
    const std::string base = chemin.back() == '/' ? chemin : chemin + '/';
    for (std::size_t k = 0; k < fichiers.size(); ++k) {
        const FichierDuDossier& f = fichiers[k];
        struct stat avant {};
        const bool existait = ancienDossier.fd >= 0 && ::fstatat(ancienDossier.fd, f.nom.c_str(),
                                                                 &avant, AT_SYMLINK_NOFOLLOW) == 0;
        const Descripteur fd(
            ::openat(nouveau.fd, f.nom.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (fd.fd < 0) leverErreurChemin(kCreationFichier, base + f.nom, errno);
        int erreur = 0;
        f.produire([&](std::string_view morceau) { ecrireTout(fd.fd, morceau, erreur); });
        if (erreur == 0 && ::fsync(fd.fd) != 0) erreur = errno;
        if (erreur != 0) leverErreurChemin(kCreationFichier, base + f.nom, erreur);
        reprendreProprietaire(fd.fd, existait ? &avant : nullptr, 0666);
        if (progression) progression(k + 1);
    }
    reprendreProprietaire(nouveau.fd, ancien, 0777);
    if (::fsync(nouveau.fd) != 0) leverErreurChemin(kCreationDossier, chemin, errno);
    r.verrouAncien = std::move(ancienDossier);
    if (r.verrouAncien.fd >= 0) ::flock(r.verrouAncien.fd, LOCK_EX | LOCK_NB);
}

// Installs every output, or restores those installed and raises the failure.
void installerOuRetablir(const std::vector<SortiePreparee*>& sorties) {
    std::size_t k = 0;
    try {
        for (; k < sorties.size(); ++k) sorties[k]->installer();
    } catch (...) {
        while (k > 0) sorties[--k]->retablir();
        throw;
    }
}

// Several outputs put in place as one.
class Ensemble : public SortiePreparee {
  public:
    explicit Ensemble(std::vector<std::unique_ptr<SortiePreparee>> s) : sorties_(std::move(s)) {}
    void installer() override {
        std::vector<SortiePreparee*> s;
        for (const auto& p : sorties_) s.push_back(p.get());
        installerOuRetablir(s);
    }
    void retablir() noexcept override {
        for (std::size_t k = sorties_.size(); k > 0; --k) sorties_[k - 1]->retablir();
    }
    void valider() noexcept override {
        for (const auto& s : sorties_) s->valider();
    }

  private:
    std::vector<std::unique_ptr<SortiePreparee>> sorties_;
};

// The folder's path with its links followed, without the slashes that may end it.
std::string cibleDossier(const std::string& chemin) {
    std::string c = chemin;
    while (c.size() > 1 && c.back() == '/') c.pop_back();
    if (c.empty()) leverErreurFichier(kCreationDossier, chemin, descriptionSysteme(ENOENT));
    return cibleSuivie(c, kCreationDossier);
}

// Whether the folder open on `fd` holds nothing but regular files of these names, so that it may
// be replaced whole.
bool seulementCesFichiers(int fd, const std::vector<std::string>& noms) {
    bool seuls = true;
    parcourirDossier(fd, [&](const char* nom) {
        struct stat st {};
        seuls = seuls && std::find(noms.begin(), noms.end(), nom) != noms.end() &&
                ::fstatat(fd, nom, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
    });
    return seuls;
}

// Whether this process may exchange the folder `ancien` in `parent` for another: write access
// to both, the same file system (not a mount point), and the right to move the folder out of a
// sticky parent.
bool echangeable(int parent, const struct stat& p, int fdAncien, const struct stat& ancien) {
    if (::faccessat(parent, ".", W_OK | X_OK, AT_EACCESS) != 0) return false;
    // Its files go once it is replaced.
    if (::faccessat(fdAncien, ".", W_OK | X_OK, AT_EACCESS) != 0) return false;
    if (ancien.st_dev != p.st_dev) return false;
    const uid_t moi = ::geteuid();
    return (p.st_mode & S_ISVTX) == 0 || moi == 0 || ancien.st_uid == moi || p.st_uid == moi;
}

}  // namespace

std::unique_ptr<SortiePreparee> preparerFichier(const std::string& chemin,
                                                const Producteur& produire) {
    auto r = std::make_unique<Remplacement>(chemin, false);
    preparerFichierDans(*r, produire);
    return r;
}

std::unique_ptr<SortiePreparee> preparerDossier(const std::string& chemin,
                                                const std::vector<FichierDuDossier>& fichiers,
                                                const std::vector<std::string>& nomsConnus,
                                                const std::function<void(std::size_t)>& progression,
                                                bool enPlace) {
    const std::string cible = cibleDossier(chemin);
    struct stat ancien {};
    const bool existait = ::stat(cible.c_str(), &ancien) == 0;
    if (!existait && errno != ENOENT) leverErreurChemin(kCreationDossier, chemin, errno);
    if (existait && !S_ISDIR(ancien.st_mode)) {
        leverErreurFichier(kCreationDossier, chemin, std::string(kPasDossier));
    }
    Descripteur parent = ouvrirDossier(dossierDe(cible), kCreationDossier, chemin);
    Descripteur ancienDossier;
    if (existait) {
        ancienDossier =
            Descripteur(::open(cible.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (ancienDossier.fd < 0) leverErreurChemin(kCreationDossier, chemin, errno);
        nettoyerRestes(ancienDossier.fd);
        std::vector<std::string> noms = nomsConnus;
        for (const FichierDuDossier& f : fichiers) noms.push_back(f.nom);
        struct stat p {};
        enPlace = enPlace || ::fstat(parent.fd, &p) != 0 ||
                  !echangeable(parent.fd, p, ancienDossier.fd, ancien) ||
                  !seulementCesFichiers(ancienDossier.fd, noms);
    }
    // A missing folder is made, whatever was asked.
    if (!enPlace || !existait) {
        auto r = std::make_unique<Remplacement>(chemin, true);
        r->nomCible = nomDe(cible);
        r->dossier = std::move(parent);
        preparerDossierDans(*r, existait ? &ancien : nullptr, std::move(ancienDossier), fichiers,
                            progression);
        return r;
    }
    // Named in the messages under the path given.
    const std::string base = chemin.back() == '/' ? chemin : chemin + '/';
    std::vector<std::unique_ptr<SortiePreparee>> sorties;
    for (std::size_t k = 0; k < fichiers.size(); ++k) {
        sorties.push_back(preparerFichier(base + fichiers[k].nom, fichiers[k].produire));
        if (progression) progression(k + 1);
    }
    return std::make_unique<Ensemble>(std::move(sorties));
}

void installerTout(const std::vector<SortiePreparee*>& sorties) {
    installerOuRetablir(sorties);
    for (SortiePreparee* s : sorties) s->valider();
}

void ecrireFichierAtomique(const std::string& chemin, const Producteur& produire) {
    const auto s = preparerFichier(chemin, produire);
    installerTout({s.get()});
}

void verifierCibleFichier(const std::string& chemin) {
    if (chemin.empty() || chemin.back() == '/') {
        leverErreurFichier(kCreationFichier, chemin, descriptionSysteme(EISDIR));
    }
    const std::string cible = cibleSuivie(chemin, kCreationFichier);
    struct stat st {};
    if (::stat(cible.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            leverErreurFichier(kCreationFichier, chemin, std::string(kPasFichierOrdinaire));
    } else if (errno != ENOENT) {
        leverErreurChemin(kCreationFichier, chemin, errno);
    }
    const std::string dossier = dossierDe(cible);
    if (::access(dossier.c_str(), W_OK | X_OK) != 0)
        leverErreurChemin(kCreationFichier, chemin, errno);
}

void verifierCibleDossier(const std::string& chemin) {
    const std::string cible = cibleDossier(chemin);
    struct stat st {};
    if (::stat(cible.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            leverErreurFichier(kCreationDossier, chemin, std::string(kPasDossier));
        // Its tables are written into it when its parent cannot take a new folder.
        if (::access(cible.c_str(), W_OK | X_OK) != 0) {
            leverErreurChemin(kCreationDossier, chemin, errno);
        }
        return;
    }
    if (errno != ENOENT) leverErreurChemin(kCreationDossier, chemin, errno);
    const std::string parent = dossierDe(cible);
    if (::access(parent.c_str(), W_OK | X_OK) != 0)
        leverErreurChemin(kCreationDossier, chemin, errno);
}

}  // namespace kestrane
