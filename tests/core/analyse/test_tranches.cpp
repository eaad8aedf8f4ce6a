#include <gtest/gtest.h>

#include "tests/commun/Doublures.h"
#include "core/journal/Erreur.h"
#include "core/analyse/Decomptes.h"
#include "core/analyse/GrillesRapport.h"

using namespace kestrane;
using namespace kestrane::test;

using Paires = std::vector<std::pair<std::string, int64_t>>;

namespace {

Journal journalHeures(const std::vector<std::pair<std::string, std::string>>& datesHeures) {
    std::vector<std::string> lignes;
    for (const auto& [d, h] : datesHeures) lignes.push_back(ligneLog("1.2.3.4", d, h));
    return journalDe(lignes);
}

const std::string kJour = "06/Dec/2006";

}  // namespace

TEST(Tranches, Libelles) {
    const struct {
        int c, largeur;
        const char* libelle;
    } cas[] = {{0, 1, "00 \xE0 01"},  {9, 1, "09 \xE0 10"}, {23, 1, "23 \xE0 24"},
               {11, 2, "22 \xE0 24"}, {1, 3, "03 \xE0 06"}, {5, 4, "20 \xE0 24"},
               {1, 5, "05 \xE0 10"},  {4, 5, "20 \xE0 25"}, {3, 6, "18 \xE0 24"}};
    for (const auto& c : cas) EXPECT_EQ(libelleTranche(c.c, c.largeur), c.libelle);
}

TEST(Tranches, UneJourneeLargeurUne) {
    tableauRapportStat t;
    compterTranchesHoraires(
        journalHeures({{kJour, "08:10:00"}, {kJour, "09:59:59"}, {kJour, "08:45:00"}}), 1, t);
    EXPECT_EQ(paires(t), (Paires{{"", 0}, {"08 \xE0 09", 2}, {"09 \xE0 10", 1}}));
    EXPECT_EQ(t[0].complement, "");
    EXPECT_EQ(t[1].complement, kJour);
}

TEST(Tranches, BornesDesLargeurs) {
    tableauRapportStat t;
    compterTranchesHoraires(journalHeures({{kJour, "23:59:59"}, {kJour, "04:00:00"}}), 5, t);
    EXPECT_EQ(paires(t), (Paires{{"", 0}, {"20 \xE0 25", 1}, {"00 \xE0 05", 1}}));
    compterTranchesHoraires(journalHeures({{kJour, "05:00:00"}, {kJour, "06:00:00"}}), 6, t);
    EXPECT_EQ(paires(t), (Paires{{"", 0}, {"00 \xE0 06", 1}, {"06 \xE0 12", 1}}));
}

TEST(Tranches, MoyenneSurLesJoursDistincts) {
    // Two dates: every count, head included, is divided by 2 with the remainder dropped; the
    // complement is the date of the first line of each slice.
    tableauRapportStat t;
    compterTranchesHoraires(journalHeures({{"06/Dec/2006", "08:00:00"},
                                           {"06/Dec/2006", "08:30:00"},
                                           {"06/Dec/2006", "08:59:00"},
                                           {"07/Dec/2006", "08:10:00"},
                                           {"07/Dec/2006", "09:10:00"},
                                           {"07/Dec/2006", "08:20:00"}}),
                            1, t);
    EXPECT_EQ(paires(t), (Paires{{"", 0}, {"08 \xE0 09", 2}, {"09 \xE0 10", 0}}));
    EXPECT_EQ(t[2].complement, "07/Dec/2006");
}

TEST(Tranches, DatesRevenantEnArriereNeComptentQuUneFois) {
    tableauRapportStat t;
    compterTranchesHoraires(journalHeures({{"06/Dec/2006", "08:00:00"},
                                           {"07/Dec/2006", "08:00:00"},
                                           {"06/Dec/2006", "08:00:00"},
                                           {"07/Dec/2006", "08:00:00"}}),
                            2, t);
    EXPECT_EQ(paires(t), (Paires{{"", 0}, {"08 \xE0 10", 2}}));
}

TEST(Tranches, HeureHorsDeLaJourneeNeCompteNullePart) {
    tableauRapportStat t;
    compterTranchesHoraires(
        journalHeures({{kJour, "25:00:00"}, {kJour, "07:00:00"}, {kJour, "-3:00:00"}}), 1, t);
    EXPECT_EQ(paires(t), (Paires{{"", 0}, {"07 \xE0 08", 1}}));
}

TEST(Tranches, HeureIllisibleArreteLeCalcul) {
    // A line without time: its time field is "-".
    const Journal j =
        journalDe({ligneLog("1.2.3.4", kJour, "10:00:00"),
                   "1.2.3.4 - - [06/Dec/2006: +0100] \"GET / HTTP/1.1\" 200 5 \"-\" \"-\"",
                   ligneLog("1.2.3.4", kJour, "11:00:00")});
    tableauRapportStat t;
    try {
        compterTranchesHoraires(j, 1, t);
        FAIL() << "conversion error expected";
    } catch (const ErreurKestrane& e) {
        EXPECT_STREQ(e.what(), "'-' n'est pas une valeur enti\xE8re correcte");
    }
    EXPECT_EQ(paires(t), (Paires{{"", 0}, {"10 \xE0 11", 1}}));
}

TEST(Tranches, RecalculApresTriEtChangementDeLargeur) {
    const Journal j = journalHeures(
        {{kJour, "14:00:00"}, {kJour, "02:00:00"}, {kJour, "14:30:00"}, {kJour, "07:00:00"}});
    tableauRapportStat premier, t;
    compterTranchesHoraires(j, 1, premier);
    EXPECT_EQ(paires(premier),
              (Paires{{"", 0}, {"14 \xE0 15", 2}, {"02 \xE0 03", 1}, {"07 \xE0 08", 1}}));
    t = premier;
    GrilleMemoire g;
    remplirTableauRapport("Tranche horaire", "Nb Acc\xE8s", t, g);
    trierParNombre(t, g, false);
    EXPECT_EQ(t.back().libelle, "");
    compterTranchesHoraires(j, 2, t);
    EXPECT_EQ(paires(t),
              (Paires{{"", 0}, {"14 \xE0 16", 2}, {"02 \xE0 04", 1}, {"06 \xE0 08", 1}}));
    compterTranchesHoraires(j, 1, t);
    EXPECT_EQ(paires(t), paires(premier));
}
