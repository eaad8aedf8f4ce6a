// Writing files so that a failure never destroys what was there: the bytes go to a temporary
// file (or folder) beside the target, which replaces the target only once it is complete and on
// disk. Several outputs are written first, then put in place together.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Messages.h"

namespace kestrane {

using Ecrivain = std::function<void(std::string_view)>;
// Writes a file's content, piece by piece, through the Ecrivain it receives.
using Producteur = std::function<void(const Ecrivain&)>;

// An output written whole under a hidden temporary name beside its target, not yet in place.
// Destroyed before installer(), or after retablir(), it leaves no trace.
class SortiePreparee {
  public:
    virtual ~SortiePreparee() = default;
    // Puts the new content in place in one step. Raises ErreurFichier; the target is then as it
    // was.
    virtual void installer() = 0;
    // After installer(): the former content back in place (the system exchanges the two names;
    // where it cannot, the new content stays).
    virtual void retablir() noexcept = 0;
    // After installer(): the former content let go, the change on disk.
    virtual void valider() noexcept = 0;
};

// The file `chemin` with what `produire` writes. Raises ErreurFichier "Impossible de créer le
// fichier "<chemin>". <description>" when the file cannot be created or written, and when the
// path is neither a regular file nor absent (a pipe without a reader would block for ever). A
// symbolic link is followed where the kernel would (Chemins.h, cibleSuivie): the file it points
// to is replaced, the link stays. The file replaced keeps its owner where the process may give
// it, and its mode.
std::unique_ptr<SortiePreparee> preparerFichier(const std::string& chemin,
                                                const Producteur& produire);

struct FichierDuDossier {
    std::string nom;
    Producteur produire;
};

// The folder `chemin` holding these files (made when missing). A folder that holds nothing but
// regular files of these names or of `nomsConnus` (the other files of the same kind) is replaced
// whole: a new folder is filled beside it, then exchanged with it, so that no reader sees old and
// new files mixed and the old ones go. A folder that holds anything else, or whose parent the
// process may not write in, or with `enPlace`, keeps what it holds: each of these files is then
// written under a temporary name in it, and all are put in place one after the other.
// `progression` is told each file written. Raises ErreurFichier "Impossible de créer le dossier
// "<chemin>". <why>" (a path that is no folder; a missing parent, or one of its components that
// is no folder, named) or "Impossible de créer le fichier ..." for one of the files.
std::unique_ptr<SortiePreparee> preparerDossier(
    const std::string& chemin, const std::vector<FichierDuDossier>& fichiers,
    const std::vector<std::string>& nomsConnus = {},
    const std::function<void(std::size_t faits)>& progression = {}, bool enPlace = false);

// Puts every output in place, or none: on a failure the outputs already in place get their
// former content back, and the failure is raised.
void installerTout(const std::vector<SortiePreparee*>& sorties);

// One file written atomically: preparerFichier, then in place.
void ecrireFichierAtomique(const std::string& chemin, const Producteur& produire);

// The checks preparerFichier and preparerDossier make before writing anything, for a caller that
// must refuse an output before a long computation: raise the same errors.
void verifierCibleFichier(const std::string& chemin);
void verifierCibleDossier(const std::string& chemin);

}  // namespace kestrane
