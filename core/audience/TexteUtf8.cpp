#include "core/audience/TexteUtf8.h"

#include <unicode/ucasemap.h>
#include <unicode/ucnv.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>

namespace kestrane {

namespace {

// Calls `ecrire(destination, capacite, erreur)` with a buffer large enough, once more when the
// first guess was short; the result is its returned length.
template <typename Ecrire>
std::string avecTampon(std::size_t estimation, Ecrire ecrire) {
    std::string sortie(estimation, '\0');
    UErrorCode erreur = U_ZERO_ERROR;
    int32_t n = ecrire(sortie.data(), static_cast<int32_t>(sortie.size()), erreur);
    if (erreur == U_BUFFER_OVERFLOW_ERROR) {
        sortie.assign(static_cast<std::size_t>(n), '\0');
        erreur = U_ZERO_ERROR;
        n = ecrire(sortie.data(), static_cast<int32_t>(sortie.size()), erreur);
    }
    if (U_FAILURE(erreur)) return {};
    sortie.resize(static_cast<std::size_t>(n));
    return sortie;
}

}  // namespace

std::string texteUtf8(std::string_view octets) {
    if (estUtf8(octets)) return std::string(octets);
    // A byte of Windows-1252 is at most three bytes of UTF-8.
    return avecTampon(octets.size() * 3 + 1, [&](char* d, int32_t capacite, UErrorCode& e) {
        return ucnv_convert("UTF-8", "windows-1252", d, capacite, octets.data(),
                            static_cast<int32_t>(octets.size()), &e);
    });
}

std::string minusculesUtf8(std::string_view utf8) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; })) {
        std::string basse(utf8);
        minusculesAscii(basse);
        return basse;
    }
    UErrorCode erreur = U_ZERO_ERROR;
    const std::unique_ptr<UCaseMap, decltype(&ucasemap_close)> casse(
        ucasemap_open("", U_FOLD_CASE_DEFAULT, &erreur), &ucasemap_close);
    if (U_FAILURE(erreur)) return std::string(utf8);
    // Lower case may lengthen a text (U+0130 takes three bytes where it took two).
    std::string basse = avecTampon(
        utf8.size() + utf8.size() / 2 + 4, [&](char* d, int32_t capacite, UErrorCode& e) {
            return ucasemap_utf8ToLower(casse.get(), d, capacite, utf8.data(),
                                        static_cast<int32_t>(utf8.size()), &e);
        });
    return basse.empty() ? std::string(utf8) : basse;
}

void minusculesAscii(std::string& texte) {
    for (char& c : texte) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

}  // namespace kestrane
