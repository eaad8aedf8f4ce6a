// Compressed journals: a file that starts with the gzip magic bytes 1f 8b, whatever its name, is
// decompressed as it is read, every member of it in turn (as `gzip -dc` does).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/journal/Journal.h"
#include "core/journal/Messages.h"

namespace kestrane {

class BlocMemoire;

// Whether these first bytes of a file are those of a gzip file.
bool estGzip(std::string_view debut);

// The decompressed bytes: `taille` of them at the start of `bloc`.
struct Decompresse {
    std::unique_ptr<BlocMemoire> bloc;
    std::size_t taille = 0;
};

// Decompresses the gzip file open on `fd`, from its start, `tailleFichier` bytes long.
// `lus`, when given, is increased by the compressed bytes as they are read (for a progress bar).
// Raises ErreurFichier "Impossible de décompresser le fichier "<chemin>". <why>" when the data is
// cut short or corrupt (a bad header, a bad block, a wrong check value or length, bytes after the
// last member that are neither another member nor padding zeros), "Impossible d'ouvrir le fichier
// ..." when reading fails.
// With `suivi`: cancelled between blocks, and stopped before the decompressed bytes (with an
// eighth more for their line index) would pass the memory the process may take.
Decompresse decompresserGzip(int fd, uint64_t tailleFichier, const std::string& chemin,
                             const SuiviChargement& suivi);
Decompresse decompresserGzip(int fd, uint64_t tailleFichier, const std::string& chemin,
                             std::atomic<uint64_t>* lus = nullptr);

// The same over bytes in memory (tests, fuzzing).
Decompresse decompresserGzip(std::string_view octets, const std::string& chemin,
                             const SuiviChargement& suivi = {});

// A gzip stream decompressed piece by piece (a pipe, a file read in blocks), every member in
// turn and with the same errors as decompresserGzip; what it holds does not grow with the data.
class FluxGzip {
  public:
    // Fills its argument with the next compressed bytes and returns how many; 0 at the end.
    using Lecture = std::function<std::size_t(const unsigned char*& tampon)>;
    FluxGzip(Lecture lire, std::string chemin);
    ~FluxGzip();
    FluxGzip(const FluxGzip&) = delete;
    FluxGzip& operator=(const FluxGzip&) = delete;
    // Up to `max` decompressed bytes (at least 1) into `sortie`; 0 once the last member is done.
    std::size_t lire(char* sortie, std::size_t max);

  private:
    struct Etat;
    std::unique_ptr<Etat> etat_;
};

}  // namespace kestrane
