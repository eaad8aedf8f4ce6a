// Dates as servers write them, converted to the record's day, time and zone texts.
#include <gtest/gtest.h>

#include <string>

#include "core/lecture/Dates.h"

using namespace kestrane;

namespace {

// "17/May/2015 10:05:03 +0000", or "refusée".
std::string lue(bool ok, const DateTexte& d) {
    if (!ok)
        return "refus\xE9"
               "e";
    return std::string(d.date()) + " " + std::string(d.temps()) + " " + std::string(d.zone());
}

}  // namespace

TEST(Dates, FormesQuelconques) {
    const struct {
        const char* texte;
        const char* attendu;
    } kCas[] = {
        // The journal's own form keeps its local time and zone.
        {"10/Oct/2000:13:55:36 -0700", "10/Oct/2000 13:55:36 -0700"},
        {"29/Feb/2024:00:00:00 +0000", "29/Feb/2024 00:00:00 +0000"},
        {"29/Feb/2023:00:00:00 +0000",
         "refus\xE9"
         "e"},
        {"10/Oct/2000:24:55:36 -0700",
         "refus\xE9"
         "e"},
        {"10/Oct/2000:13:55:36",
         "refus\xE9"
         "e"},
        {"10/oct/2000:13:55:36 -0700",
         "refus\xE9"
         "e"},
        // ISO 8601: the local time and its zone, whatever way the zone is written.
        {"2015-05-17T10:05:03Z", "17/May/2015 10:05:03 +0000"},
        {"2015-05-17T10:05:03+02:00", "17/May/2015 10:05:03 +0200"},
        {"2015-05-17T10:05:03-0530", "17/May/2015 10:05:03 -0530"},
        {"2015-05-17T10:05:03+02", "17/May/2015 10:05:03 +0200"},
        {"2015-05-17T10:05:03.123456789+01:00", "17/May/2015 10:05:03 +0100"},
        {"2015-05-17 10:05:03", "17/May/2015 10:05:03 +0000"},
        {"2015-05-17T10:05", "17/May/2015 10:05:00 +0000"},
        {"2015-13-17T10:05:03Z",
         "refus\xE9"
         "e"},
        {"2015-05-17T10:05:03+2:00",
         "refus\xE9"
         "e"},
        {"2015-05-17T10:05:03Zx",
         "refus\xE9"
         "e"},
        // Epoch times: UTC, the unit told by the number of digits.
        {"0", "01/Jan/1970 00:00:00 +0000"},
        {"1431857103", "17/May/2015 10:05:03 +0000"},
        {"1431857103.999", "17/May/2015 10:05:03 +0000"},
        {"1431857103123", "17/May/2015 10:05:03 +0000"},
        {"1431857103123456", "17/May/2015 10:05:03 +0000"},
        {"1431857103123456789", "17/May/2015 10:05:03 +0000"},
        {"1.431857103e9", "17/May/2015 10:05:03 +0000"},
        {"1709164800", "29/Feb/2024 00:00:00 +0000"},
        // Twelve digits are milliseconds.
        {"253402300799", "11/Jan/1978 21:31:40 +0000"},
        {"-5",
         "refus\xE9"
         "e"},
        {"12a",
         "refus\xE9"
         "e"},
        {"",
         "refus\xE9"
         "e"},
        {"1431857103.",
         "refus\xE9"
         "e"},
    };
    for (const auto& c : kCas) {
        DateTexte d;
        EXPECT_EQ(lue(convertirDateQuelconque(c.texte, d), d), c.attendu) << c.texte;
    }
}

TEST(Dates, EpoqueDansUneUniteDonnee) {
    DateTexte d;
    EXPECT_EQ(lue(convertirEpoque("1431857103123", 1000, d), d), "17/May/2015 10:05:03 +0000");
    EXPECT_EQ(lue(convertirEpoque("1431857103.5", 1, d), d), "17/May/2015 10:05:03 +0000");
    // The last second of year 9999 is written, a year beyond it is not.
    EXPECT_EQ(lue(convertirEpoque("253402300799", 1, d), d), "31/Dec/9999 23:59:59 +0000");
    EXPECT_EQ(lue(convertirEpoque("253402300800", 1, d), d),
              "refus\xE9"
              "e");
    EXPECT_EQ(lue(convertirEpoque("99999999999999", 1, d), d),
              "refus\xE9"
              "e");
    EXPECT_EQ(lue(convertirEpoque("99999999999999999999", 1, d), d),
              "refus\xE9"
              "e");
}

TEST(Dates, ColonnesW3C) {
    const struct {
        const char* date;
        const char* heure;
        const char* attendu;
    } kCas[] = {
        {"2023-12-19", "23:17:49", "19/Dec/2023 23:17:49 +0000"},
        {"2023-12-19", "23:17:49.250", "19/Dec/2023 23:17:49 +0000"},
        {"2024-02-29", "00:00:00", "29/Feb/2024 00:00:00 +0000"},
        {"2023-02-29", "00:00:00",
         "refus\xE9"
         "e"},
        {"2023-12-19", "23:17",
         "refus\xE9"
         "e"},
        {"2023-12-19", "23:17:49x",
         "refus\xE9"
         "e"},
        {"19/12/2023", "23:17:49",
         "refus\xE9"
         "e"},
    };
    for (const auto& c : kCas) {
        DateTexte d;
        EXPECT_EQ(lue(convertirDateW3C(c.date, c.heure, d), d), c.attendu)
            << c.date << " " << c.heure;
    }
}

TEST(Dates, CouperLaDateDuJournalDonneDesVuesDansLeTexte) {
    const std::string t = "17/May/2015:10:05:03 +0000";
    std::string_view date, heure, fuseau;
    ASSERT_TRUE(couperDateJournal(t, date, heure, fuseau));
    EXPECT_EQ(date.data(), t.data());
    EXPECT_EQ(date, "17/May/2015");
    EXPECT_EQ(heure, "10:05:03");
    EXPECT_EQ(fuseau, "+0000");
}
