// Big buffers of the program's own: anonymous memory asked for in huge pages where the system
// gives them. First touching 4 KiB pages costs here about as much as reading a file, and a
// journal or its line index is written once, then only read.
#pragma once

#include <cstddef>

namespace kestrane {

class BlocMemoire {
  public:
    // Raises std::bad_alloc when the system refuses.
    explicit BlocMemoire(std::size_t octets);
    ~BlocMemoire();
    BlocMemoire(const BlocMemoire&) = delete;
    BlocMemoire& operator=(const BlocMemoire&) = delete;

    char* donnees() const { return donnees_; }
    std::size_t taille() const { return taille_; }

    // Grows the block to `octets` (no smaller than now), keeping its bytes; the data may move.
    // A mapped block is remapped, not copied. Raises std::bad_alloc when the system refuses.
    void agrandir(std::size_t octets);

  private:
    char* donnees_ = nullptr;
    std::size_t taille_ = 0;
    bool carte_ = false;  // mapped, or from the heap
};

}  // namespace kestrane
