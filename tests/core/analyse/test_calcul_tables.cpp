#include <gtest/gtest.h>

#include <array>
#include <random>

#include "core/analyse/ComptesJournal.h"
#include "core/journal/Erreur.h"
#include "core/lecture/TableauLog.h"
#include "tests/commun/Doublures.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

// A varied journal: skewed clients, agents with and without systems, referrers, "-" byte
// counts, three days.
std::vector<std::string> lignesVariees(int n, unsigned graine) {
    std::mt19937 alea(graine);
    const char* agents[] = {"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)",
                            "Mozilla/5.0 (X11; Linux x86_64) Gecko/20100101 Firefox/120.0",
                            "Googlebot/2.1 (+http://www.google.com/bot.html)",
                            "curl/7.88.1",
                            "-",
                            "Opera/8.51 (Windows NT 5.1; U; fr)",
                            "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)",
                            "",
                            "a; b; c; d (e; f",
                            "Foo \\\"bar\\\" (x; y; z)"};
    const char* jours[] = {"17/May/2015", "18/May/2015", "19/May/2015"};
    std::vector<std::string> lignes;
    for (int k = 0; k < n; ++k) {
        const unsigned client = (alea() % 50) * (alea() % 50);
        const std::string ip = "10." + std::to_string(client % 7) + "." +
                               std::to_string(client / 256) + "." + std::to_string(client % 256);
        const int jour = k * 3 / n;
        char heure[16];
        std::snprintf(heure, sizeof heure, "%02d:%02d:%02d", (k * 72 / n) % 24, k % 60,
                      (k / 60) % 60);
        const std::string octets = alea() % 9 == 0 ? "-" : std::to_string(alea() % 50000);
        const std::string requete =
            (alea() % 5 ? "GET /p" : "POST /f") + std::to_string(alea() % 300) + ".html HTTP/1.1";
        const std::string provenance =
            alea() % 2 ? "-" : "http://ex.org/q?id=" + std::to_string(alea() % 40);
        lignes.push_back(ligneLog(ip, jours[jour], heure, octets, requete, provenance,
                                  agents[alea() % std::size(agents)]));
    }
    return lignes;
}

struct Separees {
    tableauRapportStat ip, os, nav, precedent, fichier, taux, tranches, dates;
};

Separees parTallies(const Journal& j, int largeur) {
    Separees s;
    compterAdressesIP(j, s.ip);
    compterSystemes(j, s.os);
    compterNavigateurs(j, s.nav);
    compterProvenances(j, s.precedent);
    compterFichiers(j, s.fichier);
    compterOctets(j, s.taux);
    compterTranchesHoraires(j, largeur, s.tranches);
    compterRequetes(j, "", "", "", s.dates);
    return s;
}

void egales(const tableauRapportStat& a, const tableauRapportStat& b, const char* nom) {
    ASSERT_EQ(a.size(), b.size()) << nom;
    for (std::size_t k = 0; k < a.size(); ++k) {
        ASSERT_EQ(a[k].libelle, b[k].libelle) << nom << " " << k;
        ASSERT_EQ(a[k].complement, b[k].complement) << nom << " " << k;
        ASSERT_EQ(a[k].nombre, b[k].nombre) << nom << " " << k;
    }
}

// The tables of the pass and its period lists are those of the separate tallies.
void tablesEgales(const TablesAnalyse& t, const Separees& s, const ListesPeriodes& listes) {
    egales(t.statIP, s.ip, "ip");
    egales(t.statOS, s.os, "os");
    egales(t.statNav, s.nav, "nav");
    egales(t.statPrecedent, s.precedent, "precedent");
    egales(t.statFichier, s.fichier, "fichier");
    egales(t.statTaux, s.taux, "taux");
    egales(t.statHoraires, s.tranches, "tranches");
    const ListesPeriodes attendues = listesPeriodes(s.dates);
    EXPECT_EQ(listes.annees, attendues.annees);
    EXPECT_EQ(listes.mois, attendues.mois);
}

void remplirDeTemoins(TablesAnalyse& t) {
    for (auto* table : {&t.statIP, &t.statOS, &t.statNav, &t.statPrecedent, &t.statFichier,
                        &t.statTaux, &t.statHoraires, &t.statVMensuelles}) {
        *table = {{"t\xE9moin", "", 1}};
    }
}

bool estTemoin(const tableauRapportStat& t) {
    return t.size() == 1 && t[0].libelle == "t\xE9moin";
}

// What the Analyse command's first pass counts of `j`; with `agentsEntiers`, as it counts them
// beside a reader of whole agents (the parse then cuts no agent).
void compterEnPremierePasse(const Journal& j, ComptesJournal& comptes, bool agentsEntiers = false) {
    comptes.agentsEntiers(agentsEntiers);
    TableauLog enregistrements;
    enregistrements.memoriser(j, {}, &comptes);
}

const char* const kDebordement =
    "D\xE9"
    "bordement d'entier";

}  // namespace

TEST(CalculerTables, IdentiqueAuxTalliesSepares) {
    TablesAnalyse t;
    for (const int n : {2, 500, 40000}) {
        const Journal j = journalDe(lignesVariees(n, static_cast<unsigned>(n)));
        for (const int largeur : {1, 5}) {
            const Separees s = parTallies(j, largeur);
            // Read again, counted by the first pass, counted by whole agents.
            for (const int passe : {0, 1, 2}) {
                SCOPED_TRACE(passe);
                ComptesJournal comptes;
                if (passe > 0) compterEnPremierePasse(j, comptes, passe == 2);
                ComptesJournal* e = passe > 0 ? &comptes : nullptr;
                remplirDeTemoins(t);
                std::vector<int> etapes;
                ListesPeriodes listes;
                calculerTables(
                    j, largeur, t, e, [&](int k) { etapes.push_back(k); }, &listes);
                EXPECT_EQ(etapes, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
                tablesEgales(t, s, listes);
                ASSERT_EQ(t.statVMensuelles.size(), 1u);
                EXPECT_EQ(t.statVMensuelles[0].libelle, "Tous");
                EXPECT_EQ(t.statVMensuelles[0].nombre, n);
            }
        }
    }
}

TEST(CalculerTables, ComptesDUnAutreJournalIgnores) {
    TablesAnalyse t;
    const Journal j = journalDe(lignesVariees(300, 1));
    const Journal autre = journalDe(lignesVariees(300, 2));
    ComptesJournal comptes;
    compterEnPremierePasse(autre, comptes);
    calculerTables(j, 1, t, &comptes);
    const Separees s = parTallies(j, 1);
    egales(t.statIP, s.ip, "ip");
    egales(t.statFichier, s.fichier, "fichier");
}

TEST(CalculerTables, DebordementAuSixiemeTally) {
    TablesAnalyse t;
    // Two large halves, so the one-pass computation runs on both cores before it gives way; each
    // half alone stays within 64 bits, their sum does not.
    std::vector<std::string> lignes = lignesVariees(40000, 3);
    lignes[100] = ligneLog("9.9.9.9", "17/May/2015", "00:01:00", "9000000000000000000");
    lignes[30000] = ligneLog("9.9.9.9", "19/May/2015", "20:01:00", "300000000000000000");
    const Journal j = journalDe(lignes);
    ComptesJournal comptes;
    compterEnPremierePasse(j, comptes);
    remplirDeTemoins(t);
    std::vector<int> etapes;
    try {
        calculerTables(j, 1, t, &comptes, [&](int k) { etapes.push_back(k); });
        FAIL() << "overflow expected";
    } catch (const ErreurKestrane& e) {
        EXPECT_EQ(e.message(), kDebordement);
    }
    EXPECT_EQ(etapes, (std::vector<int>{1, 2, 3, 4, 5}));
    tableauRapportStat ip, fichier;
    compterAdressesIP(j, ip);
    compterFichiers(j, fichier);
    egales(t.statIP, ip, "ip");
    egales(t.statFichier, fichier, "fichier");
    // t.statTaux holds what the tally built up to the overflowing line.
    EXPECT_FALSE(estTemoin(t.statTaux));
    tableauRapportStat partiel;
    EXPECT_THROW(compterOctets(j, partiel), ErreurKestrane);
    egales(t.statTaux, partiel, "taux");
    EXPECT_TRUE(estTemoin(t.statHoraires));
    EXPECT_TRUE(estTemoin(t.statVMensuelles));
}

TEST(CalculerTables, DebordementEnRouteMalgreUnTotalFinalValide) {
    TablesAnalyse t;
    // A negative byte count brings the total back under the limit, but the running total
    // passed it on the second line.
    const Journal j =
        journalDe({ligneLog("1.1.1.1", "17/May/2015", "10:00:00", "9223372036854775807"),
                   ligneLog("1.1.1.1", "17/May/2015", "10:00:00", "1"),
                   ligneLog("1.1.1.1", "17/May/2015", "10:00:00", "-10")});
    ComptesJournal comptes;
    compterEnPremierePasse(j, comptes);
    EXPECT_THROW(calculerTables(j, 1, t, &comptes), ErreurKestrane);
    ASSERT_EQ(t.statTaux.size(), 1u);
    EXPECT_EQ(t.statTaux[0].nombre, INT64_MAX);
}

TEST(CalculerTables, HeureIllisibleAuSeptiemeTally) {
    TablesAnalyse t;
    std::vector<std::string> lignes = lignesVariees(40000, 4);
    lignes[35000] = "1.2.3.4 - - [19/May/2015: +0100] \"GET / HTTP/1.1\" 200 5 \"-\" \"-\"";
    const Journal j = journalDe(lignes);
    ComptesJournal comptes;
    compterEnPremierePasse(j, comptes);
    remplirDeTemoins(t);
    std::vector<int> etapes;
    try {
        calculerTables(j, 2, t, &comptes, [&](int k) { etapes.push_back(k); });
        FAIL() << "conversion error expected";
    } catch (const ErreurKestrane& e) {
        EXPECT_STREQ(e.what(), "'-' n'est pas une valeur enti\xE8re correcte");
    }
    EXPECT_EQ(etapes, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    tableauRapportStat taux;
    compterOctets(j, taux);
    egales(t.statTaux, taux, "taux");
    EXPECT_EQ(t.statHoraires[0].libelle, "");
    EXPECT_FALSE(estTemoin(t.statHoraires));
    EXPECT_TRUE(estTemoin(t.statVMensuelles));
}

TEST(CalculerTables, JournalIllisibleEchoueAuPremierTally) {
    TablesAnalyse t;
    const Journal j = journalDe({ligneLog("1.1.1.1"), "www.example.com - - [x"});
    remplirDeTemoins(t);
    std::vector<int> etapes;
    try {
        calculerTables(j, 1, t, nullptr, [&](int k) { etapes.push_back(k); });
        FAIL() << "conversion error expected";
    } catch (const ErreurKestrane& e) {
        EXPECT_STREQ(e.what(), "'www' n'est pas une valeur enti\xE8re correcte");
    }
    EXPECT_TRUE(etapes.empty());
    EXPECT_EQ(paires(t.statIP), (std::vector<std::pair<std::string, int64_t>>{{"1.1.1.1", 1}}));
    EXPECT_TRUE(estTemoin(t.statOS));
}

TEST(CalculerTables, LaSecondeMoitieApporteSesPropresCles) {
    TablesAnalyse t;
    // Long enough for two halves; every key of the second half but one is unknown to the
    // first: new addresses, systems, browsers, referrers, files, dates and hours.
    constexpr int n = 40000;
    std::vector<std::string> lignes;
    for (int k = 0; k < n; ++k) {
        const bool seconde = k >= n / 2 + 10;
        const int v = k % 7;
        char heure[16];
        std::snprintf(heure, sizeof heure, "%02d:%02d:00", seconde ? 13 + k % 11 : k % 3, k % 60);
        const std::string s = seconde ? "B" + std::to_string(v) : "A" + std::to_string(v);
        lignes.push_back(ligneLog((seconde ? "172.16.0." : "10.0.0.") + std::to_string(v),
                                  seconde ? (k % 2 ? "18/May/2015" : "19/Jun/2016") : "17/May/2015",
                                  heure, std::to_string(k), "GET /" + s + ".html HTTP/1.1",
                                  "http://ex.org/" + s,
                                  "Nav" + s + " (compatible; x; Sys" + s + ")"));
    }
    // One key shared by both halves, counted in both.
    lignes[n - 1] = ligneLog("10.0.0.3", "17/May/2015", "01:00:00", "7");
    const Journal j = journalDe(lignes);
    for (const int largeur : {1, 2, 3, 4, 5, 6}) {
        SCOPED_TRACE(testing::Message() << "width " << largeur);
        const Separees s = parTallies(j, largeur);
        ComptesJournal comptes;
        compterEnPremierePasse(j, comptes);
        ListesPeriodes listes;
        calculerTables(j, largeur, t, &comptes, {}, &listes);
        tablesEgales(t, s, listes);
    }
    // The slices of the second half's hours are there, after those of the first.
    EXPECT_EQ(t.statHoraires.back().libelle, "18 \xE0 24");
    EXPECT_EQ(t.statIP.size(), 14u);
}

TEST(CalculerTables, ClesDeLaDerniereLigneParTranche) {
    // The entries a reader after the statistics counts keys its own data by: one number per key
    // in each stretch, stretch 1 numbered again after a fold, none once an hour does not convert.
    using Cles = std::array<uint32_t, 3>;
    ComptesJournal c;
    c.commencer(Journal(), 2, false);
    const auto lire = [&](int tranche, const std::string& ligne) {
        c.lire(tranche, analyserLigne(ligne));
        const ComptesJournal::ClesLigne& k = c.clesLigne(tranche);
        return Cles{k.adresse, k.navigateur, k.fichier};
    };
    const std::string a = ligneLog("10.0.0.1");
    const std::string b =
        ligneLog("10.0.0.2", "06/Dec/2006", "10:15:32", "1", "GET /b HTTP/1.1", "-", "curl/7.29.0");
    EXPECT_EQ(lire(0, a), (Cles{0, 0, 0}));
    EXPECT_EQ(lire(0, b), (Cles{1, 1, 1}));
    EXPECT_EQ(lire(0, a), (Cles{0, 0, 0}));
    EXPECT_EQ(lire(1, b), (Cles{0, 0, 0}));
    c.replier();
    EXPECT_EQ(lire(1, a), (Cles{0, 0, 0}));
    EXPECT_EQ(lire(0, b), (Cles{1, 1, 1}));
    lire(0, ligneLog("10.0.0.3", "06/Dec/2006", "xx:15:32"));
    constexpr uint32_t aucune = ComptesJournal::kSansCle;
    EXPECT_EQ(lire(0, a), (Cles{aucune, aucune, aucune}));
    EXPECT_EQ(lire(1, a), (Cles{0, 0, 0}));
}

TEST(CalculerTables, ClesDesAgentsEntiers) {
    // Counting whole agents, each agent has its entry and the browser none: two agents of one
    // browser are two entries.
    ComptesJournal c;
    c.agentsEntiers(true);
    c.commencer(Journal(), 1, false);
    for (const auto& [agent, entree] :
         {std::pair{"X (a; b)", 0u}, {"X (a; c)", 1u}, {"X (a; b)", 0u}}) {
        c.lire(0, analyserLigne(ligneLog("10.0.0.1", "06/Dec/2006", "10:15:32", "1",
                                         "GET / HTTP/1.1", "-", agent),
                                coupePour(&c)));
        EXPECT_EQ(c.clesLigne(0).agent, entree) << agent;
        EXPECT_EQ(c.clesLigne(0).navigateur, ComptesJournal::kSansCle);
    }
}
