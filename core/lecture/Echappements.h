// Quoted fields as servers write them: Apache 2 writes a quote as \", a backslash doubled and
// other bytes as \xhh (\n, \r, \t for those); nginx \xhh; JSON \uXXXX, \n, \t...
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrane {

// Writes `texte` unescaped at `sortie` (room for texte.size() bytes is enough) and returns the
// number of bytes written. \" \\ and \xhh are read; any other backslash stays as written (Apache
// 1.3 escapes nothing: "c:\boot.ini" is a path), and so does an escape that stands for a control
// character (\n \r \t, \x00 to \x1f, \x7f), which every table and report then shows as the log
// wrote it, never as a raw control byte.
std::size_t desechapper(std::string_view texte, char* sortie);

// The same for the inside of a JSON string: \" \\ \/ and \uXXXX (in UTF-8, a surrogate pair as
// one character) are read; \b \f \n \r \t and \u0000 to \u001f, \u007f stay as written.
std::size_t desechapperJson(std::string_view texte, char* sortie);

// desechapperJson for a string whose every escape is one that simdjson surely reads (\" \\ \/ \b
// \f \n \r \t, \u and four hexadecimal digits outside the surrogates): then what simdjson
// reads, but for the escapes of control characters, which stay as written. Room for
// texte.size() bytes at `sortie` is enough. False at the first other escape, leaving simdjson to
// judge the string (an escape it refuses, a surrogate).
bool desechapperJsonSur(std::string_view texte, char* sortie, std::size_t& taille);

// Whether `texte` holds a control character (C0 or DEL).
bool contientControle(std::string_view texte);

}  // namespace kestrane
