// What a path designates on disk: the file behind it (device and inode, whatever the path or the
// links to it), the file a writer would replace, and the links a writer may follow.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Messages.h"

namespace kestrane {

struct IdentiteFichier {
    dev_t peripherique = 0;
    ino_t inode = 0;
    bool operator==(const IdentiteFichier&) const = default;
};

// The file a path leads to, its links followed; nothing when there is none.
std::optional<IdentiteFichier> identiteFichier(const std::string& chemin);
// The same for a journal to read, where "-" is standard input: the file or pipe behind it.
std::optional<IdentiteFichier> identiteEntree(const std::string& chemin);

// Among `entrees` (journals, "-" standard input), the index of the first file that writing
// `sortie` would replace (the same file, through whatever path or link); nothing when it would
// replace none of them.
std::optional<std::size_t> entreeRemplacee(const std::string& sortie,
                                           const std::vector<std::string>& entrees);

// The journals' paths ("-" standard input) without those that name a file already named before
// them (the same file through another path or a link, standard input reading a file named too),
// in their order; `ecartes`, when given, receives the indexes left out.
// A path that leads to no file is kept: reading it reports its error.
std::vector<std::string> sansDoublons(const std::vector<std::string>& chemins,
                                      std::vector<std::size_t>* ecartes = nullptr);

// The kernel's rule for following a symbolic link (fs.protected_symlinks): not when it lies in a
// sticky folder that anybody may write in and belongs neither to the folder's owner nor to the
// user that follows it. Another user could otherwise plant a link there to any file of ours.
bool lienSuivable(const struct stat& dossier, const struct stat& lien, uid_t suiveur);

// The path where a writer of `chemin` puts its file: `chemin` with the symbolic links of its last
// component followed, as the kernel follows them (the folders before it are the kernel's to
// follow when the file is opened). Raises ErreurFichier "<debut>"<chemin>". <why>" for a link
// lienSuivable refuses and for a loop of links.
std::string cibleSuivie(const std::string& chemin, std::string_view debut);

// The folder a path's last component lies in, and that component.
std::string dossierDe(const std::string& chemin);
std::string nomDe(const std::string& chemin);

// For a path that cannot be made because one of its folders is not one: the first of its leading
// components that exists and is no folder; empty when there is none.
std::string premierNonDossier(const std::string& chemin);

// ErreurFichier "<debut>"<chemin>". <description of err>"; for ENOTDIR, the description names the
// component that is no folder.
[[noreturn]] void leverErreurChemin(std::string_view debut, const std::string& chemin, int err);

}  // namespace kestrane
