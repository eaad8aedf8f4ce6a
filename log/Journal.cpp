#include "log/Journal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

#include "log/DeuxFils.h"
#include "log/Erreur.h"
#include "log/UString.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrane {

// A mapped file that another program truncates raises SIGBUS on the pages past its new end.
// The guard puts zero pages in their place so that reading goes on, and notes the damage.
namespace {

struct ZoneGardee {
    std::atomic<uintptr_t> debut{0};
    std::atomic<std::size_t> taille{0};
    std::atomic<bool> touchee{false};
};
constexpr int kNbZones = 64;
ZoneGardee zones[kNbZones];
struct sigaction actionPrecedente;

void surSigbus(int signal, siginfo_t* info, void* contexte) {
    const auto adresse = reinterpret_cast<uintptr_t>(info->si_addr);
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    for (auto& z : zones) {
        const uintptr_t d = z.debut.load();
        const std::size_t t = z.taille.load();
        if (d == 0 || adresse < d || adresse >= d + t) continue;
        const uintptr_t premiere = adresse & ~(page - 1);
        void* p = mmap(reinterpret_cast<void*>(premiere), d + t - premiere, PROT_READ,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (p != MAP_FAILED) {
            z.touchee.store(true);
            return;  // the access is retried on the zero pages
        }
    }
    // Not one of ours: behave as before the guard.
    if (actionPrecedente.sa_flags & SA_SIGINFO) {
        if (actionPrecedente.sa_sigaction) {
            actionPrecedente.sa_sigaction(signal, info, contexte);
            return;
        }
    } else if (actionPrecedente.sa_handler != SIG_DFL && actionPrecedente.sa_handler != SIG_IGN) {
        actionPrecedente.sa_handler(signal);
        return;
    }
    ::signal(SIGBUS, SIG_DFL);
    raise(SIGBUS);
}

void installerGarde() {
    static std::once_flag fait;
    std::call_once(fait, [] {
        struct sigaction a {};
        a.sa_sigaction = surSigbus;
        a.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&a.sa_mask);
        sigaction(SIGBUS, &a, &actionPrecedente);
    });
}

ZoneGardee* garder(void* debut, std::size_t taille) {
    installerGarde();
    for (auto& z : zones) {
        uintptr_t libre = 0;
        if (z.debut.load() == 0 && z.taille.load() == 0 &&
            z.debut.compare_exchange_strong(libre, reinterpret_cast<uintptr_t>(debut))) {
            z.touchee.store(false);
            z.taille.store(taille);
            return &z;
        }
    }
    return nullptr;  // more journals alive than zones: this one goes unguarded
}

}  // namespace

struct Journal::Stockage {
    std::string texte;      // used when the bytes were read or given
    void* carte = nullptr;  // used when the file is mapped
    std::size_t tailleCarte = 0;
    ZoneGardee* zone = nullptr;

    Stockage() = default;
    Stockage(const Stockage&) = delete;
    Stockage& operator=(const Stockage&) = delete;
    ~Stockage() {
        if (zone) {
            zone->taille.store(0);
            zone->debut.store(0);
        }
        if (carte) munmap(carte, tailleCarte);
    }
    std::string_view octets() const {
        return carte ? std::string_view(static_cast<const char*>(carte), tailleCarte)
                     : std::string_view(texte);
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

Journal::Journal() : Journal(std::make_shared<const Stockage>()) {}

Journal::Journal(std::shared_ptr<const Stockage> stockage) : stockage_(std::move(stockage)) {
    indexer();
}

namespace {

// A long buffer is indexed by two threads, one half each; the halves meet just after a line
// feed, so that no break straddles them.
constexpr std::size_t kSeuilDeuxFils = std::size_t{32} << 20;

std::size_t coupure(std::string_view o) {
    if (o.size() < kSeuilDeuxFils) return o.size();
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
    std::shared_ptr<uint64_t[]> index(new uint64_t[sauts + 2]);
    uint64_t* debuts = index.get();
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
}

std::string_view Journal::octets() const {
    return stockage_->octets();
}

bool Journal::tronque() const {
    return stockage_->zone && stockage_->zone->touchee.load();
}

std::string_view Journal::ligne(std::size_t i) const {
    const char* d = stockage_->octets().data();
    const uint64_t debut = debuts_[i];
    uint64_t fin = debuts_[i + 1];
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

namespace {

[[noreturn]] void leverOuverture(const std::string& chemin, int err) {
    std::string m = "Impossible d'ouvrir le fichier \"";
    m += chemin;
    m += "\". ";
    m += std::strerror(err);
    throw ErreurFichier(m, err);
}

[[noreturn]] void leverCapacite() {
    throw ErreurKestrane("Le texte d\xE9passe la capacit\xE9 du m\xE9mo");
}

}  // namespace

Journal Journal::charger(const std::string& chemin) {
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) leverOuverture(chemin, errno);
    struct Fermeture {
        int fd;
        ~Fermeture() { ::close(fd); }
    } fermeture{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0) leverOuverture(chemin, errno);
    if (S_ISDIR(st.st_mode)) leverOuverture(chemin, EISDIR);
    try {
        auto s = std::make_shared<Stockage>();
        if (S_ISREG(st.st_mode) && st.st_size > 0) {
            const auto taille = static_cast<std::size_t>(st.st_size);
            void* carte = ::mmap(nullptr, taille, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (carte == MAP_FAILED) {
                if (errno == ENOMEM) leverCapacite();
                leverOuverture(chemin, errno);
            }
            s->carte = carte;
            s->tailleCarte = taille;
            s->zone = garder(carte, taille);
        } else {
            // Pipes, character devices and files whose size the system does not tell.
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
        }
        return Journal(std::move(s));
    } catch (const std::bad_alloc&) {
        leverCapacite();
    } catch (const std::length_error&) {
        leverCapacite();
    }
}

}  // namespace kestrane
