// The calendar rules every date of a log line is read with: month abbreviations, leap years,
// month lengths and day numbers on the proleptic Gregorian calendar.
#pragma once

#include <cstdint>
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

}  // namespace kestrane
