#include "core/journal/LectureFlux.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/journal/Gzip.h"
#include "core/journal/Journal.h"

namespace kestrane {

namespace {

constexpr std::size_t kPaquetBrut = std::size_t{1} << 20;

}  // namespace

std::size_t agrandirTube(int fd, std::size_t voulu) {
    const int avant = ::fcntl(fd, F_GETPIPE_SZ);
    if (avant <= 0) return 0;
    if (voulu == 0) {
        // Beyond it only a privileged process may go: not this one's business.
        char texte[32] = {};
        const int max = ::open("/proc/sys/fs/pipe-max-size", O_RDONLY | O_CLOEXEC);
        if (max >= 0) {
            const ssize_t n = ::read(max, texte, sizeof texte - 1);
            ::close(max);
            if (n > 0) voulu = std::strtoull(texte, nullptr, 10);
        }
    }
    const auto taille = static_cast<std::size_t>(avant);
    if (voulu <= taille || voulu > INT_MAX) return taille;
    const int apres = ::fcntl(fd, F_SETPIPE_SZ, static_cast<int>(voulu));
    return apres > 0 ? static_cast<std::size_t>(apres) : taille;
}

ErreurLigneTropLongue::ErreurLigneTropLongue(std::size_t ligne, std::size_t limite)
    : ErreurKestrane(texteLigneTropLongue(limite >> 20)), ligne_(ligne) {}

struct EntreeFlux::Etat {
    int fd = -1;
    bool possede = false;
    std::string chemin;
    uint64_t lus = 0, taille = 0;
    // The first bytes, read to tell gzip from plain text, then handed out before the rest.
    std::vector<unsigned char> brut;
    std::size_t debutBrut = 0, finBrut = 0;
    bool ouverte = false;
    std::unique_ptr<FluxGzip> gzip;
    // The decompressed bytes read ahead to find the first line, handed out first.
    std::string devant;
    std::size_t debutDevant = 0;

    ~Etat() {
        if (possede && fd >= 0) ::close(fd);
    }

    std::size_t lireBrut(void* d, std::size_t max) {
        for (;;) {
            const ssize_t n = ::read(fd, d, max);
            if (n >= 0) {
                lus += static_cast<uint64_t>(n);
                return static_cast<std::size_t>(n);
            }
            if (errno != EINTR)
                leverErreurFichier(kOuvertureFichier, chemin, descriptionSysteme(errno));
        }
    }

    // Reads the first bytes (two are enough to tell gzip) and chooses how to read the rest.
    void commencer() {
        ouverte = true;
        brut.resize(kPaquetBrut);
        while (finBrut < 2) {
            const std::size_t n = lireBrut(brut.data() + finBrut, brut.size() - finBrut);
            if (n == 0) break;
            finBrut += n;
        }
        if (!estGzip(std::string_view(reinterpret_cast<const char*>(brut.data()), finBrut))) {
            return;
        }
        gzip = std::make_unique<FluxGzip>(
            [this](const unsigned char*& tampon) -> std::size_t {
                if (debutBrut == finBrut) {
                    debutBrut = 0;
                    finBrut = lireBrut(brut.data(), brut.size());
                }
                tampon = brut.data() + debutBrut;
                const std::size_t n = finBrut - debutBrut;
                debutBrut = finBrut;
                return n;
            },
            chemin);
    }

    // The decompressed bytes, after those read ahead.
    std::size_t lireSuite(char* sortie, std::size_t max) {
        if (!ouverte) commencer();
        if (gzip) return gzip->lire(sortie, max);
        if (debutBrut < finBrut) {
            const std::size_t n = std::min(max, finBrut - debutBrut);
            std::memcpy(sortie, brut.data() + debutBrut, n);
            debutBrut += n;
            return n;
        }
        return lireBrut(sortie, max);
    }
};

EntreeFlux::EntreeFlux(const std::string& chemin) : etat_(std::make_unique<Etat>()) {
    Etat& e = *etat_;
    e.chemin = chemin;
    if (chemin == kEntreeStandard) {
        e.fd = STDIN_FILENO;
    } else {
        e.fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
        if (e.fd < 0) leverErreurFichier(kOuvertureFichier, chemin, descriptionSysteme(errno));
        e.possede = true;
    }
    struct stat s {};
    if (::fstat(e.fd, &s) == 0) {
        if (S_ISDIR(s.st_mode))
            leverErreurFichier(kOuvertureFichier, chemin, std::string(kPasFichierOrdinaire));
        if (S_ISREG(s.st_mode)) e.taille = static_cast<uint64_t>(s.st_size);
        if (S_ISFIFO(s.st_mode)) agrandirTube(e.fd);
    }
}

EntreeFlux::~EntreeFlux() = default;

std::size_t EntreeFlux::lire(char* sortie, std::size_t max) {
    Etat& e = *etat_;
    if (e.debutDevant < e.devant.size()) {
        const std::size_t n = std::min(max, e.devant.size() - e.debutDevant);
        std::memcpy(sortie, e.devant.data() + e.debutDevant, n);
        e.debutDevant += n;
        return n;
    }
    return e.lireSuite(sortie, max);
}

std::string EntreeFlux::premiereLigne(std::size_t max) {
    Etat& e = *etat_;
    std::string& o = e.devant;
    std::vector<std::size_t> fins;
    // Until a break that is not the input's last byte read (a CR there may be the first half of
    // a CR LF), or one byte past `max`.
    for (;;) {
        fins.clear();
        trouverSauts(o, fins);
        if ((!fins.empty() && fins.front() < o.size()) || o.size() >= max + 2) break;
        const std::size_t avant = o.size();
        o.resize(max + 2);
        const std::size_t n = e.lireSuite(o.data() + avant, o.size() - avant);
        o.resize(avant + n);
        if (n == 0) break;
    }
    if (fins.empty()) return o.substr(0, std::min(o.size(), max));
    const std::size_t k = fins.front();
    const bool crlf = k >= 2 && o[k - 1] == '\n' && o[k - 2] == '\r';
    return o.substr(0, std::min(k - (crlf ? 2 : 1), max));
}

uint64_t EntreeFlux::octetsLus() const {
    return etat_->lus;
}

uint64_t EntreeFlux::taille() const {
    return etat_->taille;
}

DecoupeLignes::DecoupeLignes(EntreeFlux& entree, std::size_t tailleBloc, std::size_t ligneMax)
    : entree_(entree), tailleBloc_(std::max<std::size_t>(tailleBloc, 1)), ligneMax_(ligneMax) {}

bool DecoupeLignes::suivant(BlocLignes& bloc) {
    BlocMemoire& memoire = bloc.memoire;
    std::size_t& taille = bloc.taille;
    bloc.lignes.clear();
    bloc.premiere = lignes_;
    std::size_t cible = std::max(tailleBloc_, reste_.size());
    // Each read asks for what the block lacks, and at least 64 KiB (what a pipe gives at once).
    const auto agrandir = [&] { memoire.agrandir(std::max(cible, taille + 65536)); };
    taille = 0;
    agrandir();
    std::memcpy(memoire.donnees(), reste_.data(), reste_.size());
    taille = reste_.size();
    reste_.clear();
    std::size_t fin = 0;
    for (;;) {
        while (!fini_ && taille < cible) {
            agrandir();
            const std::size_t n =
                entree_.lire(memoire.donnees() + taille, memoire.taille() - taille);
            taille += n;
            if (n == 0) fini_ = true;
        }
        const std::string_view o = bloc.octets();
        fins_.clear();
        trouverSauts(o, fins_);
        // A CR that ends what was read may be the first half of a CR LF.
        const bool ouverte = !fini_ || laisserOuverte_;
        if (ouverte && !fins_.empty() && fins_.back() == o.size() && o.back() == '\r') {
            fins_.pop_back();
        }
        fin = !ouverte ? o.size() : (fins_.empty() ? 0 : fins_.back());
        if (fin > 0 || fini_) break;
        // Not one whole line yet: one longer than the limit is refused before it fills memory.
        if (o.size() > ligneMax_ + 1) throw ErreurLigneTropLongue(lignes_ + 1, ligneMax_);
        cible = o.size() + tailleBloc_;
    }
    // The line being written, if any, is left to the reader that follows the file.
    if (fini_ && laisserOuverte_) taille = fin;
    if (taille == 0) return false;
    const char* o = memoire.donnees();
    std::size_t debut = 0;
    const auto ajouter = [&](std::size_t finLigne) {
        if (finLigne - debut > ligneMax_) {
            throw ErreurLigneTropLongue(lignes_ + bloc.lignes.size() + 1, ligneMax_);
        }
        bloc.lignes.emplace_back(o + debut, finLigne - debut);
    };
    for (const std::size_t k : fins_) {
        if (k > fin) break;
        const bool crlf = k >= debut + 2 && o[k - 1] == '\n' && o[k - 2] == '\r';
        ajouter(k - (crlf ? 2 : 1));
        debut = k;
    }
    if (fini_) {
        if (debut < taille) ajouter(taille);  // a last line without a break
    } else {
        reste_.assign(o + fin, taille - fin);
        taille = fin;
    }
    lignes_ += bloc.lignes.size();
    octetsLignes_ += taille;
    return true;
}

std::string premiereLigne(const std::string& chemin, std::size_t max) {
    EntreeFlux entree(chemin);
    return entree.premiereLigne(max);
}

bool relisible(const std::string& chemin) {
    struct stat s {};
    const int r =
        chemin == kEntreeStandard ? ::fstat(STDIN_FILENO, &s) : ::stat(chemin.c_str(), &s);
    return r == 0 && S_ISREG(s.st_mode);
}

}  // namespace kestrane
