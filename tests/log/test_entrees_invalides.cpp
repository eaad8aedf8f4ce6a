// Lines that depart from the combined log format: each either parses into the shifted fields
// that the left-to-right cutting gives, or stops on a conversion error naming the text.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "log/Erreur.h"
#include "log/ULog.h"
#include "log/UString.h"
#include "tests/log/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;
using namespace std::string_view_literals;

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
    // The same length of text with no separator at all.
    EXPECT_EQ(analyser(std::string(std::size_t{1} << 20, '7')).erreur,
              messageEntier(std::string(std::size_t{1} << 20, '7')));
}

namespace {

// The 21 steps read literally over a copy of the line, with the standard library's search;
// the conversions and the three classifiers are those of the program.
struct EchecDeConversion {
    std::string texte;
};

std::string_view couper(std::string_view separateur, std::string_view& reste) {
    const std::size_t p = reste.find(separateur);
    const std::string_view champ = p == std::string_view::npos ? reste : reste.substr(0, p);
    reste = p == std::string_view::npos ? std::string_view() : reste.substr(p + separateur.size());
    return champ.empty() ? "-"sv : champ;
}

void oter(std::size_t n, std::string_view& reste) {
    reste = reste.substr(std::min(n, reste.size()));
}

int32_t entier(std::string_view champ) {
    int32_t v = 0;
    if (!essayerConvertirEntier(champ, v)) throw EchecDeConversion{std::string(champ)};
    return v;
}

RLog analyseDeReference(std::string_view ligne) {
    RLog r;
    std::string_view reste = ligne;
    r.ip1 = entier(couper(".", reste));
    r.ip2 = entier(couper(".", reste));
    r.ip3 = entier(couper(".", reste));
    r.ip4 = entier(couper(" ", reste));
    r.autre = couper(" ", reste);
    r.logname = couper(" ", reste);
    oter(1, reste);
    r.date = couper(":", reste);
    r.heure = couper(" ", reste);
    r.fuseau = couper("] ", reste);
    oter(1, reste);
    r.requete = couper("\" ", reste);
    r.fichierCharge = extraireFichier(r.requete);
    r.codeRenvoye = entier(couper(" ", reste));
    const std::string_view octets = couper(" ", reste);
    r.chargement = (octets == "-" || octets == "NC") ? 0 : entier(octets);
    oter(1, reste);
    r.pagePrecedente = couper("\" ", reste);
    oter(1, reste);
    const std::string_view agent = couper("\"", reste);
    r.navigateur = extraireNavigateur(agent);
    r.systeme = extraireSysteme(agent);
    return r;
}

// A text field lies inside the line, or is one of the program's own texts.
bool dansLaLigneOuConstant(std::string_view champ, std::string_view ligne) {
    if (champ == "-" || champ == "Windows XP" || champ == "Windows 2000") return true;
    return champ.empty() || (champ.data() >= ligne.data() &&
                             champ.data() + champ.size() <= ligne.data() + ligne.size());
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
    std::mt19937 alea(2006);
    int reussies = 0;
    for (int k = 0; k < 20000; ++k) {
        const std::string ligne = ligneTiree(alea);
        const Issue issue = analyser(ligne);
        std::optional<RLog> attendu;
        std::string attendue;
        try {
            attendu = analyseDeReference(ligne);
        } catch (const EchecDeConversion& e) {
            // The message travels as a C string: it ends at a NUL of the offending text.
            attendue = messageEntier(e.texte).c_str();
        }
        ASSERT_EQ(issue.record.has_value(), attendu.has_value())
            << "'" << ligne << "' : " << issue.erreur;
        if (!attendu) {
            ASSERT_EQ(issue.erreur, attendue) << "'" << ligne << "'";
            continue;
        }
        ++reussies;
        const RLog& r = *issue.record;
        ASSERT_EQ(differences(r, *attendu), "") << "'" << ligne << "'";
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
    }
    // Both outcomes are reached often enough to mean something.
    EXPECT_GT(reussies, 3000);
    EXPECT_LT(reussies, 17000);
}
