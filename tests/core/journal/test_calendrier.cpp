// The calendar readings every count relies on. The time of day is read eight bytes at once, where
// one byte wrongly accepted would move a line into another hour: it must equal a plain reading.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/journal/Calendrier.h"

namespace kestrane {
namespace {

// "hh:mm:ss" read byte by byte.
std::optional<int64_t> heureSimple(const std::string& t) {
    const auto n = [&t](int k) {
        const auto chiffre = [](char c) { return c >= '0' && c <= '9'; };
        return chiffre(t[k]) && chiffre(t[k + 1]) ? (t[k] - '0') * 10 + (t[k + 1] - '0') : 99;
    };
    if (t.size() != 8 || t[2] != ':' || t[5] != ':' || n(0) > 23 || n(3) > 59 || n(6) > 59)
        return std::nullopt;
    return n(0) * 3600 + n(3) * 60 + n(6);
}

TEST(Calendrier, HeureEgaleALaLectureSimple) {
    // Every time of the day; every byte value at every place of a few; other lengths.
    std::vector<std::string> textes = {"9:05:03", "10:05:033", ""};
    char t[9];
    for (int s = 0; s < 86400; ++s) {
        std::snprintf(t, sizeof t, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
        textes.emplace_back(t);
    }
    for (const std::string base : {"00:00:00", "23:59:59", "19:45:07", "09:50:50"}) {
        for (int k = 0; k < 8; ++k) {
            for (int octet = 0; octet < 256; ++octet) {
                textes.push_back(base);
                textes.back()[k] = static_cast<char>(octet);
            }
        }
    }
    for (const std::string& texte : textes) {
        int64_t s = -1;
        const bool lue = lireHeure(texte, s);
        ASSERT_EQ(lue ? std::optional(s) : std::nullopt, heureSimple(texte)) << texte;
    }
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
    int32_t a = 0, m = 0, j = 0;
    EXPECT_TRUE(lireDate("29/Feb/2000", a, m, j));
    EXPECT_EQ(std::tie(a, m, j), std::tuple(2000, 2, 29));
    for (const char* faux : {"29/Feb/1900", "31/Apr/2020", "00/Jan/2020", "1/Jan/2020",
                             "01/jan/2020", "01/Jan/20a0", "01-Jan-2020"})
        EXPECT_FALSE(lireDate(faux, a, m, j)) << faux;
}

TEST(Calendrier, DateDuJourEtJourDeLInstant) {
    // Back from a day number to its date, across leap days and centuries, before 1970 too.
    for (int a = 1600; a <= 2401; ++a) {
        for (int m = 1; m <= 12; ++m) {
            for (int j = 1; j <= joursDuMois(a, m); ++j) {
                int32_t annee = 0, mois = 0, jour = 0;
                dateDuJour(joursDepuisEpoque(a, m, j), annee, mois, jour);
                ASSERT_EQ(std::tie(annee, mois, jour), std::tie(a, m, j));
            }
        }
    }
    // An instant before 1970 lies in the day before, not in day 0.
    EXPECT_EQ(jourDeLInstant(0), 0);
    EXPECT_EQ(jourDeLInstant(86399), 0);
    EXPECT_EQ(jourDeLInstant(-1), -1);
    EXPECT_EQ(jourDeLInstant(-86400), -1);
    EXPECT_EQ(jourDeLInstant(-86401), -2);
    EXPECT_FALSE(dateReelle(2023, 2, 29));
    EXPECT_TRUE(dateReelle(2024, 2, 29));
    EXPECT_FALSE(dateReelle(2024, 13, 1));
}

}  // namespace
}  // namespace kestrane
