// Text cutters and integer conversion. Texts are Windows-1252 bytes; a "remaining line" is a
// view that the cutters advance, so cutting a field never allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrane {

// The text that stands for an empty cut.
inline constexpr std::string_view kTiret = "-";

// Cuts the text before the first occurrence of `separateur` off `reste` and drops the separator;
// without an occurrence the whole remainder is the field and `reste` becomes empty.
// An empty field is returned as "-". `separateur` must not be empty.
std::string_view extraireChamp(std::string_view separateur, std::string_view& reste);

// Drops the first `n` characters of `reste` (all of them when it is shorter).
inline void supprimerDebut(std::size_t n, std::string_view& reste) {
    reste.remove_prefix(n < reste.size() ? n : reste.size());
}

// Position of the first occurrence of `motif` in `texte`, or npos; plain byte comparison.
std::size_t chercher(std::string_view texte, std::string_view motif);

// Reads a signed 32-bit integer: leading blanks, an optional sign, then decimal digits or
// hexadecimal digits after "$", "x" or "0x" (either case). Anything else, or a value outside
// the signed 32-bit range, raises "'%s' n'est pas une valeur entière correcte".
int32_t convertirEntier(std::string_view texte);

// The same reading without raising: false when the text is not a valid integer.
bool essayerConvertirEntier(std::string_view texte, int32_t& valeur);

// The same rules for a signed 64-bit integer (byte amounts): beyond its range, the same error.
int64_t convertirEntier64(std::string_view texte);
bool essayerConvertirEntier64(std::string_view texte, int64_t& valeur);

// Plain decimal, "-" only for negative values.
std::string ecrireEntier(int64_t valeur);
// Appends the decimal text to `sortie`.
void ajouterEntier(std::string& sortie, int64_t valeur);

}  // namespace kestrane
