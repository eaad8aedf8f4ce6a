#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/lecture/ULog.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;
using namespace std::string_view_literals;

// ---------------------------------------------------------------------------------------------
// analyserLigne

TEST(AnalyserLigne, ExempleDetaille) {
    const RLog r = analyserLigne(kExemple);
    EXPECT_EQ(r.ip1, 192);
    EXPECT_EQ(r.ip2, 168);
    EXPECT_EQ(r.ip3, 1);
    EXPECT_EQ(r.ip4, 20);
    EXPECT_EQ(r.autre, "-");
    EXPECT_EQ(r.logname, "-");
    EXPECT_EQ(r.date, "06/Dec/2006");
    EXPECT_EQ(r.heure, "10:15:32");
    EXPECT_EQ(r.fuseau, "+0100");
    EXPECT_EQ(r.requete, "GET /images/logo.gif HTTP/1.1");
    EXPECT_EQ(r.fichierCharge, "/images/logo.gif");
    EXPECT_EQ(r.codeRenvoye, 200);
    EXPECT_EQ(r.chargement, 2326);
    EXPECT_EQ(r.pagePrecedente, "-");
    EXPECT_EQ(r.navigateur, "Mozilla/4.0 ");
    EXPECT_EQ(r.systeme, "Windows XP");
}

TEST(AnalyserLigne, FormatCommunSansProvenanceNiAgent) {
    const RLog r = analyserLigne(
        "10.0.0.1 - bob [06/Dec/2006:10:15:32 +0100] \"GET /a.html HTTP/1.0\" 200 2326");
    EXPECT_EQ(r.ip1, 10);
    EXPECT_EQ(r.ip2, 0);
    EXPECT_EQ(r.ip3, 0);
    EXPECT_EQ(r.ip4, 1);
    EXPECT_EQ(r.autre, "-");
    EXPECT_EQ(r.logname, "bob");
    EXPECT_EQ(r.requete, "GET /a.html HTTP/1.0");
    EXPECT_EQ(r.fichierCharge, "/a.html");
    EXPECT_EQ(r.codeRenvoye, 200);
    EXPECT_EQ(r.chargement, 2326);
    EXPECT_EQ(r.pagePrecedente, "-");
    EXPECT_EQ(r.navigateur, "-");
    EXPECT_EQ(r.systeme, "-");
}

TEST(AnalyserLigne, NombreDOctets) {
    struct Cas {
        std::string_view champ;
        int32_t chargement;
    };
    // "-" and "NC" stand for no count, exactly as written.
    const Cas cas[] = {{"-", 0}, {"NC", 0}, {"0", 0}, {"2326", 2326}, {"$10", 16}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(std::string(c.champ));
        const std::string ligne = remplacer(kExemple, " 2326 ", cat(" ", c.champ, " "));
        const RLog r = analyserLigne(ligne);
        EXPECT_EQ(r.chargement, c.chargement);
        EXPECT_EQ(r.pagePrecedente, "-");
        EXPECT_EQ(r.systeme, "Windows XP");
    }
    for (std::string_view champ : {"nc"sv, "Nc"sv, "nC"sv, "NC."sv, "--"sv}) {
        const std::string ligne = remplacer(kExemple, " 2326 ", cat(" ", champ, " "));
        EXPECT_EQ(erreurDe([&] { analyserLigne(ligne); }), messageEntier(champ));
    }
    // Nothing after the status code.
    const RLog r =
        analyserLigne("1.2.3.4 - - [06/Dec/2006:10:15:32 +0100] \"GET /a HTTP/1.1\" 304");
    EXPECT_EQ(r.codeRenvoye, 304);
    EXPECT_EQ(r.chargement, 0);
}

TEST(AnalyserLigne, ChampsEntreGuillemetsVides) {
    const std::string deuxVides = remplacer(kExemple,
                                            "\"-\" \"Mozilla/4.0 (compatible; MSIE 6.0; "
                                            "Windows NT 5.1)\"",
                                            "\"\" \"\"");
    RLog attendu = recordExemple();
    attendu.navigateur = "-";
    attendu.systeme = "-";
    EXPECT_EQ(differences(analyserLigne(deuxVides), attendu), "");

    const std::string provenanceVide = remplacer(kExemple, "\"-\" \"", "\"\" \"");
    EXPECT_EQ(differences(analyserLigne(provenanceVide), recordExemple()), "");

    const std::string requeteVide =
        remplacer(kExemple, "\"GET /images/logo.gif HTTP/1.1\"", "\"\"");
    attendu = recordExemple();
    attendu.requete = "-";
    attendu.fichierCharge = "";
    EXPECT_EQ(differences(analyserLigne(requeteVide), attendu), "");
}

TEST(AnalyserLigne, AutreEtLognameGardentLeTexte) {
    const std::string ligne = remplacer(kExemple, " - - [", " ident frank [");
    const RLog r = analyserLigne(ligne);
    RLog attendu = recordExemple();
    attendu.autre = "ident";
    attendu.logname = "frank";
    EXPECT_EQ(differences(r, attendu), "");
}

TEST(AnalyserLigne, NomDUtilisateurAvecUnBlancDecaleLaDate) {
    // logname takes "John"; the opening-bracket removal eats the "S" of "Smith", and the date
    // runs up to the first colon. The time is cut afresh from there, so nothing else moves.
    const std::string ligne = remplacer(kExemple, " - - [", " - John Smith [");
    const RLog r = analyserLigne(ligne);
    RLog attendu = recordExemple();
    attendu.logname = "John";
    attendu.date = "mith [06/Dec/2006";
    EXPECT_EQ(differences(r, attendu), "");
}

TEST(AnalyserLigne, TexteApresLAgentIgnore) {
    for (std::string_view suite : {" \"extra\" 42"sv, "\"\""sv, " -"sv, "xyz"sv}) {
        const std::string ligne = std::string(kExemple) + std::string(suite);
        EXPECT_EQ(differences(analyserLigne(ligne), recordExemple()), "") << ligne;
    }
}

TEST(AnalyserLigne, AdresseHorsDeLaPlageGardeeTelleQuelle) {
    struct Cas {
        std::string_view debut;
        int32_t ip1, ip2, ip3, ip4;
    };
    const Cas cas[] = {
        {"300.1.1.1", 300, 1, 1, 1},
        {"010.001.1.1", 10, 1, 1, 1},
        {"-1.2.3.4", -1, 2, 3, 4},
        {"$C0.x00.0x1.+20", 192, 0, 1, 20},
    };
    for (const Cas& c : cas) {
        const std::string ligne = remplacer(kExemple, "192.168.1.20", c.debut);
        const RLog r = analyserLigne(ligne);
        EXPECT_EQ(r.ip1, c.ip1) << c.debut;
        EXPECT_EQ(r.ip2, c.ip2) << c.debut;
        EXPECT_EQ(r.ip3, c.ip3) << c.debut;
        EXPECT_EQ(r.ip4, c.ip4) << c.debut;
    }
}

// ---------------------------------------------------------------------------------------------
// Classifiers

TEST(ExtraireFichier, Requetes) {
    struct Cas {
        std::string_view requete, fichier;
    };
    const Cas cas[] = {
        {"GET /index.html HTTP/1.1", "/index.html"},
        {"POST /cgi-bin/form.cgi HTTP/1.0", "/cgi-bin/form.cgi"},
        {"GET /page.php?id=3 HTTP/1.1", "/page.php?id=3"},
        {"HEAD /index.html HTTP/1.0", " /index.html"},
        {"GET /index.html", ""},
        {"-", ""},
        {"GET /my file.html HTTP/1.1", "/my file.html"},
        {"PUT /x HTTP/1.1", "/x"},
        // A path ending in "T" moves the start past the path itself.
        {"GET /ABOUT HTTP/1.1", ""},
        // Start 5 does not suit other method lengths.
        {"DELETE /x HTTP/1.1", "TE /x"},
        {"OPTIONS * HTTP/1.0", "ONS *"},
        {"GET  /a HTTP/1.1", " /a"},
        // A blank before position 4 is not looked at.
        {"GT /x HTTP/1.1", "x"},
        {"", ""},
        {"GET", ""},
        {"GET /", ""},
        {"GETX /x HTTP/1.1", " /x"},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(extraireFichier(c.requete), c.fichier) << "'" << c.requete << "'";
    }
}

TEST(ExtraireNavigateurEtSysteme, AgentsUtilisateurs) {
    struct Cas {
        std::string_view agent, navigateur, systeme;
    };
    const Cas cas[] = {
        {"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)", "Mozilla/4.0 ", "Windows XP"},
        {"Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)", "Mozilla/4.0 ", "Windows 2000"},
        {"Mozilla/5.0 (Windows; U; Windows NT 5.1; fr; rv:1.8) Gecko Firefox/1.5", "Mozilla/5.0 ",
         "Windows XP"},
        {"Opera/8.51 (Windows NT 5.1; U; fr)", "Opera/8.51 ", "fr"},
        {"Mozilla/5.0 (X11; Linux i686)", "Mozilla/5.0 ", "Linux i686"},
        {"Mozilla/5.0 (Macintosh; PPC) AppleWebKit/418 (KHTML, like Gecko) Safari/417",
         "Mozilla/5.0 (Macintosh; PPC) AppleWebKit/418 ",
         "PPC) AppleWebKit/418 (KHTML, like Gecko"},
        {"Googlebot/2.1 (+http://www.google.com/bot.html)", "Googlebot/2.1 ", "-"},
        {"Mozilla/5.0 (Windows;U;Windows NT 5.1)", "Mozilla/5.0 ", "indows NT 5.1"},
        {"-", "-", "-"},
        {"(compatible; bot)", "", "bot"},
        // A semicolon with nothing after it.
        {"Robot/1.0;", "Robot/1.0;", ""},
        {"Mozilla/4.0 (compatible;)", "Mozilla/4.0 ", ""},
        // Whole-text comparison only.
        {"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1 )", "Mozilla/4.0 ", "Windows NT 5.1 "},
        {"Mozilla/4.0 (compatible; MSIE 6.0; windows nt 5.1)", "Mozilla/4.0 ", "windows nt 5.1"},
        {"Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.0)", "Mozilla/4.0 ", "Windows NT 6.0"},
        // One semicolon, no closing parenthesis: to the end.
        {"Agent (a; Windows NT 5.0", "Agent ", "Windows 2000"},
        // The third semicolon ends the item; later ones and later parentheses do not count.
        {"A (a; b; c; d; e)", "A ", "c"},
        {"A (a; b; c) x; y)", "A ", "c) x"},
        // A closing parenthesis before the start leaves nothing.
        {"Foo/1.0 (X11) bar; baz", "Foo/1.0 ", ""},
        {"", "", "-"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(cat("'", c.agent, "'"));
        EXPECT_EQ(extraireNavigateur(c.agent), c.navigateur);
        EXPECT_EQ(extraireSysteme(c.agent), c.systeme);
    }
}

namespace {

// The classifiers read literally: positions from 1, stretch a..b inclusive.
std::string morceau(std::string_view s, std::size_t a, std::size_t b) {
    return b < a ? std::string() : std::string(s.substr(a - 1, b - a + 1));
}

std::string fichierDeReference(std::string_view r) {
    const std::size_t L = r.size();
    std::size_t debut = 5, fin = L;
    for (std::size_t i = 4; i <= L; ++i) {
        if (r[i - 1] != ' ') continue;
        if (r[i - 2] == 'T') debut = i + 1;
        fin = i - 1;
    }
    return morceau(r, debut, fin);
}

std::string navigateurDeReference(std::string_view a) {
    std::size_t fin = a.size();
    for (std::size_t i = 1; i <= a.size(); ++i) {
        if (a[i - 1] == '(') fin = i - 1;
    }
    return morceau(a, 1, fin);
}

std::string systemeDeReference(std::string_view a) {
    std::size_t debut = 1, fin = a.size();
    int n = 0;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        const char c = a[i - 1];
        if (c == ';' && ++n < 3) debut = i + 2;
        if ((c == ')' && n < 3) || (c == ';' && n == 3)) fin = i - 1;
    }
    if (debut == 1) return "-";
    const std::string coupe = morceau(a, debut, fin);
    if (coupe == "Windows NT 5.0") return "Windows 2000";
    if (coupe == "Windows NT 5.1") return "Windows XP";
    return coupe;
}

std::string tirer(std::mt19937& alea, const std::vector<std::string_view>& jetons,
                  std::size_t maxJetons) {
    std::string s;
    const std::size_t n = alea() % (maxJetons + 1);
    for (std::size_t k = 0; k < n; ++k) s += jetons[alea() % jetons.size()];
    return s;
}

}  // namespace

TEST(Classificateurs, AccordAvecLaLectureLitteraleSurDesTextesTires) {
    std::mt19937 alea(51);
    const std::vector<std::string_view> jetonsRequete = {"GET", "POST", "T",    " ",  " ",
                                                         "/a",  "x",    "HEAD", "T ", "?"};
    const std::vector<std::string_view> jetonsAgent = {
        ";", "; ", " ", "(", ")", "a", "Windows NT 5.1", "Windows NT 5.0", "x", ";", ")"};
    int renommes = 0, vides = 0;
    for (int k = 0; k < 20000; ++k) {
        const std::string requete = tirer(alea, jetonsRequete, 8);
        ASSERT_EQ(extraireFichier(requete), fichierDeReference(requete)) << "'" << requete << "'";
        const std::string agent = tirer(alea, jetonsAgent, 10);
        ASSERT_EQ(extraireNavigateur(agent), navigateurDeReference(agent)) << "'" << agent << "'";
        const std::string systeme = systemeDeReference(agent);
        ASSERT_EQ(extraireSysteme(agent), systeme) << "'" << agent << "'";
        renommes += systeme == "Windows XP" || systeme == "Windows 2000";
        vides += systeme.empty();
    }
    // The draw reaches the renaming and the empty cut.
    EXPECT_GT(renommes, 50);
    EXPECT_GT(vides, 50);
}

// ---------------------------------------------------------------------------------------------
// detailLog

TEST(DetailLog, ExempleDetailleOctetPourOctet) {
    const std::string texte = detailLog(analyserLigne(kExemple));
    EXPECT_EQ(texte, detailAttendu(valeursExemple()));
    EXPECT_FALSE(texte.ends_with("\r\n"));
    // Values start in column 19 on lines 1 and 3 to 12.
    std::vector<std::string_view> lignes;
    std::string_view reste = texte;
    for (std::size_t p; (p = reste.find("\r\n")) != std::string_view::npos;) {
        lignes.push_back(reste.substr(0, p));
        reste.remove_prefix(p + 2);
    }
    lignes.push_back(reste);
    ASSERT_EQ(lignes.size(), 13u);
    EXPECT_EQ(lignes[1], "");
    for (std::size_t i : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) {
        ASSERT_GE(lignes[i].size(), 18u) << i;
        EXPECT_EQ(lignes[i].substr(16, 2), ": ") << lignes[i];
    }
    EXPECT_EQ(lignes[12].substr(0, 25), "Syst\xE8me d'exploitation : ");
    // The loaded file has no line of its own.
    EXPECT_EQ(texte.find("Fichier"), std::string::npos);
}

TEST(DetailLog, CasParticuliers) {
    // A "-" byte count.
    ValeursDetail v = valeursExemple();
    v.chargement = "0";
    EXPECT_EQ(detailLog(analyserLigne(remplacer(kExemple, " 2326 ", " - "))), detailAttendu(v));

    // An empty system leaves the label with its trailing blank.
    v = valeursExemple();
    v.systeme = "";
    const std::string sansSysteme = remplacer(kExemple, "Windows NT 5.1)", ")");
    const std::string texte = detailLog(analyserLigne(sansSysteme));
    EXPECT_EQ(texte, detailAttendu(v));
    EXPECT_TRUE(texte.ends_with("\r\nSyst\xE8me d'exploitation : "));

    // Address numbers as stored.
    v = valeursExemple();
    v.ip = "300.1.1.1";
    EXPECT_EQ(detailLog(analyserLigne(remplacer(kExemple, "192.168.1.20", "300.1.1.1"))),
              detailAttendu(v));
    v.ip = "10.1.1.1";
    EXPECT_EQ(detailLog(analyserLigne(remplacer(kExemple, "192.168.1.20", "010.001.1.1"))),
              detailAttendu(v));

    // Byte counts past 32 bits are shown whole; past 64 bits the line does not convert.
    v = valeursExemple();
    for (const auto& [champ, montre] : std::vector<std::pair<std::string, std::string>>{
             {"3000000000", "3000000000"},
             {"$B2D05E00", "3000000000"},
             {"9223372036854775807", "9223372036854775807"}}) {
        v.chargement = montre;
        EXPECT_EQ(detailLog(analyserLigne(remplacer(kExemple, " 2326 ", " " + champ + " "))),
                  detailAttendu(v));
    }
    EXPECT_THROW(analyserLigne(remplacer(kExemple, " 2326 ", " 9223372036854775808 ")),
                 ErreurKestrane);
}

TEST(DetailLog, EntiersNegatifsEtExtremes) {
    RLog r = recordExemple();
    r.ip1 = -5;
    r.ip4 = 2147483647;
    r.codeRenvoye = -2147483648;
    r.chargement = -1;
    r.fichierCharge = "jamais montre";
    ValeursDetail v = valeursExemple();
    v.ip = "-5.168.1.2147483647";
    v.code = "-2147483648";
    v.chargement = "-1";
    EXPECT_EQ(detailLog(r), detailAttendu(v));
    std::string suite = "avant|";
    ajouterDetailLog(suite, r);
    EXPECT_EQ(suite, "avant|" + detailAttendu(v));
    EXPECT_EQ(adresseIP(r), "-5.168.1.2147483647");
}
