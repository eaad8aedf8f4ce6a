// Big buffers of the program's own: anonymous memory asked for in huge pages where the system
// gives them. First touching 4 KiB pages costs here about as much as reading a file, and a
// journal or its line index is written once, then only read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kestrane {

class BlocMemoire {
  public:
    // Raises std::bad_alloc when the system refuses.
    explicit BlocMemoire(std::size_t octets);
    // A block of `octets` of address space whose pages take memory only once written: room
    // to grow into without ever moving (a journal that is followed).
    static std::unique_ptr<BlocMemoire> reserve(std::size_t octets);
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

// The memory this process may still take, in bytes: the least of what the system has available
// (MemAvailable and free swap), what its control group allows beyond what the group uses (the
// file cache it may give back aside), at every level of the group, and what its address-space
// limit leaves. UINT64_MAX when none of them can be read. Past it the process would be killed
// without a word (a group's limit) or refused memory.
uint64_t memoireDisponible();

// Its parts, from the texts of the system's files: "MemAvailable" plus "SwapFree" of
// /proc/meminfo; a group's limit ("max": none) less its usage less its "inactive_file" (cgroup v2:
// memory.max, memory.current, memory.stat; v1: memory.limit_in_bytes, memory.usage_in_bytes,
// total_inactive_file of memory.stat, whose "no limit" is a huge number).
std::optional<uint64_t> disponibleMeminfo(std::string_view meminfo);
std::optional<uint64_t> resteGroupe(std::string_view limite, std::string_view usage,
                                    std::string_view stat);

// An amount of memory for a message: "3,2 Go", "512 Mo" below one gigabyte (Windows-1252).
std::string texteMemoire(uint64_t octets);

// The value GLIBC_TUNABLES takes to ask glibc's allocator for transparent huge pages
// (glibc.malloc.hugetlb=1), the settings already in `actuels` kept; nullopt when they already say
// something of it (the user's choice, or this process is the run that asked).
std::optional<std::string> reglagesPagesEnormes(const char* actuels);

// The counts of an analysis are many small allocations growing by the hundred MiB, and first
// touching them page by page costs here a tenth of the analysis; in huge pages, a fifth as many
// faults. glibc reads its tunables only when a program starts: this one is run again, once, in
// place (/proc/self/exe, the same arguments, environment and descriptors, nothing read yet), with
// them. Returns when that is not needed or not possible. GLIBC_TUNABLES=glibc.malloc.hugetlb=0
// keeps the pages as they are.
void relancerAvecPagesEnormes(char* argv[]);

}  // namespace kestrane
