// Texts leaving the program in UTF-8 (the report, the command line's messages) while the core
// keeps its own in Windows-1252 and a log holds whatever its clients sent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrane {

// Windows-1252 bytes into UTF-8 (the five bytes the code page leaves undefined become U+FFFD).
std::string utf8Depuis1252(std::string_view octets);

// Whether these bytes are well-formed UTF-8 (no overlong form, no surrogate, nothing past
// U+10FFFF).
bool estUtf8(std::string_view octets);

// A text cut out of a log, for a reader of UTF-8: as it is when it is valid UTF-8 (today's
// browsers and servers send that), read as Windows-1252 otherwise; a NUL byte becomes U+FFFD
// either way (some readers end a text there).
std::string utf8DuJournal(std::string_view octets);

// A text meant to be UTF-8 that may not be (a file name): each byte of an ill-formed sequence
// becomes U+FFFD, the rest is kept.
std::string utf8Repare(std::string_view octets);

// A UTF-8 text of more than `n` characters cut to its first n - 1 and "…", whole characters.
std::string couperUtf8(std::string_view texte, std::size_t n);

// French writing of numbers: "1 234 567".
std::string nombreFrancais(int64_t n);

// A UTF-8 text for a terminal: the control characters (C0, DEL, C1) written as visible escapes
// ("\x1b"), so that text from a log can neither move the cursor nor retitle the window, nor
// clear the screen.
std::string controlesVisibles(std::string_view utf8);

}  // namespace kestrane
