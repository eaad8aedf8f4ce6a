// The calendar readings every count relies on, against plain readings written for the test: the
// time of day is read eight bytes at once, where one byte wrongly accepted would shift a line into
// another hour.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <tuple>

#include "core/journal/Calendrier.h"

namespace kestrane {
namespace {

// "hh:mm:ss" read byte by byte.
std::optional<int64_t> heureSimple(const std::string& t) {
    if (t.size() != 8 || t[2] != ':' || t[5] != ':') return std::nullopt;
    for (int k : {0, 1, 3, 4, 6, 7})
        if (t[k] < '0' || t[k] > '9') return std::nullopt;
    const auto nombre = [&t](int k) { return (t[k] - '0') * 10 + (t[k + 1] - '0'); };
    if (nombre(0) > 23 || nombre(3) > 59 || nombre(6) > 59) return std::nullopt;
    return nombre(0) * 3600 + nombre(3) * 60 + nombre(6);
}

std::optional<int64_t> heureLue(const std::string& t) {
    int64_t s = -1;
    if (!lireHeure(t, s)) return std::nullopt;
    return s;
}

TEST(Calendrier, HeureEgaleALaLectureSimple) {
    // Every time of the day, and every byte value at every place of a few of them.
    for (int s = 0; s < 86400; ++s) {
        char t[9];
        std::snprintf(t, sizeof t, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
        ASSERT_EQ(heureLue(t), std::optional<int64_t>(s)) << t;
    }
    for (const std::string base : {"00:00:00", "23:59:59", "19:45:07", "09:50:50"}) {
        for (int k = 0; k < 8; ++k) {
            for (int octet = 0; octet < 256; ++octet) {
                std::string t = base;
                t[k] = static_cast<char>(octet);
                ASSERT_EQ(heureLue(t), heureSimple(t)) << base << " byte " << k << " = " << octet;
            }
        }
    }
    for (const std::string t :
         {"24:00:00", "23:60:00", "23:00:60", "9:05:03", "10:05:033", "10-05-03", ""})
        EXPECT_EQ(heureLue(t), std::nullopt) << t;
}

TEST(Calendrier, JoursSuccessifsEtDates) {
    // Day numbers follow one another across month ends, leap days and centuries.
    int64_t attendu = joursDepuisEpoque(1599, 12, 31);
    for (int a = 1600; a <= 2401; ++a) {
        for (int m = 1; m <= 12; ++m) {
            for (int j = 1; j <= joursDuMois(a, m); ++j)
                ASSERT_EQ(joursDepuisEpoque(a, m, j), ++attendu);
        }
    }
    EXPECT_EQ(joursDepuisEpoque(1970, 1, 1), 0);
    EXPECT_EQ(joursDepuisEpoque(2000, 3, 1), 11017);
    EXPECT_EQ(joursDepuisEpoque(1969, 12, 31), -1);

    const struct {
        const char* texte;
        bool lue;
        int32_t a, m, j;
    } cas[] = {
        {"17/May/2015", true, 2015, 5, 17}, {"29/Feb/2000", true, 2000, 2, 29},
        {"29/Feb/1900", false, 0, 0, 0},    {"29/Feb/2024", true, 2024, 2, 29},
        {"31/Apr/2020", false, 0, 0, 0},    {"00/Jan/2020", false, 0, 0, 0},
        {"1/Jan/2020", false, 0, 0, 0},     {"01/jan/2020", false, 0, 0, 0},
        {"01/Jan/20a0", false, 0, 0, 0},    {"01-Jan-2020", false, 0, 0, 0},
    };
    for (const auto& c : cas) {
        int32_t a = 0, m = 0, j = 0;
        EXPECT_EQ(lireDate(c.texte, a, m, j), c.lue) << c.texte;
        if (c.lue) {
            EXPECT_EQ(std::tie(a, m, j), std::tie(c.a, c.m, c.j)) << c.texte;
        }
    }
}

}  // namespace
}  // namespace kestrane
