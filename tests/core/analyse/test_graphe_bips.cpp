#include <gtest/gtest.h>

#include "tests/commun/Doublures.h"
#include "core/analyse/Decomptes.h"
#include "core/analyse/GrillesRapport.h"
#include "platform/Airs.h"
#include "tests/commun/BipEnregistreur.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

tableauRapportStat tableDeTaille(int n) {
    tableauRapportStat t;
    for (int k = 0; k < n; ++k) t.push_back({"k" + std::to_string(k), "", 1000 * k + 7});
    return t;
}

}  // namespace

TEST(RemplirGraphe, LesNPremiersDansChaqueSerie) {
    GrapheMemoire g(3);
    remplirGraphe(g, 10, tableDeTaille(30));
    for (const auto& s : g.series) {
        ASSERT_EQ(s.size(), 10u);
        for (int k = 0; k < 10; ++k) {
            EXPECT_EQ(s[static_cast<std::size_t>(k)],
                      (Point{1000.0 * k + 7, "k" + std::to_string(k)}));
        }
    }
    remplirGraphe(g, 50, tableDeTaille(3));
    for (const auto& s : g.series) EXPECT_EQ(s.size(), 3u);
}

TEST(RemplirGraphe, VideSansDeuxEntreesOuSansN) {
    GrapheMemoire g(2);
    remplirGraphe(g, 10, tableDeTaille(5));
    remplirGraphe(g, 10, tableDeTaille(1));
    for (const auto& s : g.series) EXPECT_TRUE(s.empty());
    remplirGraphe(g, 10, tableDeTaille(5));
    remplirGraphe(g, 0, tableDeTaille(5));
    for (const auto& s : g.series) EXPECT_TRUE(s.empty());
    remplirGraphe(g, -3, tableDeTaille(5));
    for (const auto& s : g.series) EXPECT_TRUE(s.empty());
}

TEST(RemplirGraphe, DeuxFoisDonneLesMemesPoints) {
    GrapheMemoire g(1);
    const auto t = tableDeTaille(24);
    remplirGraphe(g, 24, t);
    const auto premiers = g.series;
    remplirGraphe(g, 24, t);
    EXPECT_EQ(g.series, premiers);
}

TEST(RemplirGraphe, TranchesCommencentParLEnTete) {
    tableauRapportStat t{{"", "", 0}};
    for (int h = 0; h < 24; ++h) t.push_back({libelleTranche(h, 1), "", h});
    GrapheMemoire g(1);
    remplirGraphe(g, 24, t);
    ASSERT_EQ(g.series[0].size(), 24u);
    EXPECT_EQ(g.series[0].front(), (Point{0, ""}));
    EXPECT_EQ(g.series[0].back().libelle, "22 \xE0 23");
}

TEST(Bips, LesTroisAirs) {
    using Appels = std::vector<std::pair<int, int>>;
    BipEnregistreur b;
    bipErreur(b);
    EXPECT_EQ(b.bips, (Appels{{900, 50}, {300, 150}}));
    b.bips.clear();
    bipTermine(b);
    EXPECT_EQ(b.bips, (Appels{{400, 100}, {600, 100}, {500, 250}}));
    b.bips.clear();
    bipQuitter(b);
    Appels quitter;
    for (int f : {900, 840, 780, 720, 660, 600, 540, 480, 420, 360, 300, 240, 180, 120}) {
        quitter.emplace_back(f, 5);
    }
    EXPECT_EQ(b.bips, quitter);
}

TEST(RemplirTableauRapport, EnTeteEtLignes) {
    GrilleMemoire g;
    g.changerNbLignes(10);
    for (int r = 0; r < 10; ++r) g.ecrireCellule(0, r, "vieux");
    const tableauRapportStat t{{"a", "", 1234567}, {"b", "", 0}, {"c", "", -5}};
    remplirTableauRapport("Adresses IP", "Occurences", t, g);
    const std::vector<std::pair<std::string, std::string>> attendu = {
        {"Adresses IP", "Occurences"}, {"a", "1234567"}, {"b", "0"}, {"c", "-5"}};
    EXPECT_EQ(g.lignes, attendu);
}
