// Texts leaving the program in UTF-8 (the report, the command line's messages) while the core
// keeps its own in Windows-1252 and a log holds whatever its clients sent.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrane {

// Unicode of each Windows-1252 byte: the byte itself below 0x80 and from 0xA0, the code page's
// characters from 0x80 to 0x9F. The five bytes it leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// map to the C1 code points of the same value, so that any file survives a round trip through
// Unicode (the window reads and saves a journal through this table).
inline constexpr std::array<char16_t, 256> kTable1252 = [] {
    constexpr char16_t kPlage80[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
    };
    std::array<char16_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        t[i] = i >= 0x80 && i < 0xA0 ? kPlage80[i - 0x80] : static_cast<char16_t>(i);
    }
    return t;
}();

inline char16_t car1252(unsigned char octet) {
    return kTable1252[octet];
}

// Windows-1252 bytes into UTF-8, by kTable1252 but for the five undefined bytes, which become
// U+FFFD: a reader of the report or of a terminal gets no C1 control.
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
