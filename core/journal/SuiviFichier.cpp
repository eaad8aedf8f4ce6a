#include "core/journal/SuiviFichier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kestrane {

namespace {

constexpr std::size_t kBloc = 1 << 16;

}  // namespace

SuiviFichier::SuiviFichier(std::string chemin, uint64_t depart) : chemin_(std::move(chemin)) {
    if (chemin_ == "-") {
        entree_ = true;
        fd_ = STDIN_FILENO;
        return;
    }
    ouvrir(depart);
}

SuiviFichier::~SuiviFichier() {
    if (!entree_) fermer();
}

bool SuiviFichier::ouvrir(uint64_t depart) {
    const int fd = ::open(chemin_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat s {};
    if (::fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    dev_ = s.st_dev;
    ino_ = s.st_ino;
    position_ = depart <= static_cast<uint64_t>(s.st_size) ? depart : 0;
    ::lseek(fd_, static_cast<off_t>(position_), SEEK_SET);
    return true;
}

void SuiviFichier::fermer() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void SuiviFichier::lireJusquALaFin(std::size_t maximum) {
    char tampon[kBloc];
    std::size_t lus = 0;
    while (fd_ >= 0 && lus < maximum) {
        if (entree_) {
            // Standard input: only what is there now, never waiting for more.
            struct stat s {};
            if (::fstat(fd_, &s) == 0 && S_ISFIFO(s.st_mode)) {
                int flags = ::fcntl(fd_, F_GETFL);
                if (!(flags & O_NONBLOCK)) ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
            }
        }
        const ssize_t n = ::read(fd_, tampon, std::min(sizeof tampon, maximum - lus));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (entree_ && n == 0) finEntree_ = true;
            return;
        }
        attente_.append(tampon, static_cast<std::size_t>(n));
        position_ += static_cast<uint64_t>(n);
        lus += static_cast<std::size_t>(n);
    }
}

void SuiviFichier::livrer(std::string& sortie, bool tout) {
    if (tout) {
        sortie += attente_;
        attente_.clear();
        return;
    }
    // The last break: LF, or a CR not at the very end (a CR at the end may be the first half of
    // a CR LF still being written).
    std::size_t fin = attente_.size();
    while (fin > 0) {
        const char c = attente_[fin - 1];
        if (c == '\n' || (c == '\r' && fin < attente_.size())) break;
        --fin;
    }
    sortie.append(attente_, 0, fin);
    attente_.erase(0, fin);
}

SuiviFichier::Lecture SuiviFichier::lire(std::size_t maximum) {
    Lecture l;
    if (entree_) {
        lireJusquALaFin(maximum);
        l.fin = finEntree_;
        livrer(l.lignes, finEntree_);
        return l;
    }
    // Waiting for the file to be there (again): all of it is new.
    if (fd_ < 0 && !ouvrir(0)) return l;
    lireJusquALaFin(maximum);
    struct stat ouvert {
    }, nomme{};
    ::fstat(fd_, &ouvert);
    if (static_cast<uint64_t>(ouvert.st_size) < position_) {
        // Truncated in place (copytruncate): the line being written is lost with the old
        // content; what the file holds now is new.
        ++l.troncatures;
        attente_.clear();
        position_ = 0;
        ::lseek(fd_, 0, SEEK_SET);
        lireJusquALaFin(maximum);
    }
    const bool remplace =
        ::stat(chemin_.c_str(), &nomme) != 0 || nomme.st_dev != dev_ || nomme.st_ino != ino_;
    if (remplace && ouvert.st_size >= 0 && static_cast<uint64_t>(ouvert.st_size) <= position_) {
        // The old file read to its end, its last line with it; then the new one, if it is there.
        livrer(l.lignes, true);
        fermer();
        ++l.rotations;
        if (ouvrir(0)) lireJusquALaFin(maximum > l.lignes.size() ? maximum - l.lignes.size() : 0);
    }
    livrer(l.lignes, false);
    return l;
}

}  // namespace kestrane
