// The loaded log file: its bytes in one immutable buffer and the start of every line.
// Copies share the buffer, so records that point into it can outlive the Journal object.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrane {

class BlocMemoire;

// What a load reports and what may stop it, all optional.
struct SuiviChargement {
    // Increased by the file's bytes as they are read (compressed bytes for a gzip file), for a
    // progress bar.
    std::atomic<uint64_t>* lus = nullptr;
    // Set by another thread to stop the load: it then raises ErreurAnnulation, checked between
    // blocks of a few megabytes (a fraction of a second apart).
    const std::atomic<bool>* annulation = nullptr;
    // The memory the process may still take (memoireDisponible when empty).
    std::function<uint64_t()> memoireLibre;
    // Standard input ("-") and pipes read to their end, within that memory (the command line);
    // otherwise they are refused as any file that is not a regular one (the window).
    bool flux = false;
};

// "Le journal dépasse la mémoire disponible (<amount>)", "Le journal décompressé dépasse ...":
// raised before the journal would grow past what the process may take (Memoire.h), rather than
// being killed by the system without a word. The amount is what the journal could take.
[[noreturn]] void leverMemoireDepassee(bool decompresse, uint64_t plafond);

class Journal {
  public:
    // An empty journal (0 lines).
    Journal();

    // A journal over these bytes (tests, generated data).
    static Journal depuisTexte(std::string texte);
    // Reads the whole file into memory of the journal's own. Raises ErreurFichier "Impossible
    // d'ouvrir le fichier "<chemin>". <description>" when it cannot be read or is no regular file
    // (a pipe, a device, a folder). A gzip file is decompressed (core/journal/Gzip.h), and raises
    // its errors. `lus`, when given, is increased by the file's bytes as they are read.
    static Journal charger(const std::string& chemin, std::atomic<uint64_t>* lus = nullptr);
    // The same, followed and bounded by `suivi`: raises ErreurAnnulation when it is cancelled, and
    // leverMemoireDepassee's error rather than taking more memory than the process may.
    static Journal charger(const std::string& chemin, const SuiviChargement& suivi);
    // A journal over the first `taille` bytes of this block.
    static Journal depuisBloc(std::unique_ptr<BlocMemoire> bloc, std::size_t taille);

    // Lines ended by CR LF, a lone LF or a lone CR; an empty line after the final break is
    // not a line. NUL is an ordinary byte.
    std::size_t nbLignes() const { return nbLignes_; }
    std::string_view ligne(std::size_t i) const;
    // Offset of line i in `octets()`.
    std::size_t debutLigne(std::size_t i) const { return i < nbLignes_ ? debuts_[i] : longueur_; }
    bool finitParSautDeLigne() const { return finitParSaut_; }
    std::string_view octets() const;

    // Writes the lines back with CR LF breaks, the last one followed by a break exactly when
    // the loaded file ended with one. `ecrire` receives consecutive pieces of the output.
    void ecrireCRLF(const std::function<void(std::string_view)>& ecrire) const;

    // This journal with `nouveaux` appended: the lines of both, by the same rule as a load of the
    // bytes joined (a last line without its break is completed by the first new bytes). This
    // journal and its copies see nothing change: the new one shares their bytes when it can and
    // appends past them, in address space reserved at the first call, so that no byte moves
    // (what points into the journal stays valid). One caller at a time prolongs a journal and
    // those made from it; others may read any of them meanwhile.
    Journal prolonger(std::string_view nouveaux) const;

    // Identity of the buffer, to tell whether records were made from this very journal.
    const void* identite() const { return stockage_.get(); }

    struct Stockage;

  private:
    explicit Journal(std::shared_ptr<const Stockage> stockage);
    void indexer();

    std::shared_ptr<const Stockage> stockage_;
    // debuts_[i] is the offset of line i (the index may hold more entries, those of journals
    // prolonged from this one); a last line ends at longueur_.
    std::shared_ptr<const BlocMemoire> index_;
    const uint64_t* debuts_ = nullptr;
    std::size_t nbLignes_ = 0;
    std::size_t longueur_ = 0;  // of the storage's bytes, those of this journal
    bool finitParSaut_ = false;
};

// Counts the lines of a buffer by the same rule as Journal, without indexing them.
std::size_t compterLignes(std::string_view octets);

// The offset just after every line break of `octets`, in order, by the same rule (CR LF is one
// break, lone CR and lone LF are breaks of their own), appended to `fins`: a stream is cut into
// exactly the lines the journal would hold.
void trouverSauts(std::string_view octets, std::vector<std::size_t>& fins);

}  // namespace kestrane
