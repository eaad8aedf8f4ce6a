// Texts of the audience tables: log bytes (Windows-1252 or UTF-8, whichever the client sent)
// made into valid UTF-8, and lower-cased by Unicode's rules (ICU), so that a term or a host
// written in either encoding or case counts once.
#pragma once

#include <string>
#include <string_view>

#include "core/journal/Texte.h"  // estUtf8

namespace kestrane {

// The bytes themselves when they are UTF-8; otherwise read as Windows-1252, into UTF-8.
std::string texteUtf8(std::string_view octets);
// Unicode lower case of a UTF-8 text (the root locale: no Turkish dotless i).
std::string minusculesUtf8(std::string_view utf8);
// ASCII letters lowered in place; other bytes kept.
void minusculesAscii(std::string& texte);

}  // namespace kestrane
