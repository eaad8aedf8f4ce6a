// A journal read as a stream: a file or standard input, plain or gzip (told by its first bytes),
// cut block by block into whole lines by the journal's own rule, so that a log larger than the
// memory is read with a few blocks in hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/journal/Memoire.h"

namespace kestrane {

// The name that stands for standard input among the journals.
inline constexpr std::string_view kEntreeStandard = "-";

// A line longer than a stream accepts: "Ligne de plus de 64 Mio" (its number from 1 in its input).
class ErreurLigneTropLongue : public ErreurKestrane {
  public:
    ErreurLigneTropLongue(std::size_t ligne, std::size_t limite);
    std::size_t ligne() const { return ligne_; }

  private:
    std::size_t ligne_;
};

// Grows the pipe `fd` to `voulu` bytes, or to the most the system lets anyone ask for
// (/proc/sys/fs/pipe-max-size) when `voulu` is 0, never shrinking it: its reader then wakes once
// per that many bytes instead of every 64 KiB. A refusal leaves the pipe as it was. Returns its
// size after, 0 when `fd` is no pipe.
std::size_t agrandirTube(int fd, std::size_t voulu = 0);

// One input's decompressed bytes, piece by piece.
class EntreeFlux {
  public:
    // Opens `chemin` ("-": standard input). Raises ErreurFichier "Impossible d'ouvrir le fichier
    // ..." when it cannot be read or is a folder; a pipe or a device is read like a file (a pipe
    // grown first, agrandirTube).
    explicit EntreeFlux(const std::string& chemin);
    ~EntreeFlux();
    EntreeFlux(const EntreeFlux&) = delete;
    EntreeFlux& operator=(const EntreeFlux&) = delete;

    // Up to `max` bytes into `sortie`; 0 at the end. Raises the gzip errors (Gzip.h).
    std::size_t lire(char* sortie, std::size_t max);
    // The first line (without its break, at most `max` bytes of it), read before anything else
    // and handed out again by lire(): a pipe is dated without losing its first bytes.
    std::string premiereLigne(std::size_t max = 65536);
    // The bytes read from the input so far (compressed ones for gzip), and its size when it is a
    // regular file (0 otherwise).
    uint64_t octetsLus() const;
    uint64_t taille() const;

    struct Etat;

  private:
    std::unique_ptr<Etat> etat_;
};

// A block of whole lines: `lignes` point into `octets()`; `premiere` is the number (from 0) in
// its input of the first of them. Its memory is kept from block to block and never zeroed: the
// bytes read are written over it.
struct BlocLignes {
    BlocMemoire memoire{0};
    std::size_t taille = 0;
    std::vector<std::string_view> lignes;
    std::size_t premiere = 0;

    std::string_view octets() const { return {memoire.donnees(), taille}; }
};

// Cuts an input into blocks of whole lines of about `tailleBloc` bytes each; a line across two
// reads is carried to the next block, a line longer than `ligneMax` raises ErreurLigneTropLongue.
class DecoupeLignes {
  public:
    static constexpr std::size_t kTailleBloc = std::size_t{4} << 20;
    static constexpr std::size_t kLigneMax = std::size_t{64} << 20;

    explicit DecoupeLignes(EntreeFlux& entree, std::size_t tailleBloc = kTailleBloc,
                           std::size_t ligneMax = kLigneMax);
    // The next lines into `bloc` (its memory reused); false at the end of the input.
    bool suivant(BlocLignes& bloc);
    std::size_t lignesLues() const { return lignes_; }
    // The bytes of the lines handed out so far, their breaks included.
    uint64_t octetsLignes() const { return octetsLignes_; }
    // For a file still being written: the last line is handed out only with its break (a CR
    // ending the input may be the first half of a CR LF), the one being written left to whoever
    // reads on from octetsLignes().
    void laisserLigneOuverte() { laisserOuverte_ = true; }

  private:
    EntreeFlux& entree_;
    std::size_t tailleBloc_, ligneMax_;
    std::string reste_;  // the start of a line not ended yet
    std::vector<std::size_t> fins_;
    std::size_t lignes_ = 0;
    uint64_t octetsLignes_ = 0;
    bool fini_ = false, laisserOuverte_ = false;
};

// The first line of an input (without its break), read and left: at most `max` bytes of it.
std::string premiereLigne(const std::string& chemin, std::size_t max = 65536);

// Whether `chemin` ("-": standard input) is a regular file, which can be read again from its
// start; a pipe or a device gives its bytes once.
bool relisible(const std::string& chemin);

}  // namespace kestrane
