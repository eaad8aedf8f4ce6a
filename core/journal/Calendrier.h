// The calendar rules every date of a log line is read with: month abbreviations, leap years,
// month lengths and day numbers on the proleptic Gregorian calendar; the reading of a line's
// date ("17/May/2015") and time ("10:05:03").
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kestrane {

// 1 to 12 for "Jan" to "Dec", 0 for any other text.
inline int moisAbrege(std::string_view nom) {
    static constexpr std::string_view kMois[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int m = 0; m < 12; ++m) {
        if (nom == kMois[m]) return m + 1;
    }
    return 0;
}

inline bool bissextile(int64_t a) {
    return (a % 4 == 0 && a % 100 != 0) || a % 400 == 0;
}

// Days of month m (1 to 12) of year a.
inline int joursDuMois(int64_t a, int m) {
    static constexpr int kJours[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && bissextile(a) ? 29 : kJours[m - 1];
}

// Days from 1970-01-01 to the date a-m-j (negative before it).
inline int64_t joursDepuisEpoque(int64_t a, int m, int j) {
    a -= m <= 2;
    const int64_t ere = (a >= 0 ? a : a - 399) / 400;
    const int64_t anEre = a - ere * 400;
    const int64_t jourAn = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + j - 1;
    const int64_t jourEre = anEre * 365 + anEre / 4 - anEre / 100 + jourAn;
    return ere * 146097 + jourEre - 719468;
}

// "17/May/2015" into its year, month and day; false when it is no real date.
inline bool lireDate(std::string_view texte, int32_t& annee, int32_t& mois, int32_t& jour) {
    if (texte.size() != 11 || texte[2] != '/' || texte[6] != '/') return false;
    int32_t v[2] = {};
    const std::size_t debuts[2] = {0, 7}, longueurs[2] = {2, 4};
    for (int k = 0; k < 2; ++k) {
        for (std::size_t i = debuts[k]; i < debuts[k] + longueurs[k]; ++i) {
            const char c = texte[i];
            if (c < '0' || c > '9') return false;
            v[k] = v[k] * 10 + (c - '0');
        }
    }
    const int m = moisAbrege(texte.substr(3, 3));
    if (m == 0 || v[0] < 1 || v[0] > joursDuMois(v[1], m)) return false;
    jour = v[0];
    mois = m;
    annee = v[1];
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
