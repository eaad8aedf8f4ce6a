// The program's one reading of time: month abbreviations, month lengths, day numbers on the
// proleptic Gregorian calendar (std::chrono's civil calendar), the digits of a date, and the
// reading of a log line's date ("17/May/2015") and time ("10:05:03"). Every date the program
// reads or writes goes through here, so that all its parts agree on what a real date is.
#pragma once

#include <bit>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kestrane {

inline constexpr int64_t kSecondesParJour = 86400;

// "Jan" to "Dec" for 1 to 12, as logs write them.
inline std::string_view abreviationMois(int mois) {
    static constexpr std::string_view kMois[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return kMois[mois - 1];
}

// 1 to 12 for "Jan" to "Dec", 0 for any other text. Every line of a journal holds a month: the
// first letters pick the only candidate, one comparison checks it.
inline int moisAbrege(std::string_view t) {
    if (t.size() != 3) return 0;
    int m = 0;
    switch (t[0]) {
        case 'J':
            m = t[1] == 'a' ? 1 : t[2] == 'n' ? 6 : 7;
            break;
        case 'F':
            m = 2;
            break;
        case 'M':
            m = t[2] == 'r' ? 3 : 5;
            break;
        case 'A':
            m = t[1] == 'p' ? 4 : 8;
            break;
        case 'S':
            m = 9;
            break;
        case 'O':
            m = 10;
            break;
        case 'N':
            m = 11;
            break;
        case 'D':
            m = 12;
            break;
        default:
            return 0;
    }
    return t == abreviationMois(m) ? m : 0;
}

// Days of month m (1 to 12) of year a.
constexpr int joursDuMois(int32_t a, int m) {
    using namespace std::chrono;
    const year_month_day_last fin{year{a}, month_day_last{month{static_cast<unsigned>(m)}}};
    return static_cast<int>(static_cast<unsigned>(fin.day()));
}

// Whether a-m-j is a day of the calendar (any month number and day number may be asked).
constexpr bool dateReelle(int32_t a, int32_t m, int32_t j) {
    return m >= 1 && m <= 12 && j >= 1 && j <= joursDuMois(a, m);
}

// Days from 1970-01-01 to the date a-m-j (negative before it). A day past the month's end counts
// on into the next month.
constexpr int64_t joursDepuisEpoque(int32_t a, int32_t m, int32_t j) {
    using namespace std::chrono;
    const year_month_day date{year{a}, month{static_cast<unsigned>(m)},
                              day{static_cast<unsigned>(j)}};
    return sys_days{date}.time_since_epoch().count();
}

// The date of a day counted from 1970-01-01; the day must lie within years -32767 to 32767.
inline void dateDuJour(int64_t numero, int32_t& annee, int32_t& mois, int32_t& jour) {
    using namespace std::chrono;
    const year_month_day date{sys_days{days{numero}}};
    annee = static_cast<int32_t>(static_cast<int>(date.year()));
    mois = static_cast<int32_t>(static_cast<unsigned>(date.month()));
    jour = static_cast<int32_t>(static_cast<unsigned>(date.day()));
}

// The day of an instant in seconds since 1970-01-01 (instants before 1970 are negative).
constexpr int64_t jourDeLInstant(int64_t secondes) {
    using namespace std::chrono;
    return floor<days>(seconds{secondes}).count();
}

// The n digits at t[debut] as a number; -1 when the text is shorter or one is not a digit.
inline int64_t lireChiffres(std::string_view t, std::size_t debut, std::size_t n) {
    if (debut + n > t.size()) return -1;
    int64_t v = 0;
    for (std::size_t i = debut; i < debut + n; ++i) {
        if (t[i] < '0' || t[i] > '9') return -1;
        v = v * 10 + (t[i] - '0');
    }
    return v;
}

// "17/May/2015" into its year, month and day; false when it is no real date.
inline bool lireDate(std::string_view texte, int32_t& annee, int32_t& mois, int32_t& jour) {
    if (texte.size() != 11 || texte[2] != '/' || texte[6] != '/') return false;
    const int64_t j = lireChiffres(texte, 0, 2), a = lireChiffres(texte, 7, 4);
    const int m = moisAbrege(texte.substr(3, 3));
    if (j < 0 || a < 0 || !dateReelle(static_cast<int32_t>(a), m, static_cast<int32_t>(j))) {
        return false;
    }
    jour = static_cast<int32_t>(j);
    mois = m;
    annee = static_cast<int32_t>(a);
    return true;
}

// The same date as its day number (joursDepuisEpoque).
inline bool lireJour(std::string_view texte, int64_t& numero) {
    int32_t a, m, j;
    if (!lireDate(texte, a, m, j)) return false;
    numero = joursDepuisEpoque(a, m, j);
    return true;
}

// "10:05:03" into seconds since midnight; false when it is no time of day (hours 00 to 23).
// Read on every line by several counts: its eight bytes are checked and converted together.
inline bool lireHeure(std::string_view texte, int64_t& secondes) {
    if (texte.size() != 8) return false;
    uint64_t v;
    std::memcpy(&v, texte.data(), 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    // Byte k of the text is byte k of v from the low end. Against "00:00:00", each digit
    // becomes its value and each colon 0; any other byte keeps a high half.
    const uint64_t x = v ^ 0x30303A30303A3030ull;
    constexpr uint64_t kHauts = 0xF0F0F0F0F0F0F0F0ull;
    // Every byte below 16 (then no sum below carries into the next byte), the colons in place,
    // the digits at most 9, the tens of minutes and seconds at most 5.
    if ((x & kHauts) != 0 || (x & 0x0000FF0000FF0000ull) != 0 ||
        ((x + 0x060A06060A060606ull) & kHauts) != 0) {
        return false;
    }
    // Byte k becomes 10 * digit k + digit k + 1: the hours, minutes and seconds in bytes 0, 3, 6.
    const uint64_t paires = x * 10 + (x >> 8);
    const auto h = static_cast<uint32_t>(paires & 0xFF);
    if (h > 23) return false;
    secondes = h * 3600 + static_cast<uint32_t>(paires >> 24 & 0xFF) * 60 +
               static_cast<uint32_t>(paires >> 48 & 0xFF);
    return true;
}

}  // namespace kestrane
