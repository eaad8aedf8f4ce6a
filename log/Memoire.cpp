#include "log/Memoire.h"

#include <sys/mman.h>

#include <new>

namespace kestrane {

BlocMemoire::BlocMemoire(std::size_t octets) : taille_(octets) {
    if (octets == 0) return;
    void* p = ::mmap(nullptr, octets, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // A hint: where huge pages are not to be had, the memory works all the same.
    ::madvise(p, octets, MADV_HUGEPAGE);
    donnees_ = static_cast<char*>(p);
}

BlocMemoire::~BlocMemoire() {
    if (donnees_) ::munmap(donnees_, taille_);
}

}  // namespace kestrane
