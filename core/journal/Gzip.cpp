#include "core/journal/Gzip.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/journal/Memoire.h"

namespace kestrane {

namespace {

// Deflate gives at most about 1032 bytes for one: a bound on what a length field may claim.
constexpr uint64_t kTauxMaximal = 1032;
constexpr std::size_t kMarge = std::size_t{1} << 16;
constexpr std::size_t kPaquetLu = std::size_t{4} << 20;
// zlib counts its buffers in 32 bits.
constexpr std::size_t kPasMaximal = std::size_t{1} << 30;
// The decompressed bytes between two looks at the memory left (and most of one inflate call).
constexpr std::size_t kPasControle = std::size_t{64} << 20;

// The compressed bytes, piece by piece: `lire` fills `tampon` and returns the bytes given, 0 at
// the end.
using Lecteur = std::function<std::size_t(const unsigned char*& tampon)>;

struct Flux {
    z_stream z{};
    Flux() {
        if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) throw std::bad_alloc();
    }
    ~Flux() { inflateEnd(&z); }
    Flux(const Flux&) = delete;
    Flux& operator=(const Flux&) = delete;
};

// The first guess of the decompressed size: the length field of the last member (exact for a
// single member under 4 GiB), within what deflate could give for the compressed size.
std::size_t capaciteInitiale(uint64_t tailleFichier, const unsigned char* fin4) {
    uint64_t isize = 0;
    if (fin4) {
        isize = uint64_t{fin4[0]} | uint64_t{fin4[1]} << 8 | uint64_t{fin4[2]} << 16 |
                uint64_t{fin4[3]} << 24;
    }
    const uint64_t plafond = tailleFichier * kTauxMaximal;
    return static_cast<std::size_t>(std::min(isize, plafond)) + kMarge;
}

Decompresse decompresser(const Lecteur& lire, std::size_t capacite, const std::string& chemin,
                         const SuiviChargement& suivi) {
    const auto corrompu = [&] {
        leverErreurFichier(kDecompression, chemin, std::string(kGzipCorrompu));
    };
    const auto libre = [&] {
        return suivi.memoireLibre ? suivi.memoireLibre() : memoireDisponible();
    };
    // What the journal may take: the memory left at the start, and less when the system has less
    // meanwhile (asked again every kPasControle bytes). A length field may claim 4 GiB: no more
    // room is set aside than that.
    const uint64_t budget = libre();
    uint64_t plafond = budget, prochainControle = kPasControle;
    std::atomic<uint64_t>* lus = suivi.lus;
    Decompresse d;
    d.bloc = std::make_unique<BlocMemoire>(
        static_cast<std::size_t>(std::min<uint64_t>(capacite, std::max<uint64_t>(budget, kMarge))));
    Flux flux;
    z_stream& z = flux.z;
    std::size_t piece = 0;
    bool finFichier = false;
    // Between two members: zero bytes may pad the file's end, anything else must be a member.
    bool entreMembres = false;
    bool zerosSautes = false;
    const auto remplir = [&] {
        const unsigned char* tampon = nullptr;
        piece = lire(tampon);
        finFichier = piece == 0;
        z.next_in = const_cast<Bytef*>(tampon);
        z.avail_in = static_cast<uInt>(piece);
        if (lus) lus->fetch_add(piece, std::memory_order_relaxed);
    };
    for (;;) {
        if (suivi.annulation && suivi.annulation->load(std::memory_order_relaxed)) {
            throw ErreurAnnulation();
        }
        if (z.avail_in == 0) {
            remplir();
            if (finFichier) {
                if (entreMembres) break;
                leverErreurFichier(kDecompression, chemin, std::string(kGzipIncomplet));
            }
        }
        if (entreMembres) {
            while (z.avail_in > 0 && *z.next_in == 0) {
                ++z.next_in;
                --z.avail_in;
                zerosSautes = true;
            }
            if (z.avail_in == 0) continue;
            if (zerosSautes) corrompu();
            if (inflateReset(&z) != Z_OK) corrompu();
            entreMembres = false;
        }
        if (d.taille == d.bloc->taille()) {
            uint64_t nouvelle = uint64_t{d.bloc->taille()} * 2;
            if (nouvelle > plafond) nouvelle = std::max<uint64_t>(plafond, d.taille + kMarge);
            d.bloc->agrandir(static_cast<std::size_t>(nouvelle));
        }
        const std::size_t pas = std::min({d.bloc->taille() - d.taille, kPasMaximal, kPasControle});
        // Checked before the bytes are written: past the limit the system would kill the process.
        const uint64_t apres = uint64_t{d.taille} + pas;
        if (apres >= prochainControle) {
            const uint64_t maintenant = libre();
            plafond = std::min(
                budget, maintenant > UINT64_MAX - d.taille ? UINT64_MAX : d.taille + maintenant);
            prochainControle = apres + kPasControle;
        }
        if (apres + apres / 8 > plafond) leverMemoireDepassee(true, plafond);
        z.next_out = reinterpret_cast<Bytef*>(d.bloc->donnees() + d.taille);
        z.avail_out = static_cast<uInt>(pas);
        const uInt avant = z.avail_out;
        const int r = inflate(&z, Z_NO_FLUSH);
        d.taille += avant - z.avail_out;
        if (r == Z_STREAM_END) {
            entreMembres = true;
        } else if (r == Z_MEM_ERROR) {
            throw std::bad_alloc();
        } else if (r != Z_OK && r != Z_BUF_ERROR) {
            corrompu();
        }
    }
    return d;
}

}  // namespace

struct FluxGzip::Etat {
    Lecture lire;
    std::string chemin;
    Flux flux;
    bool fini = false;
    // Between two members: zero bytes may pad the stream's end, anything else must be a member.
    bool entreMembres = false;
    bool zerosSautes = false;
};

FluxGzip::FluxGzip(Lecture lire, std::string chemin) : etat_(std::make_unique<Etat>()) {
    etat_->lire = std::move(lire);
    etat_->chemin = std::move(chemin);
}

FluxGzip::~FluxGzip() = default;

std::size_t FluxGzip::lire(char* sortie, std::size_t max) {
    Etat& e = *etat_;
    z_stream& z = e.flux.z;
    const auto corrompu = [&] {
        leverErreurFichier(kDecompression, e.chemin, std::string(kGzipCorrompu));
    };
    max = std::min(max, kPasMaximal);
    while (!e.fini) {
        if (z.avail_in == 0) {
            const unsigned char* tampon = nullptr;
            const std::size_t piece = e.lire(tampon);
            if (piece == 0) {
                if (!e.entreMembres)
                    leverErreurFichier(kDecompression, e.chemin, std::string(kGzipIncomplet));
                e.fini = true;
                break;
            }
            z.next_in = const_cast<Bytef*>(tampon);
            z.avail_in = static_cast<uInt>(piece);
        }
        if (e.entreMembres) {
            while (z.avail_in > 0 && *z.next_in == 0) {
                ++z.next_in;
                --z.avail_in;
                e.zerosSautes = true;
            }
            if (z.avail_in == 0) continue;
            if (e.zerosSautes) corrompu();
            if (inflateReset(&z) != Z_OK) corrompu();
            e.entreMembres = false;
        }
        z.next_out = reinterpret_cast<Bytef*>(sortie);
        z.avail_out = static_cast<uInt>(max);
        const int r = inflate(&z, Z_NO_FLUSH);
        const std::size_t faits = max - z.avail_out;
        if (r == Z_STREAM_END) {
            e.entreMembres = true;
        } else if (r == Z_MEM_ERROR) {
            throw std::bad_alloc();
        } else if (r != Z_OK && r != Z_BUF_ERROR) {
            corrompu();
        }
        if (faits > 0) return faits;
    }
    return 0;
}

bool estGzip(std::string_view debut) {
    return debut.size() >= 2 && static_cast<unsigned char>(debut[0]) == 0x1f &&
           static_cast<unsigned char>(debut[1]) == 0x8b;
}

Decompresse decompresserGzip(int fd, uint64_t tailleFichier, const std::string& chemin,
                             std::atomic<uint64_t>* lus) {
    SuiviChargement suivi;
    suivi.lus = lus;
    return decompresserGzip(fd, tailleFichier, chemin, suivi);
}

Decompresse decompresserGzip(int fd, uint64_t tailleFichier, const std::string& chemin,
                             const SuiviChargement& suivi) {
    const auto echec = [&](int err) {
        leverErreurFichier(kOuvertureFichier, chemin, descriptionSysteme(err));
    };
    unsigned char fin4[4];
    const bool finLue =
        tailleFichier >= 4 &&
        ::pread(fd, fin4, 4, static_cast<off_t>(tailleFichier - 4)) == static_cast<ssize_t>(4);
    std::vector<unsigned char> tampon(kPaquetLu);
    uint64_t position = 0;
    const Lecteur lire = [&](const unsigned char*& donnees) -> std::size_t {
        for (;;) {
            const ssize_t n =
                ::pread(fd, tampon.data(), tampon.size(), static_cast<off_t>(position));
            if (n < 0) {
                if (errno == EINTR) continue;
                echec(errno);
            }
            position += static_cast<uint64_t>(n);
            donnees = tampon.data();
            return static_cast<std::size_t>(n);
        }
    };
    return decompresser(lire, capaciteInitiale(tailleFichier, finLue ? fin4 : nullptr), chemin,
                        suivi);
}

Decompresse decompresserGzip(std::string_view octets, const std::string& chemin,
                             const SuiviChargement& suivi) {
    std::size_t position = 0;
    const Lecteur lire = [&](const unsigned char*& donnees) -> std::size_t {
        const std::size_t n = std::min(octets.size() - position, kPasMaximal);
        donnees = reinterpret_cast<const unsigned char*>(octets.data() + position);
        position += n;
        return n;
    };
    const auto* fin4 =
        octets.size() >= 4
            ? reinterpret_cast<const unsigned char*>(octets.data() + octets.size() - 4)
            : nullptr;
    return decompresser(lire, capaciteInitiale(octets.size(), fin4), chemin, suivi);
}

}  // namespace kestrane
