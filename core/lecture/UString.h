// Text cutters and integer conversion. Texts are Windows-1252 bytes; a "remaining line" is a
// view that the cutters advance, so cutting a field never allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/journal/Octets.h"

namespace kestrane {

// The text that stands for an empty cut.
inline constexpr std::string_view kTiret = "-";

// Cuts the text before the first occurrence of `separateur` off `reste` and drops the separator;
// without an occurrence the whole remainder is the field and `reste` becomes empty.
// An empty field is returned as "-". `separateur` must not be empty.
inline std::string_view extraireChamp(std::string_view separateur, std::string_view& reste);

// The same cut for a quoted field as Apache writes it, with its quotes and backslashes escaped
// (\" and \\): an occurrence whose first character is escaped (an odd run of backslashes before it
// within `reste`) is part of the field. The field keeps its escapes as written.
inline std::string_view extraireChampEchappe(std::string_view separateur, std::string_view& reste);
// Its rare part: the occurrence at `pos` follows a backslash.
std::string_view extraireChampApresEchappements(std::string_view separateur,
                                                std::string_view& reste, std::size_t pos);

// Drops the first `n` characters of `reste` (all of them when it is shorter).
inline void supprimerDebut(std::size_t n, std::string_view& reste) {
    reste.remove_prefix(n < reste.size() ? n : reste.size());
}

// Position of the last `c` in `texte`, or npos.
inline std::size_t chercherDernier(std::string_view texte, char c) {
    const char* p = trouverDernierOctet(texte.data(), texte.size(), c);
    return p ? static_cast<std::size_t>(p - texte.data()) : std::string_view::npos;
}

// Position of the first occurrence of `motif` in `texte`, or npos; plain byte comparison.
inline std::size_t chercher(std::string_view texte, std::string_view motif);

// Reads a signed 32-bit integer: leading blanks, an optional sign, then decimal digits or
// hexadecimal digits after "$", "x" or "0x" (either case). Anything else, or a value outside
// the signed 32-bit range, raises "'%s' n'est pas une valeur entière correcte".
int32_t convertirEntier(std::string_view texte);

// The same reading without raising: false when the text is not a valid integer.
bool essayerConvertirEntier(std::string_view texte, int32_t& valeur);

// The same rules for a signed 64-bit integer (byte amounts): beyond its range, the same error.
int64_t convertirEntier64(std::string_view texte);
bool essayerConvertirEntier64(std::string_view texte, int64_t& valeur);

// A text that a reason quotes, in quotes: at most 40 bytes of it ("..." after), since a junk
// line may hold a whole binary file.
std::string citerTexte(std::string_view t);
// "'texte' n'est pas une valeur enti\xE8re correcte" (Windows-1252, as every reason); for a
// number, which only a byte count refuses (below 0), "'-5' n'est pas un nombre d'octets correct".
std::string raisonEntier(std::string_view t);
// Why a line does not read, `fautif` being the field that did not convert ("-" for a field the
// line does not reach): "Ligne vide", "Ligne incompl\xE8te" or raisonEntier.
std::string raisonNonConforme(std::string_view ligne, std::string_view fautif);

// Plain decimal, "-" only for negative values.
std::string ecrireEntier(int64_t valeur);
// Appends the decimal text to `sortie`.
void ajouterEntier(std::string& sortie, int64_t valeur);

// Inline: the parser cuts a dozen short fields per line.
inline std::size_t chercher(std::string_view texte, std::string_view motif) {
    if (motif.size() == 1 || motif.empty()) {
        if (motif.empty()) return 0;
        const char* p = trouverOctet(texte.data(), texte.size(), motif[0]);
        return p ? static_cast<std::size_t>(p - texte.data()) : std::string_view::npos;
    }
    const char premier = motif[0];
    const std::size_t dernierDebut =
        texte.size() >= motif.size() ? texte.size() - motif.size() : std::string_view::npos;
    if (dernierDebut == std::string_view::npos) return std::string_view::npos;
    std::size_t pos = 0;
    while (pos <= dernierDebut) {
        const char* p = trouverOctet(texte.data() + pos, dernierDebut - pos + 1, premier);
        if (!p) return std::string_view::npos;
        pos = static_cast<std::size_t>(p - texte.data());
        // The log's separators are two characters long: no call for the second one.
        if (texte[pos + 1] == motif[1] &&
            (motif.size() == 2 ||
             std::memcmp(texte.data() + pos + 2, motif.data() + 2, motif.size() - 2) == 0)) {
            return pos;
        }
        ++pos;
    }
    return std::string_view::npos;
}

// The cut of extraireChamp once the separator is found at `pos` (npos: not found).
inline std::string_view couperChamp(std::string_view& reste, std::size_t pos,
                                    std::size_t tailleSeparateur) {
    std::string_view champ;
    if (pos == std::string_view::npos) {
        champ = reste;
        reste = std::string_view(reste.data() + reste.size(), 0);
    } else {
        champ = reste.substr(0, pos);
        reste.remove_prefix(pos + tailleSeparateur);
    }
    return champ.empty() ? kTiret : champ;
}

inline std::string_view extraireChamp(std::string_view separateur, std::string_view& reste) {
    return couperChamp(reste, chercher(reste, separateur), separateur.size());
}

inline std::string_view extraireChampEchappe(std::string_view separateur, std::string_view& reste) {
    const std::size_t pos = chercher(reste, separateur);
    // Most fields hold no escaped quote: the plain cut.
    if (pos == std::string_view::npos || pos == 0 || reste[pos - 1] != '\\') {
        return couperChamp(reste, pos, separateur.size());
    }
    return extraireChampApresEchappements(separateur, reste, pos);
}

}  // namespace kestrane
