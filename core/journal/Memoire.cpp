#include "core/journal/Memoire.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "core/journal/Langue.h"
#include "core/journal/Messages.h"

namespace kestrane {

namespace {
// Below this the heap does as well, without a mapping of its own.
constexpr std::size_t kSeuilCarte = std::size_t{1} << 21;
}  // namespace

namespace {

char* carte(std::size_t octets) {
    void* p = ::mmap(nullptr, octets, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // A hint: where huge pages are not to be had, the memory works all the same.
    ::madvise(p, octets, MADV_HUGEPAGE);
    return static_cast<char*>(p);
}

}  // namespace

BlocMemoire::BlocMemoire(std::size_t octets) : taille_(octets) {
    if (octets == 0) return;
    if (octets < kSeuilCarte) {
        donnees_ = static_cast<char*>(std::malloc(octets));
        if (!donnees_) throw std::bad_alloc();
        return;
    }
    donnees_ = carte(octets);
    carte_ = true;
}

std::unique_ptr<BlocMemoire> BlocMemoire::reserve(std::size_t octets) {
    auto b = std::make_unique<BlocMemoire>(0);
    if (octets == 0) return b;
    void* p = ::mmap(nullptr, octets, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // Large pages for what is written there, as for a block of its exact size.
    ::madvise(p, octets, MADV_HUGEPAGE);
    b->donnees_ = static_cast<char*>(p);
    b->taille_ = octets;
    b->carte_ = true;
    return b;
}

BlocMemoire::~BlocMemoire() {
    if (!donnees_) return;
    if (carte_) {
        ::munmap(donnees_, taille_);
    } else {
        std::free(donnees_);
    }
}

void BlocMemoire::agrandir(std::size_t octets) {
    if (octets <= taille_) return;
    if (carte_) {
        void* p = ::mremap(donnees_, taille_, octets, MREMAP_MAYMOVE);
        if (p == MAP_FAILED) throw std::bad_alloc();
        ::madvise(p, octets, MADV_HUGEPAGE);
        donnees_ = static_cast<char*>(p);
    } else if (octets < kSeuilCarte) {
        void* p = std::realloc(donnees_, octets);
        if (!p) throw std::bad_alloc();
        donnees_ = static_cast<char*>(p);
    } else {
        char* p = carte(octets);
        if (taille_ > 0) std::memcpy(p, donnees_, taille_);
        std::free(donnees_);
        donnees_ = p;
        carte_ = true;
    }
    taille_ = octets;
}

namespace {

constexpr uint64_t kIllimite = UINT64_MAX;

// The text of a small file of the system's (asked for before each big block: no stream).
std::string lireTexte(const std::string& chemin) {
    std::string texte;
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return texte;
    char tampon[4096];
    for (ssize_t n; (n = ::read(fd, tampon, sizeof tampon)) > 0;) {
        texte.append(tampon, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return texte;
}

// The number after `cle` at the start of a line of `texte` ("cle: 123 kB", "cle 123"); nothing
// when no line starts with it.
std::optional<uint64_t> valeurDe(std::string_view texte, std::string_view cle) {
    for (std::size_t p = 0; p < texte.size();) {
        const std::size_t fin = std::min(texte.find('\n', p), texte.size());
        const std::string_view ligne = texte.substr(p, fin - p);
        p = fin + 1;
        if (ligne.substr(0, cle.size()) != cle || ligne.size() == cle.size() ||
            (ligne[cle.size()] != ':' && ligne[cle.size()] != ' ')) {
            continue;
        }
        std::size_t k = cle.size() + 1;
        while (k < ligne.size() && ligne[k] == ' ') ++k;
        if (k == ligne.size() || ligne[k] < '0' || ligne[k] > '9') return std::nullopt;
        uint64_t v = 0;
        for (; k < ligne.size() && ligne[k] >= '0' && ligne[k] <= '9'; ++k) {
            if (v > (kIllimite - 9) / 10) return kIllimite;
            v = v * 10 + static_cast<uint64_t>(ligne[k] - '0');
        }
        return v;
    }
    return std::nullopt;
}

std::optional<uint64_t> nombre(std::string_view texte) {
    return valeurDe(std::string("n ").append(texte), "n");
}

// The groups of the process, from the innermost to the root, for the memory controller: the
// folders holding their files, and whether they are cgroup v2's.
std::vector<std::pair<std::string, bool>> groupesMemoire() {
    std::vector<std::pair<std::string, bool>> groupes;
    const std::string liste = lireTexte("/proc/self/cgroup");
    for (std::size_t p = 0; p < liste.size();) {
        const std::size_t fin = std::min(liste.find('\n', p), liste.size());
        const std::string ligne = liste.substr(p, fin - p);
        p = fin + 1;
        // "0::/chemin" (v2) or "4:memory:/chemin" (v1).
        const std::size_t a = ligne.find(':'), b = ligne.find(':', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        const std::string controleurs = ligne.substr(a + 1, b - a - 1);
        std::string chemin = ligne.substr(b + 1);
        std::string racine;
        bool v2 = false;
        if (controleurs.empty()) {
            v2 = true;
            racine = ::access("/sys/fs/cgroup/cgroup.controllers", F_OK) == 0
                         ? "/sys/fs/cgroup"
                         : "/sys/fs/cgroup/unified";
        } else if (("," + controleurs + ",").find(",memory,") != std::string::npos) {
            racine = "/sys/fs/cgroup/memory";
        } else {
            continue;
        }
        for (;;) {
            groupes.emplace_back(racine + chemin, v2);
            if (chemin.empty() || chemin == "/") break;
            const std::size_t barre = chemin.rfind('/');
            chemin = barre == 0 || barre == std::string::npos ? "/" : chemin.substr(0, barre);
        }
    }
    return groupes;
}

}  // namespace

std::optional<uint64_t> disponibleMeminfo(std::string_view meminfo) {
    const auto disponible = valeurDe(meminfo, "MemAvailable");
    if (!disponible) return std::nullopt;
    return (*disponible + valeurDe(meminfo, "SwapFree").value_or(0)) * 1024;
}

std::optional<uint64_t> resteGroupe(std::string_view limite, std::string_view usage,
                                    std::string_view stat) {
    const auto max = nombre(limite);
    // "max", or v1's page-rounded largest value: no limit.
    if (!max || *max >= (uint64_t{1} << 62)) return std::nullopt;
    uint64_t utilise = nombre(usage).value_or(0);
    const auto cache = valeurDe(stat, "inactive_file") ? valeurDe(stat, "inactive_file")
                                                       : valeurDe(stat, "total_inactive_file");
    utilise -= std::min(utilise, cache.value_or(0));
    return *max > utilise ? *max - utilise : 0;
}

uint64_t memoireDisponible() {
    uint64_t reste = disponibleMeminfo(lireTexte("/proc/meminfo")).value_or(kIllimite);
    // A process stays in its group: the folders are looked for once.
    static const std::vector<std::pair<std::string, bool>> groupes = groupesMemoire();
    for (const auto& [dossier, v2] : groupes) {
        // The usage and the statistics (long at the root) only where a limit is set.
        const std::string limite =
            lireTexte(dossier + (v2 ? "/memory.max" : "/memory.limit_in_bytes"));
        if (!resteGroupe(limite, "", "")) continue;
        const auto r = resteGroupe(
            limite, lireTexte(dossier + (v2 ? "/memory.current" : "/memory.usage_in_bytes")),
            lireTexte(dossier + "/memory.stat"));
        if (r) reste = std::min(reste, *r);
    }
    struct rlimit limite {};
    if (::getrlimit(RLIMIT_AS, &limite) == 0 && limite.rlim_cur != RLIM_INFINITY) {
        // statm's first number: the pages mapped.
        const auto pages = nombre(lireTexte("/proc/self/statm")).value_or(0);
        const uint64_t mappe = pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
        reste = std::min<uint64_t>(reste, limite.rlim_cur > mappe ? limite.rlim_cur - mappe : 0);
    }
    return reste;
}

std::string texteMemoire(uint64_t octets) {
    char texte[32];
    const double go = static_cast<double>(octets) / (1024.0 * 1024.0 * 1024.0);
    if (go >= 1) {
        std::snprintf(texte, sizeof texte, "%.1f %s", go, kUnitesOctets[2]);
    } else {
        std::snprintf(texte, sizeof texte, "%llu %s", static_cast<unsigned long long>(octets >> 20),
                      kUnitesOctets[1]);
    }
    std::string s = texte;
    std::replace(s.begin(), s.end(), '.', virguleDecimale());
    return s;
}

std::optional<std::string> reglagesPagesEnormes(const char* actuels) {
    constexpr std::string_view kReglage = "glibc.malloc.hugetlb";
    const std::string_view a = actuels ? actuels : "";
    if (a.find(kReglage) != std::string_view::npos) return std::nullopt;
    return std::string(a).append(a.empty() ? "" : ":").append(kReglage).append("=1");
}

void relancerAvecPagesEnormes(char* argv[]) {
#if defined(__GLIBC__)
    const auto reglages = reglagesPagesEnormes(std::getenv("GLIBC_TUNABLES"));
    if (!reglages || ::setenv("GLIBC_TUNABLES", reglages->c_str(), 1) != 0) return;
    ::execv("/proc/self/exe", argv);
#else
    (void)argv;
#endif
}

}  // namespace kestrane
