// The parse and the first pass of an analysis that skips the lines that do not conform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/journal/DeuxFils.h"
#include "core/journal/Journal.h"
#include "core/lecture/LecteurLignes.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"
#include "core/lecture/UString.h"
#include "tests/commun/Doublures.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

// The worked example with another client text in front.
std::string avecClient(std::string_view client) {
    return cat(client, kExemple.substr(kExemple.find(' ')));
}

}  // namespace

TEST(AnalyserLigneSouple, ClientsLusCommeAdresseOuCommeTexte) {
    struct Cas {
        std::string client;
        int32_t ip[4];
        std::string_view adresse;  // empty: the four numbers
        std::string texteDetail;
    };
    const std::vector<Cas> cas = {
        {"192.168.1.20", {192, 168, 1, 20}, "", "192.168.1.20"},
        {"010.001.1.1", {10, 1, 1, 1}, "", "10.1.1.1"},
        {"300.1.1.1", {300, 1, 1, 1}, "", "300.1.1.1"},
        {"2001:db8::1", {0, 0, 0, 0}, "2001:db8::1", "2001:db8::1"},
        {"::1", {0, 0, 0, 0}, "::1", "::1"},
        {"::ffff:10.0.0.1", {0, 0, 0, 0}, "::ffff:10.0.0.1", "::ffff:10.0.0.1"},
        {"crawl.example.com", {0, 0, 0, 0}, "crawl.example.com", "crawl.example.com"},
        {"1.2.3.4x", {0, 0, 0, 0}, "1.2.3.4x", "1.2.3.4x"},
        {"1.2.3", {0, 0, 0, 0}, "1.2.3", "1.2.3"},
        // Around the reading of four short groups at once: more digits, groups missing or extra.
        {"0001.2.3.4", {1, 2, 3, 4}, "", "1.2.3.4"},
        {"1.2.3.4567", {1, 2, 3, 4567}, "", "1.2.3.4567"},
        {"1.2.3.4.5", {0, 0, 0, 0}, "1.2.3.4.5", "1.2.3.4.5"},
        {"1..3.4", {0, 0, 0, 0}, "1..3.4", "1..3.4"},
        {"1.2.3.", {0, 0, 0, 0}, "1.2.3.", "1.2.3."},
        {"0.0.0.0", {0, 0, 0, 0}, "", "0.0.0.0"},
    };
    // A format string read by the generic reader gives the client as the default reading does.
    LecteurLignes combine(FormatJournal::depuisChaine(
        "%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\""));
    for (const Cas& c : cas) {
        const std::string ligne = avecClient(c.client);
        RLog r;
        std::string_view fautif;
        ASSERT_TRUE(analyserLigneSouple(ligne, r, fautif)) << c.client;
        EXPECT_EQ(r.adresse, c.adresse) << c.client;
        EXPECT_EQ(std::vector<int32_t>({r.ip1, r.ip2, r.ip3, r.ip4}),
                  std::vector<int32_t>(c.ip, c.ip + 4))
            << c.client;
        // The rest of the line is cut as usual.
        RLog attendu = recordExemple();
        attendu.ip1 = r.ip1;
        attendu.ip2 = r.ip2;
        attendu.ip3 = r.ip3;
        attendu.ip4 = r.ip4;
        EXPECT_EQ(differences(r, attendu), "") << c.client;
        EXPECT_EQ(adresseIP(r), c.texteDetail);
        RLog f;
        ASSERT_EQ(combine.lire(ligne, 0, f, nullptr), Lecture::Requete) << c.client;
        EXPECT_EQ(detailLog(f), detailLog(r)) << c.client;
        ValeursDetail v = valeursExemple();
        v.ip = c.texteDetail;
        EXPECT_EQ(detailLog(r), detailAttendu(v)) << c.client;
        // Without the option such a line stops the analysis as before; with a dotted address
        // both parsers give the same record.
        const auto erreur = erreurDe([&] { analyserLigne(ligne); });
        EXPECT_EQ(erreur.has_value(), !c.adresse.empty()) << c.client;
        if (!erreur) {
            EXPECT_EQ(differences(analyserLigne(ligne), r), "") << c.client;
        }
    }
}

TEST(AnalyserLigneSouple, LignesQuiRestentNonConformes) {
    const std::string entete = "10.0.0.1 - - [06/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.1\" ";
    struct Cas {
        std::string ligne;
        std::string_view fautif;
        std::string raison;
    };
    const std::vector<Cas> cas = {
        {"", "-", "Ligne vide"},
        {"10.0.0.1 - - [06/Dec/2006:10:15", "-", "Ligne incompl\xE8te"},
        {"::1 - - [06/Dec/2006:10:15:32 +0100] \"GET /", "-", "Ligne incompl\xE8te"},
        {entete + "abc 12", "abc", messageEntier("abc")},
        {entete + "200 nc", "nc", messageEntier("nc")},
        {entete + "200 99999999999999999999", "99999999999999999999",
         messageEntier("99999999999999999999")},
        // A binary file: its few blanks cut it into too few fields.
        {std::string("\x7F"
                     "ELF\x02\x01\x01\0\0\0 \xFF\xFE junk",
                     19),
         "-", "Ligne incompl\xE8te"},
        {entete + std::string(60, '9') + " 1", std::string_view(),
         cat("'", std::string(40, '9'), "...", kSuffixeEntier)},
        // No server sends a negative byte count (the strict reading keeps its own rule).
        {entete + "200 -500", "-500", "'-500' n'est pas un nombre d'octets correct"},
    };
    for (const Cas& c : cas) {
        RLog r;
        std::string_view fautif;
        EXPECT_FALSE(analyserLigneSouple(c.ligne, r, fautif)) << c.ligne;
        if (!c.fautif.empty()) {
            EXPECT_EQ(fautif, c.fautif) << c.ligne;
        }
        EXPECT_EQ(raisonNonConforme(c.ligne, fautif), c.raison) << c.ligne;
        if (c.fautif != "-500") {
            EXPECT_TRUE(erreurDe([&] { analyserLigne(c.ligne); }).has_value()) << c.ligne;
        }
    }
    EXPECT_EQ(analyserLigne(entete + "200 -500").chargement, -500);
}

// A client that writes quotes into its request cannot forge the fields after it when the lines
// are read with the escapes Apache writes; the default reading cuts at the first quote as always.
TEST(AnalyserLigneSouple, GuillemetsEchappesDansLesChampsCites) {
    const std::string debut = "10.0.0.1 - - [17/May/2015:10:05:03 +0000] ";
    struct Cas {
        std::string suite;
        std::string_view requete, provenance, navigateur;
        int32_t code;
        int64_t octets;
        // The default reading's fields.
        std::string_view requeteStricte, provenanceStricte;
        int64_t octetsStricts;
    };
    const std::vector<Cas> cas = {
        {"\"GET /x\\\" 200 9223372036854775807 \\\"http://spam.example/\\\" \\\"EvilBot "
         "HTTP/1.1\" 400 226 \"-\" \"-\"",
         "GET /x\\\" 200 9223372036854775807 \\\"http://spam.example/\\\" \\\"EvilBot HTTP/1.1",
         "-", "-", 400, 226, "GET /x\\", "\"http://spam.example/\\", INT64_MAX},
        {"\"GET /a\\\\\" 200 5 \"http://r.example/?q=\\\"x\\\"\" \"Bot \\\"2\\\" (x)\"",
         "GET /a\\\\", "http://r.example/?q=\\\"x\\\"", "Bot \\\"2\\\" ", 200, 5, "GET /a\\\\",
         "http://r.example/?q=\\\"x\\\"", 5},
    };
    for (const Cas& c : cas) {
        const std::string ligne = debut + c.suite;
        RLog r;
        std::string_view fautif;
        ASSERT_TRUE(analyserLigneSouple(ligne, r, fautif)) << ligne;
        EXPECT_EQ(r.requete, c.requete);
        EXPECT_EQ(r.pagePrecedente, c.provenance);
        EXPECT_EQ(r.navigateur, c.navigateur);
        EXPECT_EQ(r.codeRenvoye, c.code);
        EXPECT_EQ(r.chargement, c.octets);
        const RLog strict = analyserLigne(ligne);
        EXPECT_EQ(strict.requete, c.requeteStricte);
        EXPECT_EQ(strict.pagePrecedente, c.provenanceStricte);
        EXPECT_EQ(strict.chargement, c.octetsStricts);
    }
}

namespace {

// An examen of the tests' own: a time that begins with X does not read.
bool examenTest(const RLog& r, std::string* raison) {
    if (!r.heure.empty() && r.heure[0] == 'X') {
        if (raison) *raison = "heure X";
        return false;
    }
    return true;
}

// Line i of a journal where every line whose number is in `mauvaises` is of kind i % 4: empty,
// cut short, an unreadable hour, a status code in letters; the others conform, every third with
// a client that is no dotted address.
std::vector<std::string> lignesMelees(std::size_t n, const std::vector<bool>& mauvaise) {
    std::vector<std::string> lignes;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string client = i % 3 == 0 ? "h" + std::to_string(i) + ".example"
                                              : "10.0." + std::to_string(i % 200) + ".1";
        std::string l;
        if (!mauvaise[i]) {
            l = client + " - - [06/Dec/2006:10:15:32 +0100] \"GET /" + std::to_string(i) +
                " HTTP/1.1\" 200 " + std::to_string(i) + " \"-\" \"agent\"";
        } else {
            switch (i % 4) {
                case 0:
                    l = "";
                    break;
                case 1:
                    l = client + " - - [06/Dec/2006:10:15";
                    break;
                case 2:
                    l = client + " - - [06/Dec/2006:X0:15:32 +0100] \"GET / HTTP/1.1\" 200 1";
                    break;
                default:
                    l = client + " - - [06/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.1\" OK 1";
            }
        }
        lignes.push_back(l);
    }
    return lignes;
}

// Reads every record handed over, by stretch.
struct Lecteur : LecteurEnregistrements {
    std::vector<std::string> requetes[2];
    bool souple = false;
    void commencer(const Journal&, int, bool s) override { souple = s; }
    void lire(int tranche, const RLog& r) override { requetes[tranche].emplace_back(r.requete); }
    void terminer() override {}
};

}  // namespace

TEST(TableauLogSouple, LignesGardeesEtIgnorees) {
    // Small (one stretch) and past the two-core threshold (two stretches meeting inside a run of
    // skipped lines), with runs of skipped lines at both ends.
    for (const std::size_t n : {std::size_t{40}, kSeuilDeuxFilsLignes + 20}) {
        std::vector<bool> mauvaise(n, false);
        for (std::size_t i = 0; i < n; ++i) {
            mauvaise[i] = i < 3 || i + 2 >= n || i % 7 == 5 || (i >= n / 2 - 2 && i < n / 2 + 3);
        }
        const std::vector<std::string> lignes = lignesMelees(n, mauvaise);
        const Journal j = test::journalDe(lignes);
        for (const bool suivi : {false, true}) {
            TableauLog t;
            Lecteur lecteur;
            std::function<void(std::size_t)> progression;
            if (suivi) progression = [](std::size_t) {};
            ASSERT_NO_THROW(t.memoriser(j, progression, &lecteur, examenTest)) << n;
            EXPECT_TRUE(lecteur.souple);
            std::vector<std::size_t> gardees, ignorees;
            for (std::size_t i = 0; i < n; ++i) (mauvaise[i] ? ignorees : gardees).push_back(i);
            ASSERT_EQ(t.taille(), gardees.size()) << n;
            EXPECT_EQ(t.nbIgnorees(), ignorees.size());
            EXPECT_TRUE(t.couvre(j));
            // Record k is kept line k, in order, and so is what the reader received.
            std::vector<std::string> recues = lecteur.requetes[0];
            recues.insert(recues.end(), lecteur.requetes[1].begin(), lecteur.requetes[1].end());
            ASSERT_EQ(recues.size(), gardees.size());
            for (std::size_t k = 0; k < gardees.size(); ++k) {
                ASSERT_EQ(t.numeroLigne(k), gardees[k]) << n << " " << k;
                const std::string attendue = "GET /" + std::to_string(gardees[k]) + " HTTP/1.1";
                ASSERT_EQ(t[k].requete, attendue);
                ASSERT_EQ(recues[k], attendue);
            }
            const auto& liste = t.premieresIgnorees();
            ASSERT_EQ(liste.size(), ignorees.size());
            const char* raisons[] = {"Ligne vide", "Ligne incompl\xE8te", "heure X",
                                     "'OK' n'est pas une valeur enti\xE8re correcte"};
            for (std::size_t k = 0; k < liste.size(); ++k) {
                ASSERT_EQ(liste[k].numero, ignorees[k]);
                ASSERT_EQ(liste[k].raison, raisons[ignorees[k] % 4]) << ignorees[k];
            }
        }
        // The option off: the first line stops the pass as before.
        TableauLog strict;
        EXPECT_EQ(erreurDe([&] { strict.memoriser(j); }), messageEntier("-"));
        EXPECT_EQ(strict.taille(), 0u);
        EXPECT_FALSE(strict.souple());
    }
}

TEST(TableauLogSouple, ListeLimiteeAuxPremieres) {
    // More skipped lines than are listed, in both stretches: the list keeps the first ones in
    // journal order, the count all of them.
    const std::size_t n = kSeuilDeuxFilsLignes + 4000;
    std::vector<bool> mauvaise(n);
    for (std::size_t i = 0; i < n; ++i) mauvaise[i] = i % 3 != 0;
    const Journal j = test::journalDe(lignesMelees(n, mauvaise));
    TableauLog t;
    t.memoriser(j, {}, nullptr, examenTest);
    const std::size_t attendues = n - (n + 2) / 3;
    EXPECT_EQ(t.nbIgnorees(), attendues);
    ASSERT_EQ(t.premieresIgnorees().size(), kLignesIgnoreesListees);
    for (std::size_t k = 0; k < kLignesIgnoreesListees; ++k) {
        ASSERT_EQ(t.premieresIgnorees()[k].numero, k / 2 * 3 + 1 + k % 2);
    }
    // A later strict pass forgets all of it.
    const Journal propre = test::journalDe(lignesMelees(5, std::vector<bool>(5, false)));
    EXPECT_TRUE(erreurDe([&] { t.memoriser(propre); }).has_value());  // clients by name
    EXPECT_EQ(t.nbIgnorees(), 0u);
    EXPECT_TRUE(t.premieresIgnorees().empty());
}
