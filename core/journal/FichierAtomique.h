// Writing a file so that a failure never destroys what was there: the bytes go to a temporary
// file beside the target, which replaces the target only once it is complete and on disk.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kestrane {

using Ecrivain = std::function<void(std::string_view)>;

// `produire` receives the function that writes the next piece. Raises ErreurFichier
// "Impossible de créer le fichier "<chemin>". <system description>" when the file cannot be
// created or written; the former file, if any, is then left as it was. A symbolic link is
// followed: the file it points to is replaced, the link stays.
void ecrireFichierAtomique(const std::string& chemin,
                           const std::function<void(const Ecrivain&)>& produire);

}  // namespace kestrane
