#include "core/journal/Journal.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "core/journal/Gzip.h"
#include "core/journal/LectureFlux.h"
#include "core/journal/Memoire.h"
#include "core/journal/Octets.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrane {

struct Journal::Stockage {
    std::string texte;                  // used when the bytes were given
    std::unique_ptr<BlocMemoire> bloc;  // used when the file was read
    std::size_t taille = 0;             // bytes of the block in use
    // A journal that grows (prolonger): `bloc` is address space reserved to grow into, and the
    // line index lives here too, in the same kind of block, shared by the journals made from it.
    // The journals of one storage each see its first bytes and index entries, up to their own
    // length: appending writes only past all of them.
    bool extensible = false;
    std::unique_ptr<BlocMemoire> index;
    std::size_t entrees = 0;  // index entries written

    std::string_view octets() const {
        return bloc ? std::string_view(bloc->donnees(), taille) : std::string_view(texte);
    }
};

namespace {

// Calls `fin(k)` with the offset just after every line break of `o`, in order. CR LF is one
// break; lone CR and lone LF are breaks of their own.
template <typename F>
void parcourirSauts(std::string_view o, F&& fin) {
    const char* d = o.data();
    const std::size_t n = o.size();
    std::size_t i = 0;
    auto traiter = [&](std::size_t k) -> std::size_t {
        if (d[k] == '\r' && k + 1 < n && d[k + 1] == '\n') {
            fin(k + 2);
            return k + 2;
        }
        fin(k + 1);
        return k + 1;
    };
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    std::size_t suivant = 0;  // bytes before this offset were consumed by a CR LF
    while (i + 16 <= n) {
        const __m128i bloc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        unsigned masque = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bloc, cr), _mm_cmpeq_epi8(bloc, lf))));
        while (masque) {
            const std::size_t k = i + static_cast<std::size_t>(__builtin_ctz(masque));
            masque &= masque - 1;
            if (k < suivant) continue;
            suivant = traiter(k);
        }
        i += 16;
    }
    if (suivant > i) i = suivant;
#endif
    while (i < n) {
        if (d[i] == '\r' || d[i] == '\n') {
            i = traiter(i);
        } else {
            ++i;
        }
    }
}

}  // namespace

std::size_t compterLignes(std::string_view octets) {
    if (octets.empty()) return 0;
    std::size_t sauts = 0;
    std::size_t dernier = 0;
    parcourirSauts(octets, [&](std::size_t k) {
        ++sauts;
        dernier = k;
    });
    return (sauts > 0 && dernier == octets.size()) ? sauts : sauts + 1;
}

void trouverSauts(std::string_view octets, std::vector<std::size_t>& fins) {
    parcourirSauts(octets, [&](std::size_t k) { fins.push_back(k); });
}

Journal::Journal() : Journal(std::make_shared<const Stockage>()) {}

Journal::Journal(std::shared_ptr<const Stockage> stockage) : stockage_(std::move(stockage)) {
    indexer();
}

namespace {

// A long buffer is indexed by two threads, one half each; the halves meet just after a line
// feed, so that no break straddles them.
std::size_t coupure(std::string_view o) {
    if (o.size() < kSeuilDeuxFilsOctets) return o.size();
    const char* lf = trouverOctet(o.data() + o.size() / 2, o.size() - o.size() / 2, '\n');
    return lf ? static_cast<std::size_t>(lf - o.data()) + 1 : o.size();
}

std::size_t compterSauts(std::string_view o) {
    std::size_t sauts = 0;
    parcourirSauts(o, [&](std::size_t) { ++sauts; });
    return sauts;
}

}  // namespace

void Journal::indexer() {
    const std::string_view o = stockage_->octets();
    const std::size_t m = coupure(o);
    const bool deux = m < o.size();
    const std::string_view a = o.substr(0, m), b = o.substr(m);
    // Counting first sizes the index once; its pages are first touched by the threads that
    // fill it, not zeroed beforehand.
    std::size_t sautsA = 0, sautsB = 0;
    enParallele(
        deux, [&] { sautsA = compterSauts(a); }, [&] { sautsB = compterSauts(b); });
    const std::size_t sauts = sautsA + sautsB;
    std::shared_ptr<BlocMemoire> index;
    uint64_t* debuts;
    auto* s = const_cast<Stockage*>(stockage_.get());
    if (s->extensible) {
        // Room for as many lines again, and a few million more; a journal that cannot grow in
        // place where the system refuses it (prolonger copies it then).
        try {
            s->index =
                BlocMemoire::reserve((2 * sauts + (std::size_t{1} << 22)) * sizeof(uint64_t));
        } catch (const std::bad_alloc&) {
            s->extensible = false;
        }
    }
    if (s->extensible) {
        debuts = reinterpret_cast<uint64_t*>(s->index->donnees());
    } else {
        index = std::make_shared<BlocMemoire>((sauts + 2) * sizeof(uint64_t));
        debuts = reinterpret_cast<uint64_t*>(index->donnees());
    }
    debuts[0] = 0;
    enParallele(
        deux,
        [&] {
            uint64_t* p = debuts + 1;
            parcourirSauts(a, [&](std::size_t k) { *p++ = k; });
        },
        [&] {
            uint64_t* p = debuts + 1 + sautsA;
            parcourirSauts(b, [&](std::size_t k) { *p++ = m + k; });
        });
    if (sauts > 0 && debuts[sauts] == o.size()) {
        nbLignes_ = sauts;
        finitParSaut_ = true;
    } else {
        nbLignes_ = o.empty() ? 0 : sauts + 1;
        finitParSaut_ = false;
        debuts[sauts + 1] = o.size();
    }
    debuts_ = debuts;
    index_ = std::move(index);
    longueur_ = o.size();
    if (stockage_->extensible) const_cast<Stockage*>(stockage_.get())->entrees = nbLignes_ + 1;
}

Journal Journal::prolonger(std::string_view nouveaux) const {
    auto* s = const_cast<Stockage*>(stockage_.get());
    const std::size_t n = longueur_, total = n + nouveaux.size();
    // The last line is read again with the new bytes (they may complete it, or make its lone CR
    // the first half of a CR LF): its index entries and those after are written anew, which no
    // journal before reads (ligne() ends a last line at the journal's own length).
    const std::size_t derniere = nbLignes_ == 0 ? 0 : nbLignes_ - 1;
    const std::size_t debut = nbLignes_ == 0 ? 0 : debuts_[derniere];
    const std::size_t place = s->index ? s->index->taille() / sizeof(uint64_t) : 0;
    // In place when this journal is the last of its storage and there is room; otherwise a
    // storage of its own with room to grow into, indexed whole.
    if (!s->extensible || s->taille != n || total > s->bloc->taille() ||
        derniere + 2 + compterSauts(nouveaux) + 1 > place) {
        auto nouveau = std::make_shared<Stockage>();
        nouveau->extensible = true;
        nouveau->bloc = BlocMemoire::reserve(std::max(2 * total, total + (std::size_t{64} << 20)));
        std::memcpy(nouveau->bloc->donnees(), octets().data(), n);
        if (!nouveaux.empty()) {
            std::memcpy(nouveau->bloc->donnees() + n, nouveaux.data(), nouveaux.size());
        }
        nouveau->taille = total;
        return Journal(std::move(nouveau));
    }
    if (!nouveaux.empty()) std::memcpy(s->bloc->donnees() + n, nouveaux.data(), nouveaux.size());
    s->taille = total;
    auto* debuts = reinterpret_cast<uint64_t*>(s->index->donnees());
    std::size_t e = derniere;  // the entry of the line being read
    const std::string_view suite(s->bloc->donnees() + debut, total - debut);
    parcourirSauts(suite, [&](std::size_t k) { debuts[++e] = debut + k; });
    Journal j(*this);
    j.longueur_ = total;
    if (e > derniere && debuts[e] == total) {
        j.nbLignes_ = e;
        j.finitParSaut_ = true;
    } else {
        j.nbLignes_ = total == 0 ? 0 : e + 1;
        j.finitParSaut_ = false;
        debuts[e + 1] = total;
    }
    s->entrees = j.nbLignes_ + 1;
    return j;
}

std::string_view Journal::octets() const {
    return std::string_view(stockage_->octets().data(), longueur_);
}

std::string_view Journal::ligne(std::size_t i) const {
    const char* d = octets().data();
    const uint64_t debut = debuts_[i];
    // The last line ends at the journal's length: the index past it belongs to the journals
    // prolonged from this one.
    uint64_t fin = i + 1 < nbLignes_ ? debuts_[i + 1] : longueur_;
    if (i + 1 < nbLignes_ || finitParSaut_) {
        --fin;  // the LF or lone CR
        if (fin > debut && d[fin] == '\n' && d[fin - 1] == '\r') --fin;
    }
    return std::string_view(d + debut, static_cast<std::size_t>(fin - debut));
}

void Journal::ecrireCRLF(const std::function<void(std::string_view)>& ecrire) const {
    std::string tampon;
    constexpr std::size_t kPaquet = 1 << 20;
    tampon.reserve(kPaquet + 64);
    for (std::size_t i = 0; i < nbLignes_; ++i) {
        const std::string_view l = ligne(i);
        if (tampon.size() + l.size() + 2 > kPaquet && !tampon.empty()) {
            ecrire(tampon);
            tampon.clear();
        }
        if (l.size() >= kPaquet) {
            ecrire(l);
        } else {
            tampon.append(l);
        }
        if (i + 1 < nbLignes_ || finitParSaut_) tampon.append("\r\n");
    }
    if (!tampon.empty()) ecrire(tampon);
}

Journal Journal::depuisTexte(std::string texte) {
    auto s = std::make_shared<Stockage>();
    s->texte = std::move(texte);
    return Journal(std::move(s));
}

Journal Journal::depuisBloc(std::unique_ptr<BlocMemoire> bloc, std::size_t taille) {
    auto s = std::make_shared<Stockage>();
    s->bloc = std::move(bloc);
    s->taille = taille;
    return Journal(std::move(s));
}

namespace {

[[noreturn]] void leverOuverture(const std::string& chemin, int err) {
    leverErreurFichier(kOuvertureFichier, chemin, descriptionSysteme(err));
}

// The bytes read in one call, between two looks at the cancel flag.
constexpr std::size_t kPaquetLu = std::size_t{64} << 20;

[[noreturn]] void leverCapacite() {
    throw ErreurKestrane(kCapaciteMemo);
}

// Reads `taille` bytes from the start of the file into `dest`, two halves at once on a big file.
// Returns the bytes read: fewer when the file was cut short meanwhile (what it held up to its new
// end). Raises the system's error, or ErreurAnnulation.
std::size_t lireFichier(int fd, char* dest, std::size_t taille, const std::string& chemin,
                        const SuiviChargement& suivi) {
    std::atomic<bool> annule{false};
    const auto lire = [&](std::size_t debut, std::size_t fin, int& erreur) {
        std::size_t pos = debut;
        while (pos < fin) {
            if (suivi.annulation && suivi.annulation->load(std::memory_order_relaxed)) {
                annule = true;
                break;
            }
            const ssize_t n =
                ::pread(fd, dest + pos, std::min(fin - pos, kPaquetLu), static_cast<off_t>(pos));
            if (n < 0) {
                if (errno == EINTR) continue;
                erreur = errno;
                break;
            }
            if (n == 0) break;
            pos += static_cast<std::size_t>(n);
            if (suivi.lus)
                suivi.lus->fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
        }
        return pos;
    };
    const std::size_t milieu = taille >= kSeuilDeuxFilsOctets ? taille / 2 : taille;
    int erreurA = 0, erreurB = 0;
    std::size_t finA = 0, finB = milieu;
    enParallele(
        milieu < taille, [&] { finA = lire(0, milieu, erreurA); },
        [&] { finB = lire(milieu, taille, erreurB); });
    if (annule) throw ErreurAnnulation();
    if (erreurA) leverOuverture(chemin, erreurA);
    if (finA < milieu) return finA;
    if (erreurB) leverOuverture(chemin, erreurB);
    return finB;
}

}  // namespace

Journal Journal::charger(const std::string& chemin, std::atomic<uint64_t>* lus) {
    SuiviChargement suivi;
    suivi.lus = lus;
    return charger(chemin, suivi);
}

void leverMemoireDepassee(bool decompresse, uint64_t plafond) {
    throw ErreurKestrane(texteMemoireDepassee(decompresse, texteMemoire(plafond)));
}

namespace {

// Standard input or a pipe, read to its end once (decompressed as it comes when gzip): its size is
// unknown, so the block grows as the bytes come, never past the memory the process may take.
Journal chargerFlux(const std::string& chemin, const SuiviChargement& suivi) {
    EntreeFlux entree(chemin);
    auto bloc = std::make_unique<BlocMemoire>(std::size_t{1} << 20);
    std::size_t taille = 0;
    uint64_t lus = 0;
    for (;;) {
        if (suivi.annulation && suivi.annulation->load(std::memory_order_relaxed)) {
            throw ErreurAnnulation();
        }
        if (taille == bloc->taille()) {
            const std::size_t voulu = taille + std::max(taille / 2, std::size_t{1} << 20);
            // The bytes added and the line index of the whole, made right after.
            const uint64_t libre = suivi.memoireLibre ? suivi.memoireLibre() : memoireDisponible();
            if (voulu - taille + voulu / 8 > libre) leverMemoireDepassee(false, libre);
            bloc->agrandir(voulu);
        }
        const std::size_t n = entree.lire(bloc->donnees() + taille, bloc->taille() - taille);
        if (n == 0) break;
        taille += n;
        if (suivi.lus) suivi.lus->fetch_add(entree.octetsLus() - lus, std::memory_order_relaxed);
        lus = entree.octetsLus();
    }
    return Journal::depuisBloc(std::move(bloc), taille);
}

}  // namespace

Journal Journal::charger(const std::string& chemin, const SuiviChargement& suivi) {
    // Not blocked by a pipe that has no writer: it is refused below, as any file that is not a
    // regular one (an endless device would be read until memory runs out), unless pipes are read.
    const bool entree = suivi.flux && chemin == kEntreeStandard;
    // A named pipe is opened once, blocking until its writer comes: opened first without waiting
    // and again to read, a writer that came and went between the two would leave the second open
    // waiting for ever.
    struct stat avant {};
    if (suivi.flux && !entree && ::stat(chemin.c_str(), &avant) == 0 && S_ISFIFO(avant.st_mode)) {
        try {
            return chargerFlux(chemin, suivi);
        } catch (const std::bad_alloc&) {
            leverCapacite();
        }
    }
    const int fd =
        entree ? STDIN_FILENO : ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) leverOuverture(chemin, errno);
    struct Fermeture {
        int fd;
        bool possede;
        ~Fermeture() {
            if (possede) ::close(fd);
        }
    } fermeture{fd, !entree};

    struct stat st {};
    if (::fstat(fd, &st) != 0) leverOuverture(chemin, errno);
    if (suivi.flux && S_ISFIFO(st.st_mode)) {
        try {
            return chargerFlux(chemin, suivi);
        } catch (const std::bad_alloc&) {
            leverCapacite();
        }
    }
    if (!S_ISREG(st.st_mode))
        leverErreurFichier(kOuvertureFichier, chemin, std::string(kPasFichierOrdinaire));
    try {
        // The bytes are copied into memory of the program's own: whatever happens to the file
        // afterwards (rotated, truncated, rewritten, deleted), the journal stays as it was loaded.
        auto s = std::make_shared<Stockage>();
        char magique[2];
        if (st.st_size > 0 && ::pread(fd, magique, 2, 0) == 2 &&
            estGzip(std::string_view(magique, 2))) {
            Decompresse d = decompresserGzip(fd, static_cast<uint64_t>(st.st_size), chemin, suivi);
            s->bloc = std::move(d.bloc);
            s->taille = d.taille;
        } else if (st.st_size > 0) {
            const auto taille = static_cast<std::size_t>(st.st_size);
            // With an eighth more for the line index, made right after.
            const uint64_t libre = suivi.memoireLibre ? suivi.memoireLibre() : memoireDisponible();
            if (taille + taille / 8 > libre) leverMemoireDepassee(false, libre);
            // Address space to grow into (a journal followed as its file grows: prolonger), its
            // pages taken only when written; exactly the file's size where the system refuses.
            try {
                s->bloc =
                    BlocMemoire::reserve(std::max(2 * taille, taille + (std::size_t{64} << 20)));
                s->extensible = true;
            } catch (const std::bad_alloc&) {
                s->bloc = std::make_unique<BlocMemoire>(taille);
            }
            s->taille = lireFichier(fd, s->bloc->donnees(), taille, chemin, suivi);
        } else {
            // Files whose size the system does not tell (those of /proc).
            char tampon[1 << 16];
            for (;;) {
                const ssize_t lu = ::read(fd, tampon, sizeof tampon);
                if (lu < 0) {
                    if (errno == EINTR) continue;
                    leverOuverture(chemin, errno);
                }
                if (lu == 0) break;
                s->texte.append(tampon, static_cast<std::size_t>(lu));
            }
            if (estGzip(s->texte)) {
                Decompresse d = decompresserGzip(s->texte, chemin, suivi);
                s->texte.clear();
                s->bloc = std::move(d.bloc);
                s->taille = d.taille;
            }
        }
        return Journal(std::move(s));
    } catch (const std::bad_alloc&) {
        leverCapacite();
    } catch (const std::length_error&) {
        leverCapacite();
    }
}

}  // namespace kestrane
