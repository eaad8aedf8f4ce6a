// A journal file followed as it grows, as `tail -F` follows it: the lines appended since the last
// look, whole, whatever pieces the writer wrote them in, across the rotations a log goes through —
// the file renamed and a new one created (the old one read to its end first), the file truncated
// in place (read again from its start), the file deleted and created again. Standard input ("-")
// is followed as a stream. No Qt, no thread of its own: the caller looks when it wants (a
// file-system watch, a timer), each look reading only what was added.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace kestrane {

class SuiviFichier {
  public:
    // Follows `chemin` from byte `depart` of the file there now (the bytes before were read
    // already; past its size — the file shrank since — from its start). "-": standard input,
    // `depart` ignored. Never raises: a missing file is waited for.
    explicit SuiviFichier(std::string chemin, uint64_t depart = 0);
    ~SuiviFichier();
    SuiviFichier(const SuiviFichier&) = delete;
    SuiviFichier& operator=(const SuiviFichier&) = delete;

    // What a look found.
    struct Lecture {
        // The whole lines added, each with its break (LF, CR LF or a lone CR) as written; a line
        // still being written waits for its break (a file that rotated away gives its last line
        // without one).
        std::string lignes;
        int rotations = 0;    // the file was replaced (renamed, deleted, created again)
        int troncatures = 0;  // the file was truncated in place: read again from its start
        bool fin = false;     // standard input reached its end
    };
    // Reads what was added since the last look, up to `maximum` bytes of lines (the rest at the
    // next look).
    Lecture lire(std::size_t maximum = SIZE_MAX);

    // Bytes of the current file read so far, those of a line still being written included.
    uint64_t position() const { return position_; }
    // Bytes read but not handed out: the start of a line still being written.
    std::size_t enAttente() const { return attente_.size(); }
    const std::string& chemin() const { return chemin_; }

  private:
    bool ouvrir(uint64_t depart);
    void fermer();
    // Reads the open file to its end (or `maximum` bytes) into attente_.
    void lireJusquALaFin(std::size_t maximum);
    // Moves the whole lines of attente_ into `sortie`; with `tout`, the unfinished one too.
    void livrer(std::string& sortie, bool tout);

    std::string chemin_;
    int fd_ = -1;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    uint64_t position_ = 0;
    std::string attente_;  // bytes read not yet handed out: a line without its break
    bool entree_ = false;  // standard input
    bool finEntree_ = false;
};

}  // namespace kestrane
