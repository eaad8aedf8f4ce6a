#include <gtest/gtest.h>

#include "tests/commun/Doublures.h"
#include "core/journal/Erreur.h"
#include "core/analyse/Decomptes.h"

using namespace kestrane;
using namespace kestrane::test;

using Paires = std::vector<std::pair<std::string, int64_t>>;

TEST(Comptages, AdressesEnOrdreDePremiereApparition) {
    const Journal j = journalDe({ligneLog("10.0.0.2"), ligneLog("10.0.0.1"), ligneLog("10.0.0.2")});
    tableauRapportStat t;
    compterAdressesIP(j, t);
    EXPECT_EQ(paires(t), (Paires{{"10.0.0.2", 2}, {"10.0.0.1", 1}}));
    EXPECT_EQ(t[0].complement, "");
}

TEST(Comptages, AdresseReconstruiteDesQuatreNombres) {
    // Leading zeros vanish, numbers above 255 and negative ones are written as read.
    const Journal j = journalDe({ligneLog("010.000.0.1"), ligneLog("10.0.0.1"),
                                 ligneLog("300.1.1.1"), ligneLog("-1.2.3.4")});
    tableauRapportStat t;
    compterAdressesIP(j, t);
    EXPECT_EQ(paires(t), (Paires{{"10.0.0.1", 2}, {"300.1.1.1", 1}, {"-1.2.3.4", 1}}));
}

TEST(Comptages, UneSeuleAdresse) {
    std::vector<std::string> lignes(7, ligneLog("192.168.0.12"));
    tableauRapportStat t;
    compterAdressesIP(journalDe(lignes), t);
    EXPECT_EQ(paires(t), (Paires{{"192.168.0.12", 7}}));
}

TEST(Comptages, OctetsParAdresse) {
    const Journal j = journalDe({ligneLog("1.1.1.1", "06/Dec/2006", "10:00:00", "-"),
                                 ligneLog("2.2.2.2", "06/Dec/2006", "10:00:00", "100"),
                                 ligneLog("1.1.1.1", "06/Dec/2006", "10:00:00", "NC"),
                                 ligneLog("2.2.2.2", "06/Dec/2006", "10:00:00", "-"),
                                 ligneLog("2.2.2.2", "06/Dec/2006", "10:00:00", "50")});
    tableauRapportStat t;
    compterOctets(j, t);
    // A line without a byte count opens its address with 0 and adds nothing later.
    EXPECT_EQ(paires(t), (Paires{{"1.1.1.1", 0}, {"2.2.2.2", 150}}));
}

TEST(Comptages, ClesExactesSensiblesALaCasse) {
    const std::string a = "Mozilla/5.0 (X11; Linux i686)";
    const std::string b = "Mozilla/5.0 (X11; linux i686)";
    const std::string d = "06/Dec/2006", h = "10:00:00", o = "1";
    const std::string r = "GET /a.html HTTP/1.1";
    const Journal j =
        journalDe({ligneLog("1.1.1.1", d, h, o, r, "http://ex.org/A", a),
                   ligneLog("1.1.1.1", d, h, o, r, "-", b),
                   ligneLog("1.1.1.1", d, h, o, "GET /A.html HTTP/1.1", "http://ex.org/a", a),
                   ligneLog("1.1.1.1", d, h, o, r, "-", "-")});
    tableauRapportStat t;
    compterSystemes(j, t);
    EXPECT_EQ(paires(t), (Paires{{"Linux i686", 2}, {"linux i686", 1}, {"-", 1}}));
    compterNavigateurs(j, t);
    EXPECT_EQ(paires(t), (Paires{{"Mozilla/5.0 ", 3}, {"-", 1}}));
    compterProvenances(j, t);
    EXPECT_EQ(paires(t), (Paires{{"http://ex.org/A", 1}, {"-", 2}, {"http://ex.org/a", 1}}));
    compterFichiers(j, t);
    EXPECT_EQ(paires(t), (Paires{{"/a.html", 3}, {"/A.html", 1}}));
}

TEST(Comptages, UnTallyRemplaceLeContenuPrecedent) {
    tableauRapportStat t{{"ancien", "x", 99}, {"autre", "", 3}};
    compterAdressesIP(journalDe({ligneLog("5.5.5.5")}), t);
    EXPECT_EQ(paires(t), (Paires{{"5.5.5.5", 1}}));
}

TEST(Comptages, DebordementGardeLesEntreesDejaFaites) {
    const Journal j =
        journalDe({ligneLog("1.1.1.1", "06/Dec/2006", "10:00:00", "9223372036854775807"),
                   ligneLog("2.2.2.2", "06/Dec/2006", "10:00:00", "5"),
                   ligneLog("1.1.1.1", "06/Dec/2006", "10:00:00", "1"),
                   ligneLog("3.3.3.3", "06/Dec/2006", "10:00:00", "7")});
    tableauRapportStat t;
    try {
        compterOctets(j, t);
        FAIL() << "overflow expected";
    } catch (const ErreurKestrane& e) {
        EXPECT_STREQ(e.what(),
                     "D\xE9"
                     "bordement d'entier");
    }
    EXPECT_EQ(paires(t), (Paires{{"1.1.1.1", INT64_MAX}, {"2.2.2.2", 5}}));
}

TEST(Comptages, LigneIllisibleArreteLeTally) {
    const Journal j = journalDe({ligneLog("1.1.1.1"), "", ligneLog("2.2.2.2")});
    tableauRapportStat t;
    try {
        compterAdressesIP(j, t);
        FAIL() << "conversion error expected";
    } catch (const ErreurKestrane& e) {
        EXPECT_STREQ(e.what(), "'-' n'est pas une valeur enti\xE8re correcte");
    }
    EXPECT_EQ(paires(t), (Paires{{"1.1.1.1", 1}}));
}

TEST(Comptages, BeaucoupDeClesGardentLOrdreEtLesNombres) {
    // Enough keys to make the index grow several times; counts by a simple rule.
    std::vector<std::string> lignes;
    for (int tour = 0; tour < 3; ++tour) {
        for (int k = 0; k < 5000; ++k) {
            if (tour == 2 && k % 2) continue;
            lignes.push_back(
                ligneLog("10.0." + std::to_string(k / 256) + "." + std::to_string(k % 256)));
        }
    }
    tableauRapportStat t;
    compterAdressesIP(journalDe(lignes), t);
    ASSERT_EQ(t.size(), 5000u);
    for (int k = 0; k < 5000; ++k) {
        EXPECT_EQ(t[static_cast<std::size_t>(k)].libelle,
                  "10.0." + std::to_string(k / 256) + "." + std::to_string(k % 256));
        EXPECT_EQ(t[static_cast<std::size_t>(k)].nombre, k % 2 ? 2 : 3);
    }
}
