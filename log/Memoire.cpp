#include "log/Memoire.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace kestrane {

namespace {
// Below this the heap does as well, without a mapping of its own.
constexpr std::size_t kSeuilCarte = std::size_t{1} << 21;
}  // namespace

BlocMemoire::BlocMemoire(std::size_t octets) : taille_(octets) {
    if (octets == 0) return;
    if (octets < kSeuilCarte) {
        donnees_ = static_cast<char*>(std::malloc(octets));
        if (!donnees_) throw std::bad_alloc();
        return;
    }
    void* p = ::mmap(nullptr, octets, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // A hint: where huge pages are not to be had, the memory works all the same.
    ::madvise(p, octets, MADV_HUGEPAGE);
    donnees_ = static_cast<char*>(p);
}

BlocMemoire::~BlocMemoire() {
    if (!donnees_) return;
    if (taille_ < kSeuilCarte) {
        std::free(donnees_);
    } else {
        ::munmap(donnees_, taille_);
    }
}

}  // namespace kestrane
