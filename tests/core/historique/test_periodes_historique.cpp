// The history's periods: weeks from Monday, calendar months of every length, the year's turn, the
// days outside the range or without a date left out, and every period shown even when empty.
#include <gtest/gtest.h>

#include "core/historique/PeriodesHistorique.h"
#include "core/journal/Calendrier.h"

using namespace kestrane;

namespace {

int64_t j(int a, int m, int d) {
    return joursDepuisEpoque(a, m, d);
}

JourHistorique jour(int64_t n, int64_t requetes) {
    JourHistorique h;
    h.jour = n;
    h.requetes = requetes;
    h.visiteurs = requetes / 2;
    h.visites = requetes / 3;
    h.octets = requetes * 100;
    return h;
}

}  // namespace

TEST(PeriodesHistorique, DebutsDesSemainesEtDesMois) {
    struct Cas {
        int64_t jour;
        Granularite g;
        int64_t debut;
    } const cas[] = {
        {j(2026, 12, 11), Granularite::semaine, j(2026, 12, 7)},   // a Friday
        {j(2026, 12, 7), Granularite::semaine, j(2026, 12, 7)},    // a Monday
        {j(2026, 12, 13), Granularite::semaine, j(2026, 12, 7)},   // a Sunday
        {j(2021, 1, 3), Granularite::semaine, j(2020, 12, 28)},    // across the year
        {j(1969, 12, 31), Granularite::semaine, j(1969, 12, 29)},  // before 1970
        {j(2024, 2, 29), Granularite::mois, j(2024, 2, 1)},
        {j(2026, 12, 31), Granularite::mois, j(2026, 12, 1)},
        {j(2026, 12, 31), Granularite::jour, j(2026, 12, 31)},
    };
    for (const Cas& c : cas) EXPECT_EQ(debutDePeriode(c.jour, c.g), c.debut) << c.jour;
}

TEST(PeriodesHistorique, SommesEtPeriodesVides) {
    const std::vector<JourHistorique> jours{
        jour(kJourSansDate, 1000),  // never in a period
        jour(j(2024, 1, 30), 10),  jour(j(2024, 1, 31), 20),
        jour(j(2024, 2, 29), 40),  jour(j(2024, 4, 2), 80),  // March stays, at zero
        jour(j(2024, 5, 1), 160),                            // past the range
    };
    const auto mois = periodesHistorique(jours, Granularite::mois, j(2024, 1, 31), j(2024, 4, 30));
    ASSERT_EQ(mois.size(), 4u);
    const int64_t attendus[] = {20, 40, 0, 80};  // 30 January is before the range
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(mois[k].requetes, attendus[k]) << k;
    EXPECT_EQ(mois[1].premier, j(2024, 2, 1));
    EXPECT_EQ(mois[1].dernier, j(2024, 2, 29));
    EXPECT_EQ(mois[0].octets, 2000);
    EXPECT_EQ(mois[3].visiteurs, 40);
    EXPECT_EQ(mois[3].visites, 26);

    // Every day of the range, in order; the weeks cover it from its Monday to its Sunday.
    const auto jours1 =
        periodesHistorique(jours, Granularite::jour, j(2024, 1, 30), j(2024, 2, 29));
    ASSERT_EQ(jours1.size(), 31u);
    EXPECT_EQ(jours1.front().requetes, 10);
    EXPECT_EQ(jours1.back().requetes, 40);
    const auto semaines =
        periodesHistorique(jours, Granularite::semaine, j(2024, 1, 30), j(2024, 2, 29));
    ASSERT_EQ(semaines.size(), 5u);
    EXPECT_EQ(semaines.front().premier, j(2024, 1, 29));
    EXPECT_EQ(semaines.back().dernier, j(2024, 3, 3));
    EXPECT_EQ(semaines.front().requetes, 30);
    EXPECT_TRUE(periodesHistorique(jours, Granularite::jour, 5, 4).empty());
}

TEST(PeriodesHistorique, PeriodePrecedente) {
    EXPECT_EQ(periodePrecedente(j(2026, 3, 1), j(2026, 3, 31)),
              std::pair(j(2026, 1, 29), j(2026, 2, 28)));
    EXPECT_EQ(periodePrecedente(10, 10), (std::pair<int64_t, int64_t>(9, 9)));
}
