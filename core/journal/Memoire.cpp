#include "core/journal/Memoire.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

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

}  // namespace kestrane
