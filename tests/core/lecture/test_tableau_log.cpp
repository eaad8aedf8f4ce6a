// The records of an analysis run: the first pass over a journal on one or two threads, its
// progress, its first failing line, and records parsed again on demand.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/journal/Journal.h"
#include "core/lecture/FinAgent.h"
#include "core/lecture/TableauLog.h"
#include "core/lecture/ULog.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

// A varied, valid line: addresses above 255, "-" and "NC" counts, empty quoted fields, derived
// fields that come out empty or renamed, common-format lines.
std::string ligneSynthetique(std::size_t i) {
    static const std::string_view requetes[] = {
        "GET /index.html HTTP/1.1", "POST /cgi-bin/form.cgi HTTP/1.0", "HEAD /x HTTP/1.0",   "-",
        "GET /page.php?id=",        "GET /my file.html HTTP/1.1",      "GET /ABOUT HTTP/1.1"};
    static const std::string_view agents[] = {
        "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)",
        "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)",
        "Opera/8.51 (Windows NT 5.1; U; fr)",
        "Mozilla/5.0 (X11; Linux i686)",
        "Googlebot/2.1 (+http://www.google.com/bot.html)",
        "(compatible; bot)",
        "Robot/1.0;",
        "",
        "-"};
    static const std::string_view octets[] = {"-", "NC", "0", "1234"};
    std::string s;
    s += cat(std::to_string((i * 7) % 300), ".", std::to_string((i / 3) % 256), ".",
             std::to_string(i % 10), ".", std::to_string((i * 13) % 256));
    s += (i % 5 == 0) ? " ident" : " -";
    s += (i % 4 == 0) ? " bob" : " -";
    s += cat(" [", std::to_string(10 + i % 18), "/Dec/2006:", std::to_string(10 + i % 14), ":",
             std::to_string(10 + i % 50), ":", std::to_string(10 + (i / 7) % 50), " +0100] \"");
    s += requetes[i % 7];
    if (i % 7 == 4) s += std::to_string(i) + " HTTP/1.1";
    s += cat("\" ", std::to_string(200 + (i % 4) * 100), " ");
    s += (i % 5 == 4) ? std::to_string(i) : std::string(octets[i % 5]);
    if (i % 11 == 0) return s;  // common log format
    s += (i % 3 == 0)   ? " \"\" \""
         : (i % 3 == 1) ? " \"-\" \""
                        : " \"http://example.com/p" + std::to_string(i % 50) + "\" \"";
    s += agents[i % 9];
    s += "\"";
    return s;
}

// Lines 0..n-1 joined by CR LF or LF, with some lines replaced.
std::string texteSynthetique(
    std::size_t n, const std::vector<std::pair<std::size_t, std::string>>& remplacees = {}) {
    static std::vector<std::string> lignes;  // generated once for every test
    while (lignes.size() < n) lignes.push_back(ligneSynthetique(lignes.size()));
    std::string texte;
    texte.reserve(n * 160);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string* l = &lignes[i];
        for (const auto& [k, remplacee] : remplacees) {
            if (k == i) l = &remplacee;
        }
        texte += *l;
        texte += (i % 7 == 3) ? "\n" : "\r\n";
    }
    return texte;
}

// Compares the records with a fresh parse of each line, for lines [0, n).
void verifierEnregistrements(const TableauLog& t, const Journal& j, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::string d = differences(t[i], analyserLigne(j.ligne(i)));
        ASSERT_EQ(d, "") << "ligne " << i << " : " << j.ligne(i);
    }
}

// With `suivi`, the parse reports its progress, which must only grow and stay within the journal.
void memoriser(TableauLog& t, const Journal& j, bool suivi) {
    if (!suivi) return t.memoriser(j);
    std::size_t dernier = 0;
    t.memoriser(j, [&](std::size_t faites) {
        EXPECT_GE(faites, dernier);
        EXPECT_LE(faites, j.nbLignes());
        dernier = faites;
    });
}

std::string erreurDeMemoriser(TableauLog& t, const Journal& j, bool suivi = false) {
    try {
        memoriser(t, j, suivi);
    } catch (const ErreurKestrane& e) {
        return e.what();
    }
    ADD_FAILURE() << "aucune erreur";
    return "";
}

}  // namespace

TEST(TableauLog, PetitJournal) {
    const Journal j = Journal::depuisTexte(texteSynthetique(200));
    TableauLog t;
    EXPECT_EQ(t.taille(), 0u);
    EXPECT_FALSE(t.couvre(j));
    t.memoriser(j);
    ASSERT_EQ(t.taille(), 200u);
    verifierEnregistrements(t, j, 200);
    EXPECT_TRUE(t.couvre(j));
    // The generated lines really reach the special fields.
    bool vide = false, renomme = false, nc = false;
    for (std::size_t i = 0; i < t.taille(); ++i) {
        vide |= t[i].systeme.empty() || t[i].navigateur.empty() || t[i].fichierCharge.empty();
        renomme |= t[i].systeme == "Windows 2000";
        nc |= j.ligne(i).find(" NC ") != std::string_view::npos && t[i].chargement == 0;
    }
    EXPECT_TRUE(vide && renomme && nc);
}

TEST(TableauLog, ExempleDetailleEtJournalVide) {
    const std::string texte = cat(kExemple, "\r\n", kExemple);
    const Journal j = Journal::depuisTexte(texte);
    TableauLog t;
    t.memoriser(j);
    ASSERT_EQ(t.taille(), 2u);
    EXPECT_EQ(differences(t[1], recordExemple()), "");
    EXPECT_EQ(detailLog(t[0]), detailAttendu(valeursExemple()));

    // An empty journal is completely parsed at once.
    const Journal vide;
    t.memoriser(vide);
    EXPECT_EQ(t.taille(), 0u);
    EXPECT_TRUE(t.couvre(vide));
    EXPECT_FALSE(t.couvre(j));
}

TEST(TableauLog, GrandJournalSurDeuxFils) {
    const std::size_t n = 70001;
    const Journal j = Journal::depuisTexte(texteSynthetique(n));
    ASSERT_EQ(j.nbLignes(), n);
    for (const bool suivi : {false, true}) {
        TableauLog t;
        memoriser(t, j, suivi);
        ASSERT_EQ(t.taille(), n);
        verifierEnregistrements(t, j, n);
        EXPECT_TRUE(t.couvre(j));
    }
}

TEST(TableauLog, LErreurEstCelleDeLaPremiereLigneFautive) {
    const std::size_t n = 70000;  // halves [0, 35000) and [35000, 70000)
    struct Cas {
        std::vector<std::size_t> fautives;
    };
    const Cas cas[] = {
        {{1234, 50000}},   // one in each half
        {{50000, 60000}},  // second half only
        {{34999, 35000}},  // last of the first half, first of the second
        {{35000}},        {{0, 69999}}, {{69999}},
    };
    for (const Cas& c : cas) {
        std::vector<std::pair<std::size_t, std::string>> remplacees;
        for (std::size_t i : c.fautives) {
            remplacees.emplace_back(
                i, cat("hote", std::to_string(i), ".example.com - - [06/Dec/2006"));
        }
        const Journal j = Journal::depuisTexte(texteSynthetique(n, remplacees));
        const std::size_t premiere = c.fautives.front();
        SCOPED_TRACE(premiere);
        TableauLog t;
        EXPECT_EQ(erreurDeMemoriser(t, j), messageEntier(cat("hote", std::to_string(premiere))));
        TableauLog suivi;
        EXPECT_EQ(erreurDeMemoriser(suivi, j, true),
                  messageEntier(cat("hote", std::to_string(premiere))));
        EXPECT_EQ(suivi.taille(), premiere);
        EXPECT_EQ(t.taille(), premiere);
        EXPECT_FALSE(t.couvre(j));
        // The records before the failing line stay.
        if (premiere > 0) {
            for (std::size_t i : {std::size_t{0}, premiere / 2, premiere - 1}) {
                EXPECT_EQ(differences(t[i], analyserLigne(j.ligne(i))), "") << i;
            }
        }
    }
}

TEST(TableauLog, UneCopieGardeSesEnregistrements) {
    const Journal grand = Journal::depuisTexte(texteSynthetique(300));
    const Journal petit = Journal::depuisTexte(texteSynthetique(3));
    TableauLog t;
    t.memoriser(grand);
    const TableauLog copie = t;
    t.memoriser(petit);
    ASSERT_EQ(t.taille(), 3u);
    verifierEnregistrements(t, petit, 3);
    // The copy still describes the first journal, record for record.
    ASSERT_EQ(copie.taille(), 300u);
    EXPECT_TRUE(copie.couvre(grand));
    verifierEnregistrements(copie, grand, 300);
}

TEST(TableauLog, UnSuiviQuiEchoueArreteLesDeuxMoities) {
    const Journal j = Journal::depuisTexte(texteSynthetique(200000));
    TableauLog t;
    int appels = 0;
    try {
        t.memoriser(j, [&](std::size_t) {
            ++appels;
            throw std::runtime_error("suivi");
        });
        // A machine fast enough to parse everything before the first report is fine too.
        EXPECT_EQ(appels, 0);
        EXPECT_TRUE(t.couvre(j));
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "suivi");
        EXPECT_EQ(appels, 1);
        EXPECT_FALSE(t.couvre(j));
    }
    // The table is usable again afterwards.
    t.memoriser(j);
    EXPECT_TRUE(t.couvre(j));
}

TEST(TableauLog, PetitJournalAvecErreur) {
    const Journal j = Journal::depuisTexte(
        texteSynthetique(50, {{17,
                               "1.2.3.4 - - [06/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.1\" "
                               "OK 5"},
                              {30, ""}}));
    TableauLog t;
    EXPECT_EQ(erreurDeMemoriser(t, j), messageEntier("OK"));
    EXPECT_EQ(t.taille(), 17u);
    EXPECT_FALSE(t.couvre(j));
    verifierEnregistrements(t, j, 17);
}

TEST(TableauLog, CouvreSeulementLeMemeJournalAnalyseEnEntier) {
    const std::string texte = texteSynthetique(100);
    const Journal j = Journal::depuisTexte(texte);
    const Journal memeTexte = Journal::depuisTexte(texte);
    const Journal copie = j;
    TableauLog t;
    t.memoriser(j);
    EXPECT_TRUE(t.couvre(j));
    EXPECT_TRUE(t.couvre(copie));
    EXPECT_FALSE(t.couvre(memeTexte));

    const Journal fautif = Journal::depuisTexte(texteSynthetique(100, {{99, "x"}}));
    EXPECT_EQ(erreurDeMemoriser(t, fautif), messageEntier("x"));
    EXPECT_FALSE(t.couvre(fautif));
    EXPECT_FALSE(t.couvre(j));
    t.memoriser(j);
    EXPECT_TRUE(t.couvre(j));
}

TEST(TableauLog, ReutilisationEtDureeDeVie) {
    TableauLog t;
    // Large, then small, then large again: each parse stands on its own.
    for (std::size_t n : {40000u, 30u, 40000u, 0u, 5u}) {
        SCOPED_TRACE(n);
        {
            const Journal j = Journal::depuisTexte(texteSynthetique(n));
            t.memoriser(j);
        }
        // The records still read their texts after the caller's journal is gone.
        ASSERT_EQ(t.taille(), n);
        ASSERT_EQ(t.journal().nbLignes(), n);
        for (std::size_t i = 0; i < n; i += 97) {
            ASSERT_EQ(differences(t[i], analyserLigne(ligneSynthetique(i))), "") << i;
        }
        if (n > 0) {
            EXPECT_EQ(differences(t[n - 1], analyserLigne(ligneSynthetique(n - 1))), "");
        }
    }
}

TEST(TableauLog, EchantillonReel) {
    const std::filesystem::path chemin =
        std::filesystem::path(KESTRANE_ECHANTILLONS) / "apache-combined-10k.log";
    if (!std::filesystem::exists(chemin)) GTEST_SKIP() << "pas d'echantillon : " << chemin;
    const Journal j = Journal::charger(chemin.string());
    ASSERT_EQ(j.nbLignes(), 10000u);
    TableauLog t;
    t.memoriser(j);
    ASSERT_EQ(t.taille(), 10000u);
    EXPECT_TRUE(t.couvre(j));
    verifierEnregistrements(t, j, j.nbLignes());
    EXPECT_EQ(t[0].ip1, 83);
    EXPECT_EQ(t[0].date, "17/May/2015");
    EXPECT_EQ(t[0].codeRenvoye, 200);
    EXPECT_EQ(t[0].chargement, 203023);
    EXPECT_EQ(t[0].navigateur,
              "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_9_1) AppleWebKit/537.36 ");
}

TEST(TableauLog, AgentEntierPourLesComptesQuiLeLisentEuxMemes) {
    // Counts that read the agent themselves are handed it whole, starting where the browser
    // does, without a system; every other field as the tables cut it, with both parsers, on every
    // shape of line, one with quotes escaped in its agent (the lenient parser's only).
    for (std::size_t i = 0; i < 100; ++i) {
        const std::string l =
            i < 99 ? ligneSynthetique(i)
                   : "::1 - - [10/Dec/2006:10:10:10 +0100] \"GET / HTTP/1.1\" 200 1 \"-\" "
                     "\"Mozilla/5.0 \\\"x\\\" (Windows NT 5.1; U)\"";
        for (const bool souple : {i == 99, true}) {
            const auto lire = [&](CoupeAgent coupe) {
                RLog r;
                std::string_view fautif;
                if (!souple) return analyserLigne(l, coupe);
                EXPECT_TRUE(analyserLigneSouple(l, r, fautif, coupe)) << l;
                return r;
            };
            const RLog coupe = lire(CoupeAgent::navigateurEtSysteme);
            RLog entier = lire(CoupeAgent::agentEntier);
            EXPECT_EQ(entier.navigateur.data(), coupe.navigateur.data()) << l;
            // An agent of the line runs to its last quote ("-" stands for a missing one).
            if (dansOctets(entier.navigateur.data(), l.data(), l.data() + l.size())) {
                EXPECT_EQ(entier.navigateur.data() + entier.navigateur.size(), &l.back()) << l;
            }
            EXPECT_TRUE(entier.systeme.empty()) << l;
            entier.navigateur = coupe.navigateur;
            entier.systeme = coupe.systeme;
            EXPECT_EQ(differences(coupe, entier), "") << l;
        }
    }
}
