// Lines that depart from the combined log format: each either parses into the shifted fields
// that the left-to-right cutting gives, or stops on a conversion error naming the text.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/lecture/ULog.h"
#include "core/lecture/UString.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

// The record, or the message of the ErreurKestrane; any other exception escapes to the test.
struct Issue {
    std::optional<RLog> record;
    std::string erreur;
};

Issue analyser(std::string_view ligne) {
    try {
        return {analyserLigne(ligne), ""};
    } catch (const ErreurKestrane& e) {
        return {std::nullopt, e.what()};
    }
}

}  // namespace

TEST(EntreesInvalides, ErreursDeConversion) {
    struct Cas {
        std::string ligne;
        std::string_view texteFautif;
    };
    const std::string suite = std::string(kExemple.substr(kExemple.find(' ')));
    const std::vector<Cas> cas = {
        {"", "-"},
        {"   ", "   "},
        {cat("www.example.com", suite), "www"},
        // No dot in the address: the first dot of the line is in the path.
        {cat("2001:db8::1", suite),
         "2001:db8::1 - - [06/Dec/2006:10:15:32 +0100] \"GET /images/logo"},
        {cat("::ffff:192.168.1.20", suite), "::ffff:192"},
        {cat("192.168.1", suite), "1 - - [06/Dec/2006:10:15:32 +0100] \"GET /images/logo"},
        {cat("192.168.1.2x", suite), "2x"},
        {cat("192.168.1.20", "\t- -", suite.substr(4)), "20\t-"},
        {cat("99999999999.1.1.1", suite), "99999999999"},
        {remplacer(kExemple, " 200 ", " OK "), "OK"},
        {remplacer(kExemple, " 200 ", " 2147483648 "), "2147483648"},
        {remplacer(kExemple, " 200 ", " 200.0 "), "200.0"},
        {remplacer(kExemple, " 2326 ", " nc "), "nc"},
        {remplacer(kExemple, " 2326 ", " 2326.5 "), "2326.5"},
        // A quote-blank inside the request ends it early; the status is what follows.
        {remplacer(kExemple, "/images/logo.gif", "/a\" b"), "b"},
        // Two blanks before the status make it empty.
        {remplacer(kExemple, "\" 200 ", "\"  200 "), "-"},
        {"192.168.1.20 - - [06/Dec/2006:10:15:32 +0100] \"GET /images/logo.gif HTTP/1.1\"", "-"},
        // Without the closing bracket the zone takes the rest of the line.
        {remplacer(kExemple, "+0100] ", "+0100 "), "-"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.ligne);
        const Issue issue = analyser(c.ligne);
        EXPECT_FALSE(issue.record.has_value());
        EXPECT_EQ(issue.erreur, messageEntier(c.texteFautif));
    }
}

TEST(EntreesInvalides, ChampsDecales) {
    struct Cas {
        std::string ligne;
        std::vector<std::pair<std::string_view, std::string_view>> textes;  // field, value
    };
    const std::vector<Cas> cas = {
        // The bracket removal eats the "b", the date is empty, the time takes "c".
        {remplacer(kExemple, " - - [", " - a b:c ["),
         {{"logname", "a"},
          {"date", "-"},
          {"heure", "c"},
          {"fuseau", "[06/Dec/2006:10:15:32 +0100"}}},
        {remplacer(kExemple, " - - [", " - Jean de la Fontaine ["),
         {{"logname", "Jean"}, {"date", "e la Fontaine [06/Dec/2006"}, {"heure", "10:15:32"}}},
        // A remote identity with a blank pushes the second word into logname.
        {remplacer(kExemple, " - - [", " a b - ["),
         {{"autre", "a"}, {"logname", "b"}, {"date", " [06/Dec/2006"}, {"fuseau", "+0100"}}},
        // Two blanks after the address: an empty identity, and the bracket survives.
        {remplacer(kExemple, "20 - -", "20  - -"),
         {{"autre", "-"}, {"logname", "-"}, {"date", " [06/Dec/2006"}, {"heure", "10:15:32"}}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.ligne);
        const Issue issue = analyser(c.ligne);
        ASSERT_TRUE(issue.record.has_value()) << issue.erreur;
        const RLog& r = *issue.record;
        for (const auto& [champ, valeur] : c.textes) {
            const std::string_view lu = champ == "autre"     ? r.autre
                                        : champ == "logname" ? r.logname
                                        : champ == "date"    ? r.date
                                        : champ == "heure"   ? r.heure
                                                             : r.fuseau;
            EXPECT_EQ(lu, valeur) << champ;
        }
        // The cutting finds its way back at the request.
        EXPECT_EQ(r.requete, "GET /images/logo.gif HTTP/1.1");
        EXPECT_EQ(r.codeRenvoye, 200);
        EXPECT_EQ(r.chargement, 2326);
        EXPECT_EQ(r.systeme, "Windows XP");
    }
}

TEST(EntreesInvalides, LigneCoupeeAChaquePosition) {
    // Every prefix cut before the first digit of the status fails on the status, which then
    // reads "-"; every longer prefix parses, the status being the digits it holds.
    const std::size_t statut = kExemple.find("\" 200 ") + 2;
    const RLog complet = analyserLigne(kExemple);
    for (std::size_t k = 0; k <= kExemple.size(); ++k) {
        const std::string prefixe(kExemple.substr(0, k));
        SCOPED_TRACE(prefixe);
        const Issue issue = analyser(prefixe);
        if (k <= statut) {
            EXPECT_FALSE(issue.record.has_value());
            EXPECT_EQ(issue.erreur, messageEntier("-"));
            continue;
        }
        ASSERT_TRUE(issue.record.has_value()) << issue.erreur;
        const RLog& r = *issue.record;
        EXPECT_EQ(r.codeRenvoye, k == statut + 1 ? 2 : k == statut + 2 ? 20 : 200);
        EXPECT_EQ(r.requete, complet.requete);
        EXPECT_EQ(r.date, complet.date);
        EXPECT_EQ(r.ip4, 20);
        if (k == kExemple.size()) {
            EXPECT_EQ(differences(r, complet), "");
        }
    }
}

TEST(EntreesInvalides, LigneDUnMegaoctet) {
    const std::string chemin = cat("/", std::string((std::size_t{1} << 20) - 1, 'a'));
    const std::string ligne = remplacer(kExemple, "/images/logo.gif", chemin);
    const Issue issue = analyser(ligne);
    ASSERT_TRUE(issue.record.has_value()) << issue.erreur;
    const RLog& r = *issue.record;
    EXPECT_EQ(r.fichierCharge.size(), std::size_t{1} << 20);
    EXPECT_TRUE(r.fichierCharge == chemin);
    EXPECT_EQ(r.requete.size(), chemin.size() + 13);
    EXPECT_EQ(r.codeRenvoye, 200);
    EXPECT_EQ(r.chargement, 2326);
    EXPECT_EQ(r.systeme, "Windows XP");
    // The same length of text with no separator at all: the message quotes its first 200
    // characters and tells its length, a field of 200 whole.
    const std::string deuxCents(200, '7');
    EXPECT_EQ(analyser(std::string(std::size_t{1} << 20, '7')).erreur,
              cat("'", deuxCents, "\x85' (1 048 576 caract\xE8res)", kSuffixeEntier.substr(1)));
    EXPECT_EQ(analyser(deuxCents).erreur, messageEntier(deuxCents));
    EXPECT_EQ(analyser(deuxCents + "7").erreur,
              cat("'", deuxCents, "\x85' (201 caract\xE8res)", kSuffixeEntier.substr(1)));
}

namespace {

// Whether `champ` is a view into `texte`.
bool dansLaLigne(std::string_view champ, std::string_view texte) {
    const auto debut = reinterpret_cast<std::uintptr_t>(texte.data());
    const auto p = reinterpret_cast<std::uintptr_t>(champ.data());
    return p >= debut && p + champ.size() <= debut + texte.size();
}

// A text field lies inside the line, or is one of the program's own texts.
bool dansLaLigneOuConstant(std::string_view champ, std::string_view ligne) {
    if (champ == "-" || champ == "Windows XP" || champ == "Windows 2000") return true;
    return champ.empty() || dansLaLigne(champ, ligne);
}

std::string ligneTiree(std::mt19937& alea) {
    static const std::string_view modeles[] = {
        kExemple,
        "10.0.0.1 - bob [06/Dec/2006:10:15:32 +0100] \"GET /a.html HTTP/1.0\" 200 2326",
        "1.2.3.4 - - [06/Dec/2006:23:59:59 -0500] \"POST /f.cgi HTTP/1.0\" 404 NC \"\" \"\"",
        "300.0.0.1 a b [x:y z] \"-\" 500 - \"http://x/\" \"Opera/8.51 (Windows NT 5.1; U; fr)\"",
    };
    constexpr std::string_view kRiche = "0123456789.. .\"\"[]:;()-TNC$x";
    if (alea() % 4 == 0) {
        // Bytes of every value, NUL included.
        std::string s(alea() % 80, '\0');
        for (char& c : s) c = static_cast<char>(alea() % 256);
        return s;
    }
    std::string s(modeles[alea() % 4]);
    const int mutations = 1 + static_cast<int>(alea() % 4);
    for (int m = 0; m < mutations; ++m) {
        const std::size_t p = s.empty() ? 0 : alea() % (s.size() + 1);
        switch (alea() % 5) {
            case 0:  // delete a stretch
                s.erase(p, 1 + alea() % 6);
                break;
            case 1:  // insert a separator-like byte
                s.insert(p, 1, kRiche[alea() % kRiche.size()]);
                break;
            case 2:  // replace a byte by any byte
                if (p < s.size()) s[p] = static_cast<char>(alea() % 256);
                break;
            case 3:  // cut short
                s.resize(p);
                break;
            default:  // duplicate a stretch
                s.insert(p, s.substr(p, alea() % 8));
                break;
        }
    }
    return s;
}

}  // namespace

TEST(EntreesInvalides, LignesTireesAuHasard) {
    // Whatever the line, the parse gives a record or a conversion error naming a text of the
    // line, and a record's texts are the line's own, cut from left to right. The values
    // themselves are held to the rules written again plainly by the fuzzing target of the line.
    std::mt19937 alea(2006);
    int reussies = 0;
    for (int k = 0; k < 20000; ++k) {
        const std::string ligne = ligneTiree(alea);
        const Issue issue = analyser(ligne);
        if (!issue.record) {
            std::string message;
            try {
                analyserLigne(ligne);
            } catch (const ErreurKestrane& e) {
                message = e.message();
            }
            ASSERT_TRUE(message.starts_with("'") && message.ends_with(kSuffixeEntier))
                << "'" << ligne << "' : " << message;
            const std::string_view texte =
                std::string_view(message).substr(1, message.size() - 1 - kSuffixeEntier.size());
            ASSERT_TRUE(texte == "-" || ligne.find(texte) != std::string::npos)
                << "'" << ligne << "' : " << message;
            // The message travels as a C string: it ends at a NUL of the offending text.
            ASSERT_EQ(issue.erreur, message.c_str()) << "'" << ligne << "'";
            continue;
        }
        ++reussies;
        const RLog& r = *issue.record;
        // Cut fields are never empty; every text stays inside the line.
        for (std::string_view champ :
             {r.autre, r.logname, r.date, r.heure, r.fuseau, r.requete, r.pagePrecedente}) {
            ASSERT_FALSE(champ.empty()) << "'" << ligne << "'";
        }
        for (std::string_view champ :
             {r.autre, r.logname, r.date, r.heure, r.fuseau, r.requete, r.fichierCharge,
              r.pagePrecedente, r.navigateur, r.systeme}) {
            ASSERT_TRUE(dansLaLigneOuConstant(champ, ligne)) << "'" << ligne << "'";
        }
        // The fields cut out of the line follow each other without overlapping; the loaded
        // file lies in the request, the browser and the system after the referring page.
        const char* fin = ligne.data();
        for (std::string_view champ :
             {r.autre, r.logname, r.date, r.heure, r.fuseau, r.requete, r.pagePrecedente}) {
            if (!dansLaLigne(champ, ligne)) continue;
            ASSERT_GE(champ.data(), fin) << "'" << ligne << "'";
            fin = champ.data() + champ.size();
        }
        if (dansLaLigne(r.fichierCharge, ligne) && dansLaLigne(r.requete, ligne)) {
            ASSERT_TRUE(dansLaLigne(r.fichierCharge, r.requete)) << "'" << ligne << "'";
        }
        for (std::string_view champ : {r.navigateur, r.systeme}) {
            if (dansLaLigne(champ, ligne)) {
                ASSERT_GE(champ.data(), fin) << "'" << ligne << "'";
            }
        }
    }
    // Both outcomes are reached often enough to mean something.
    EXPECT_GT(reussies, 3000);
    EXPECT_LT(reussies, 17000);
}
