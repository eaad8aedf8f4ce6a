// Quoted fields as servers write them: Apache and nginx write a quote as \", a backslash doubled
// and other bytes as \xhh; JSON escaping writes \uXXXX and \n, \t...
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrane {

// Writes `texte` unescaped at `sortie` (room for texte.size() bytes is enough) and returns the
// number of bytes written. \" \\ \/ \xhh \n \r \t \b \f \v and \uXXXX (in UTF-8, a surrogate
// pair as one character) are read; any other backslash stays as written.
std::size_t desechapper(std::string_view texte, char* sortie);

}  // namespace kestrane
