// The tables of an analysis that skips the lines that do not conform.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/analyse/ComptesJournal.h"
#include "core/journal/DeuxFils.h"
#include "core/lecture/TableauLog.h"
#include "tests/commun/Doublures.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

using Paires = std::vector<std::pair<std::string, int64_t>>;

RLog avecTemps(std::string_view date, std::string_view heure) {
    RLog r;
    r.date = date;
    r.heure = heure;
    return r;
}

}  // namespace

TEST(ExaminerLigne, HeureEtJourLisibles) {
    struct Cas {
        std::string date, heure;
        std::string raison;  // empty: kept
    };
    const std::vector<Cas> cas = {
        {"06/Dec/2006", "10:15:32", ""},
        {"29/Feb/2004", "00:00:00", ""},
        {"06/Dec/2006", "99:00:00", ""},  // reads; lies in no slice
        {"06/Dec/2006", "-", "'-' n'est pas une heure correcte"},
        {"06/Dec/2006", "7:05:00", "'7:05:00' n'est pas une heure correcte"},
        {"06/Dec/2006", "ab:00:00", "'ab:00:00' n'est pas une heure correcte"},
        {"06/Foo/2006", "10:15:32", "'06//2006' n'est pas une date correcte"},
        {"29/Feb/2005", "10:15:32", "'29/02/2005' n'est pas une date correcte"},
        {"-", "10:15:32", "'-//' n'est pas une date correcte"},
        {" [06/Dec/2006", "10:15:32", "' [//c/20' n'est pas une date correcte"},
        {"06/Dec/2006", "10:15:32", ""},  // after a failure, the same date again
    };
    for (const Cas& c : cas) {
        const RLog r = avecTemps(c.date, c.heure);
        std::string raison;
        EXPECT_EQ(examinerLigne(r, nullptr), c.raison.empty()) << c.date << " " << c.heure;
        EXPECT_EQ(examinerLigne(r, &raison), c.raison.empty()) << c.date << " " << c.heure;
        EXPECT_EQ(raison, c.raison);
    }
}

namespace {

// A journal as real servers write it: dotted clients, IPv6, host names, and lines that stay
// unreadable (another format's, cut short, binary junk, an unreadable hour or day).
constexpr char kBinaire[] =
    "\x7F"
    "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\0 \x03\0>\0\x01\0\0\0";
const std::vector<std::string> kMele = {
    ligneLog("10.0.0.1", "06/Dec/2006", "10:15:32", "100"),
    ligneLog("2001:db8::1", "06/Dec/2006", "10:20:00", "200"),
    "vhost.example.com 10.0.0.9 - - [06/Dec/2006:10:21:00 +0100] \"GET / HTTP/1.1\" 200 5 \"-\" "
    "\"x\"",
    ligneLog("::1", "06/Dec/2006", "11:00:00", "-"),
    "10.0.0.1 - - [06/Dec/2006:11:0",
    ligneLog("crawl.example.com", "07/Dec/2006", "12:00:00", "30", "GET /robots.txt HTTP/1.1", "-",
             "Googlebot/2.1 (+http://www.google.com/bot.html)"),
    std::string(std::begin(kBinaire), std::end(kBinaire) - 1),
    ligneLog("2001:db8::1", "07/Dec/2006", "12:30:00", "50"),
    ligneLog("10.0.0.2", "07/Dec/2006", "-", "1"),
    ligneLog("10.0.0.3", "32/Dec/2006", "12:00:00", "1"),
    "",
    ligneLog("010.0.0.1", "07/Dec/2006", "13:00:00", "7"),
};

// The first pass with the option, then the statistics pass over its kept lines.
TableauLog analyserSouple(const Journal& j, TablesAnalyse& tables, bool premierePasse,
                          int largeur = 1) {
    TableauLog t;
    ComptesJournal comptes;
    t.memoriser(j, {}, &comptes, examinerLigne);
    calculerTables(t, largeur, tables, premierePasse ? &comptes : nullptr);
    return t;
}

}  // namespace

TEST(TablesSouples, LignesGardeesSeulement) {
    TablesAnalyse tables;
    const Journal j = journalDe(kMele);
    for (const bool premierePasse : {true, false}) {
        const TableauLog t = analyserSouple(j, tables, premierePasse);
        EXPECT_EQ(t.taille(), 6u);
        EXPECT_EQ(t.nbIgnorees(), 6u);
        EXPECT_EQ(
            paires(tables.statIP),
            (Paires{{"10.0.0.1", 2}, {"2001:db8::1", 2}, {"::1", 1}, {"crawl.example.com", 1}}));
        EXPECT_EQ(
            paires(tables.statTaux),
            (Paires{
                {"10.0.0.1", 107}, {"2001:db8::1", 250}, {"::1", 0}, {"crawl.example.com", 30}}));
        EXPECT_EQ(paires(tables.statNav), (Paires{{"Mozilla/4.0 ", 5}, {"Googlebot/2.1 ", 1}}));
        // Two days: the slices are averaged over the kept lines' days.
        EXPECT_EQ(paires(tables.statHoraires), (Paires{{"", 0},
                                                       {"10 \xE0 11", 1},
                                                       {"11 \xE0 12", 0},
                                                       {"12 \xE0 13", 1},
                                                       {"13 \xE0 14", 0}}));
        EXPECT_EQ(paires(tables.statVMensuelles), (Paires{{"Tous", 6}}));
        // The separate tallies read the same lines.
        tableauRapportStat ip, taux, journee;
        compterAdressesIP(t, ip);
        compterOctets(t, taux);
        EXPECT_EQ(paires(ip), paires(tables.statIP));
        EXPECT_EQ(paires(taux), paires(tables.statTaux));
        compterRequetes(t, kPeriodeJournee, "07/12/2006", "", journee);
        EXPECT_EQ(paires(journee), (Paires{{"12h \xE0 13h", 2}, {"13h \xE0 14h", 1}}));
    }
    // The option off: the same journal stops the tallies as before.
    tableauRapportStat adresses;
    EXPECT_THROW(compterAdressesIP(j, adresses), ErreurKestrane);
}

TEST(TablesSouples, JournalPropreCommeSansOption) {
    TablesAnalyse tables;
    std::vector<std::string> lignes;
    std::mt19937 alea(7);
    for (int k = 0; k < 500; ++k) {
        lignes.push_back(
            ligneLog("10.1." + std::to_string(alea() % 5) + "." + std::to_string(alea() % 9),
                     k < 250 ? "06/Dec/2006" : "07/Dec/2006",
                     (k % 24 < 10 ? "0" : "") + std::to_string(k % 24) + ":00:00",
                     std::to_string(alea() % 999)));
    }
    const Journal j = journalDe(lignes);
    calculerTables(j, 3, tables);
    const std::vector<tableauRapportStat> sans = {
        tables.statIP,      tables.statOS,   tables.statNav,      tables.statPrecedent,
        tables.statFichier, tables.statTaux, tables.statHoraires, tables.statVMensuelles};
    const TableauLog t = analyserSouple(j, tables, true, 3);
    EXPECT_EQ(t.nbIgnorees(), 0u);
    const std::vector<tableauRapportStat> avec = {
        tables.statIP,      tables.statOS,   tables.statNav,      tables.statPrecedent,
        tables.statFichier, tables.statTaux, tables.statHoraires, tables.statVMensuelles};
    for (std::size_t k = 0; k < sans.size(); ++k) EXPECT_EQ(paires(avec[k]), paires(sans[k])) << k;
}

TEST(TablesSouples, DeuxMoitiesCommeLesTalliesSeparees) {
    TablesAnalyse tables;
    // Past the two-core threshold, text and dotted clients mixed in both halves, some of them
    // first seen in the second half: the merged order of first appearance is the tallies'.
    const std::size_t n = kSeuilDeuxFilsLignes * 2 + 100;
    std::mt19937 alea(11);
    std::vector<std::string> lignes;
    for (std::size_t k = 0; k < n; ++k) {
        const unsigned c = alea() % (k < n / 2 ? 300 : 600);
        std::string client =
            c % 4 == 0 ? "2001:db8::" + std::to_string(c) : "192.168.0." + std::to_string(c);
        if (alea() % 50 == 0) {
            lignes.push_back(client + " - - [06/Dec/2006:10:1");
        } else {
            lignes.push_back(ligneLog(client, k < n / 2 ? "06/Dec/2006" : "07/Dec/2006",
                                      "1" + std::to_string(k % 10) + ":00:00",
                                      std::to_string(alea() % 1000)));
        }
    }
    const Journal j = journalDe(lignes);
    analyserSouple(j, tables, true, 2);
    const Paires ip = paires(tables.statIP), taux = paires(tables.statTaux),
                 tranches = paires(tables.statHoraires);
    const TableauLog t = analyserSouple(j, tables, false, 2);
    tableauRapportStat ipSeparee, tauxSeparee, tranchesSeparees;
    compterAdressesIP(t, ipSeparee);
    compterOctets(t, tauxSeparee);
    compterTranchesHoraires(t, 2, tranchesSeparees);
    EXPECT_EQ(ip, paires(ipSeparee));
    EXPECT_EQ(taux, paires(tauxSeparee));
    EXPECT_EQ(tranches, paires(tranchesSeparees));
    EXPECT_GT(t.nbIgnorees(), 0u);
    EXPECT_EQ(paires(tables.statVMensuelles), (Paires{{"Tous", static_cast<int64_t>(t.taille())}}));
}

TEST(TablesSouples, EchantillonReelCommeSansOption) {
    TablesAnalyse tables;
    // A real log, every line of which conforms: the option changes nothing.
    const std::string chemin = std::string(KESTRANE_ECHANTILLONS) + "/apache-combined-10k.log";
    if (!std::filesystem::exists(chemin)) GTEST_SKIP() << "sample journal absent: " << chemin;
    const Journal j = Journal::charger(chemin);
    calculerTables(j, 2, tables);
    const std::vector<tableauRapportStat> sans = {
        tables.statIP,      tables.statOS,   tables.statNav,      tables.statPrecedent,
        tables.statFichier, tables.statTaux, tables.statHoraires, tables.statVMensuelles};
    const TableauLog t = analyserSouple(j, tables, true, 2);
    EXPECT_EQ(t.nbIgnorees(), 0u);
    const std::vector<tableauRapportStat> avec = {
        tables.statIP,      tables.statOS,   tables.statNav,      tables.statPrecedent,
        tables.statFichier, tables.statTaux, tables.statHoraires, tables.statVMensuelles};
    for (std::size_t k = 0; k < sans.size(); ++k) EXPECT_EQ(paires(avec[k]), paires(sans[k])) << k;
}
