// The one exception type of Kestrane: carries the French message (Windows-1252 bytes)
// that the window shows in its error box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "core/journal/Messages.h"

namespace kestrane {

class ErreurKestrane : public std::runtime_error {
  public:
    explicit ErreurKestrane(const std::string& message)
        : std::runtime_error(message), message_(message) {}
    explicit ErreurKestrane(const Texte& message) : ErreurKestrane(std::string(message)) {}
    // The whole message: what() stops at a NUL byte, which a text cut out of a log may hold.
    const std::string& message() const { return message_; }

  private:
    std::string message_;
};

// A file that could not be read or written. The description of the failure (the system's, or
// the program's own) is kept so that the window can word the message with the path exactly as
// the user typed it. The description is read in the system's encoding, as the path is: the
// program's own are plain ASCII, and may quote a path.
class ErreurFichier : public ErreurKestrane {
  public:
    ErreurFichier(const std::string& message, std::string debut, std::string description)
        : ErreurKestrane(message), debut_(std::move(debut)), description_(std::move(description)) {}
    // What failed ("Impossible d'ouvrir le fichier "), in Windows-1252, and why.
    const std::string& debut() const { return debut_; }
    const std::string& description() const { return description_; }

  private:
    std::string debut_, description_;
};

// The description of a system error: French for the errors a user meets (a missing file, a
// permission, a full or read-only disk, a name too long...), the system's own text for the others.
std::string descriptionSysteme(int err);

// A load stopped by the user: "Chargement annul�". Nothing of it is kept.
class ErreurAnnulation : public ErreurKestrane {
  public:
    ErreurAnnulation();
};

// "<debut>"<chemin>". <description>": the messages of the file commands; raises it.
[[noreturn]] void leverErreurFichier(std::string_view debut, const std::string& chemin,
                                     const std::string& description);

// A field that a message quotes, in quotes: whole up to kCitationMax characters; a longer one (a
// junk line may hold a whole binary file) cut there with an ellipsis and its length ("'abc...'
// (5 242 880 caract�res)"): the message box and the terminal then get a line, not megabytes.
inline constexpr std::size_t kCitationMax = 200;
std::string citerChamp(std::string_view texte);

// "'%s' n'est pas une valeur entière correcte"
[[noreturn]] void leverErreurEntier(std::string_view texte);
// "'%s' n'est pas une date correcte"
[[noreturn]] void leverErreurDate(std::string_view texte);
// "Débordement d'entier"
[[noreturn]] void leverDebordement();

// The same error raised by a sum over the lines of a journal: it names the line (from 0) whose
// amount took the sum past its range, so that a command line can point at it.
class ErreurDebordement : public ErreurKestrane {
  public:
    explicit ErreurDebordement(std::size_t ligne);
    std::size_t ligne() const { return ligne_; }

  private:
    std::size_t ligne_;
};
[[noreturn]] void leverDebordement(std::size_t ligne);
// "Impossible de créer un fil d'exécution": the system refuses one more thread (too many
// processes, or no memory left for its stack).
[[noreturn]] void leverErreurFil();

// Checked 32-bit addition: raises "Débordement d'entier" outside the signed 32-bit range.
inline int32_t ajouterVerifie(int32_t a, int32_t b) {
    int32_t somme;
    if (__builtin_add_overflow(a, b, &somme)) leverDebordement();
    return somme;
}

// The same for a count kept in 64 bits whose values follow the 32-bit rules.
inline int64_t ajouterVerifie32(int64_t a, int64_t b) {
    int32_t somme;
    if (__builtin_add_overflow(a, b, &somme)) leverDebordement();
    return somme;
}

// Checked 64-bit addition, for byte amounts.
inline int64_t ajouterVerifie64(int64_t a, int64_t b) {
    int64_t somme;
    if (__builtin_add_overflow(a, b, &somme)) leverDebordement();
    return somme;
}

}  // namespace kestrane
