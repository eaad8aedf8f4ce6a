#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "log/Erreur.h"
#include "log/Journal.h"
#include "log/ULog.h"
#include "tests/log/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;
using namespace std::string_view_literals;

namespace {

// The record of the worked example, written out by hand.
RLog recordExemple() {
    RLog r;
    r.ip1 = 192;
    r.ip2 = 168;
    r.ip3 = 1;
    r.ip4 = 20;
    r.autre = "-";
    r.logname = "-";
    r.date = "06/Dec/2006";
    r.heure = "10:15:32";
    r.fuseau = "+0100";
    r.requete = "GET /images/logo.gif HTTP/1.1";
    r.fichierCharge = "/images/logo.gif";
    r.pagePrecedente = "-";
    r.navigateur = "Mozilla/4.0 ";
    r.systeme = "Windows XP";
    r.codeRenvoye = 200;
    r.chargement = 2326;
    return r;
}

}  // namespace

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

namespace {

std::string etiquette(std::string_view mots, std::size_t blancs) {
    std::string e(mots);
    e.append(blancs, ' ');
    e += ": ";
    return e;
}

std::string joindreCRLF(const std::vector<std::string>& lignes) {
    std::string s;
    for (std::size_t i = 0; i < lignes.size(); ++i) {
        if (i > 0) s += "\r\n";
        s += lignes[i];
    }
    return s;
}

struct ValeursDetail {
    std::string ip, autre, logname, date, heure, fuseau, requete, code, chargement, page,
        navigateur, systeme;
};

std::string detailAttendu(const ValeursDetail& v) {
    return joindreCRLF({
        etiquette("Adresse IP", 6) + v.ip,
        "",
        etiquette("Autre", 11) + v.autre,
        etiquette("Logname", 9) + v.logname,
        etiquette("Date", 12) + v.date,
        etiquette("Heure", 11) + v.heure,
        cat(etiquette("Fuseau", 10), "GMT ", v.fuseau),
        etiquette("Requ\xEAte", 9) + v.requete,
        etiquette("Code renvoy\xE9", 4) + v.code,
        etiquette("Chargement", 6) + v.chargement + " octets",
        etiquette("Page pr\xE9"
                  "c\xE9"
                  "dente",
                  1) +
            v.page,
        etiquette("Navigateur/Robot", 0) + v.navigateur,
        cat("Syst\xE8me d'exploitation : ", v.systeme),
    });
}

ValeursDetail valeursExemple() {
    return {"192.168.1.20",
            "-",
            "-",
            "06/Dec/2006",
            "10:15:32",
            "+0100",
            "GET /images/logo.gif HTTP/1.1",
            "200",
            "2326",
            "-",
            "Mozilla/4.0 ",
            "Windows XP"};
}

}  // namespace

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

// ---------------------------------------------------------------------------------------------
// TableauLog

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
