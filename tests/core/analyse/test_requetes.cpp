#include <gtest/gtest.h>

#include "tests/commun/Doublures.h"
#include "core/journal/Erreur.h"
#include "core/analyse/Decomptes.h"

using namespace kestrane;
using namespace kestrane::test;

using Paires = std::vector<std::pair<std::string, int64_t>>;
using Textes = std::vector<std::string>;

namespace {

Journal journalDates(const std::vector<std::pair<std::string, std::string>>& datesHeures) {
    std::vector<std::string> lignes;
    for (const auto& [d, h] : datesHeures) lignes.push_back(ligneLog("1.2.3.4", d, h));
    return journalDe(lignes);
}

std::string messageDe(const std::function<void()>& f) {
    try {
        f();
    } catch (const ErreurKestrane& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST(Requetes, ConvertirMois) {
    const char* mois[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* numeros[] = {"01", "02", "03", "04", "05", "06",
                             "07", "08", "09", "10", "11", "12"};
    for (int m = 0; m < 12; ++m) EXPECT_EQ(convertirMois(mois[m]), numeros[m]);
    for (const char* autre : {"oct", "OCT", "Oct/2005", "", "Octo", " Oct"}) {
        EXPECT_EQ(convertirMois(autre), "") << autre;
    }
}

TEST(Requetes, ToutLeFichierCompteToutesLesLignesSansLesLire) {
    std::vector<std::string> lignes(119, ligneLog("1.1.1.1"));
    lignes.push_back("pas une ligne de journal");
    tableauRapportStat t;
    compterRequetes(journalDe(lignes), kPeriodeToutLeFichier, "", "", t);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].libelle, "Tous");
    EXPECT_EQ(t[0].complement, "Toutes");
    EXPECT_EQ(t[0].nombre, 120);
}

TEST(Requetes, ToutesLesDates) {
    tableauRapportStat t;
    compterRequetes(journalDates({{"07/Oct/2005", "10:00:01"},
                                  {"07/Oct/2005", "11:00:00"},
                                  {"08/Oct/2005", "00:00:09"}}),
                    "", "", "", t);
    EXPECT_EQ(paires(t), (Paires{{"07/Oct/2005", 2}, {"08/Oct/2005", 1}}));
    EXPECT_EQ(t[0].complement, "07/Oct/2005 10:00:01");
    EXPECT_EQ(t[1].complement, "08/Oct/2005 00:00:09");
    const ListesPeriodes l = listesPeriodes(t);
    EXPECT_EQ(l.annees, (Textes{"2005"}));
    EXPECT_EQ(l.mois, (Textes{"Oct/2005"}));
}

TEST(Requetes, ListesDePeriodes) {
    tableauRapportStat t;
    compterRequetes(journalDates({{"30/Dec/2004", "10:00:00"},
                                  {"02/Jan/2005", "10:00:00"},
                                  {"03/Jan/2005", "10:00:00"}}),
                    "", "", "", t);
    ListesPeriodes l = listesPeriodes(t);
    EXPECT_EQ(l.annees, (Textes{"2004", "2005"}));
    EXPECT_EQ(l.mois, (Textes{"Dec/2004", "Jan/2005"}));

    // A date going back repeats the value where it comes back.
    compterRequetes(journalDates({{"31/Dec/2004", "10:00:00"},
                                  {"01/Jan/2005", "10:00:00"},
                                  {"30/Dec/2004", "10:00:00"}}),
                    "", "", "", t);
    l = listesPeriodes(t);
    EXPECT_EQ(l.annees, (Textes{"2004", "2005", "2004"}));
    EXPECT_EQ(l.mois, (Textes{"Dec/2004", "Jan/2005", "Dec/2004"}));
}

TEST(Requetes, ListesDePeriodesDeDatesAbsentes) {
    // A date of "-": no year, and the month text carries over from the last year appended.
    const tableauRapportStat t{{"-", "", 3}, {"01/Jan/2005", "", 1}};
    const ListesPeriodes l = listesPeriodes(t);
    EXPECT_EQ(l.annees, (Textes{"2005"}));
    EXPECT_EQ(l.mois, (Textes{"", "Jan/2005"}));
}

TEST(Requetes, AnneeEtMois) {
    const Journal j = journalDates({{"30/Dec/2004", "10:00:00"},
                                    {"02/Jan/2005", "10:00:00"},
                                    {"03/Jan/2005", "10:00:00"},
                                    {"01/Feb/2005", "10:00:00"}});
    tableauRapportStat t;
    compterRequetes(j, kPeriodeAnnee, "2005", "", t);
    EXPECT_EQ(paires(t), (Paires{{"Jan/2005", 2}, {"Feb/2005", 1}}));
    EXPECT_EQ(t[0].complement, "02/Jan/2005 10:00:00");
    compterRequetes(j, kPeriodeAnnee, "1999", "", t);
    EXPECT_TRUE(t.empty());
    compterRequetes(j, kPeriodeMois, "Jan/2005", "", t);
    EXPECT_EQ(paires(t), (Paires{{"02/Jan/2005", 1}, {"03/Jan/2005", 1}}));
}

TEST(Requetes, PeriodeBornesComprises) {
    const Journal j = journalDates({{"07/Oct/2005", "23:59:59"},
                                    {"08/Oct/2005", "00:00:00"},
                                    {"08/Oct/2005", "23:59:59"},
                                    {"09/Oct/2005", "00:00:00"},
                                    {"10/Oct/2005", "00:00:00"}});
    tableauRapportStat t;
    compterRequetes(j, kPeriodePeriode, "08/10/2005", "08/10/2005", t);
    EXPECT_EQ(paires(t), (Paires{{"08/Oct/2005", 2}}));
    compterRequetes(j, kPeriodePeriode, "08/10/2005", "09/10/2005", t);
    EXPECT_EQ(paires(t), (Paires{{"08/Oct/2005", 2}, {"09/Oct/2005", 1}}));
    compterRequetes(j, kPeriodePeriode, "10/10/2005", "07/10/2005", t);
    EXPECT_TRUE(t.empty());
    // Across months and years, by calendar day rather than by text.
    compterRequetes(j, kPeriodePeriode, "30/09/2005", "01/01/2006", t);
    EXPECT_EQ(t.size(), 4u);
}

TEST(Requetes, Journee) {
    const Journal j = journalDates({{"08/Oct/2005", "09:00:00"},
                                    {"07/Oct/2005", "08:00:00"},
                                    {"08/Oct/2005", "08:59:59"},
                                    {"08/Oct/2005", "23:10:00"},
                                    {"08/Oct/2005", "09:30:00"}});
    tableauRapportStat t;
    compterRequetes(j, kPeriodeJournee, "08/10/2005", "", t);
    EXPECT_EQ(paires(t), (Paires{{"09h \xE0 10h", 2}, {"08h \xE0 9h", 1}, {"23h \xE0 24h", 1}}));
    EXPECT_EQ(t[1].complement, "08/Oct/2005 08:59:59");
}

TEST(Requetes, JourneeConvertitLHeureDeChaqueLigne) {
    // The bad line is not on the chosen day, and still stops the build.
    const Journal j = journalDe({ligneLog("1.1.1.1", "08/Oct/2005", "10:00:00"),
                                 ligneLog("1.1.1.1", "07/Oct/2005", "xx:00:00")});
    tableauRapportStat t;
    EXPECT_EQ(messageDe([&] { compterRequetes(j, kPeriodeJournee, "08/10/2005", "", t); }),
              "'xx' n'est pas une valeur enti\xE8re correcte");
    EXPECT_EQ(paires(t), (Paires{{"10h \xE0 11h", 1}}));
}

TEST(Requetes, DatesIncorrectes) {
    const Journal bonne = journalDates({{"08/Oct/2005", "10:00:00"}});
    const Journal moisInconnu =
        journalDates({{"08/Oct/2005", "10:00:00"}, {"08/oct/2005", "10:00:00"}});
    tableauRapportStat t;
    EXPECT_EQ(messageDe([&] {
                  compterRequetes(moisInconnu, kPeriodePeriode, "01/10/2005", "31/10/2005", t);
              }),
              "'08//2005' n'est pas une date correcte");
    EXPECT_EQ(paires(t), (Paires{{"08/Oct/2005", 1}}));
    EXPECT_EQ(
        messageDe([&] { compterRequetes(moisInconnu, kPeriodeJournee, "08/10/2005", "", t); }),
        "'08//2005' n'est pas une date correcte");
    EXPECT_EQ(
        messageDe([&] { compterRequetes(bonne, kPeriodePeriode, "31/02/2005", "01/03/2005", t); }),
        "'31/02/2005' n'est pas une date correcte");
    EXPECT_EQ(
        messageDe([&] { compterRequetes(bonne, kPeriodePeriode, "01/01/2005", "2005-12-31", t); }),
        "'2005-12-31' n'est pas une date correcte");
    // The other kinds compare texts and never fail on a date.
    EXPECT_EQ(messageDe([&] { compterRequetes(moisInconnu, kPeriodeMois, "Oct/2005", "", t); }),
              "(no error)");
}

TEST(Requetes, CalendrierReel) {
    const Journal j = journalDates({{"29/Feb/2004", "10:00:00"}, {"29/Feb/2000", "10:00:00"}});
    tableauRapportStat t;
    compterRequetes(j, kPeriodePeriode, "28/02/2000", "01/03/2004", t);
    EXPECT_EQ(t.size(), 2u);
    const Journal pasBissextile = journalDates({{"29/Feb/1900", "10:00:00"}});
    EXPECT_EQ(
        messageDe([&] { compterRequetes(pasBissextile, kPeriodeJournee, "01/01/1900", "", t); }),
        "'29/02/1900' n'est pas une date correcte");
    const Journal jourZero = journalDates({{"00/Jan/2005", "10:00:00"}});
    EXPECT_EQ(messageDe([&] {
                  compterRequetes(jourZero, kPeriodePeriode, "01/01/2005", "02/01/2005", t);
              }),
              "'00/01/2005' n'est pas une date correcte");
}
