// Reading lines: escapes, empty fields, the reasons of lines that do not read, W3C columns that
// change within a file, JSON keys, the texts the first pass keeps, two readers on two threads.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/lecture/LecteurLignes.h"
#include "core/lecture/LectureFormatee.h"
#include "core/lecture/UString.h"
#include "tests/core/lecture/OutilsFormats.h"
#include "tests/core/lecture/Reecriture.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

constexpr std::string_view kCombine =
    "%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\"";
constexpr std::string_view kServeurAvant =
    "$server_addr $remote_addr - $remote_user [$time_local] \"$request\" $status "
    "$body_bytes_sent \"$http_referer\" \"$http_user_agent\"";
constexpr std::string_view kDebut = "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] ";

}  // namespace

TEST(Lecture, ChampsEntreGuillemetsLusCommeLeServeurLesEcrit) {
    const struct {
        const char* ligne;
        const char* requete;
        const char* provenance;
        const char* navigateur;
    } kCas[] = {
        // Apache: \" and \\ and \xhh.
        {"\"GET /a\\\"b HTTP/1.1\" 200 5 \"-\" \"Outil \\\"x\\\" (Linux; U; Test)\"",
         "GET /a\"b HTTP/1.1", "-", "Outil \"x\" "},
        {"\"GET /c\\\\d HTTP/1.1\" 200 5 \"http://h/\\xe9t\\xe9\" \"-\"", "GET /c\\d HTTP/1.1",
         "http://h/\xE9t\xE9", "-"},
        // nginx writes a quote as \x22.
        {"\"GET /a\\x22b HTTP/1.1\" 200 5 \"-\" \"-\"", "GET /a\"b HTTP/1.1", "-", "-"},
        // A backslash that escapes nothing known stays; an escaped backslash before the closing
        // quote does not escape it.
        {"\"GET /\\q HTTP/1.1\" 200 5 \"x\\\\\" \"-\"", "GET /\\q HTTP/1.1", "x\\", "-"},
    };
    const FormatJournal f = FormatJournal::depuisChaine(kCombine);
    for (const auto& c : kCas) {
        const Lu u = lire(f, std::string(kDebut) + c.ligne);
        ASSERT_EQ(u.lecture, Lecture::Requete) << c.ligne << " : " << u.raison;
        EXPECT_EQ(u.requete, c.requete);
        EXPECT_EQ(u.provenance, c.provenance);
        EXPECT_EQ(u.navigateur, c.navigateur);
    }
}

TEST(Echappements, CeQuApache2EcritEtRienDAutre) {
    const struct {
        const char* ecrit;
        const char* lu;
    } kCas[] = {
        {"\\\"\\\\\\x41\\xe9\\x22\\x5C", "\"\\A\xE9\"\\"},
        // Apache 1.3 escapes nothing: any other backslash stays as written.
        {"c:\\boot.ini", "c:\\boot.ini"},
        {"\\v\\f\\/\\u0041\\q\\xz1\\x4", "\\v\\f\\/\\u0041\\q\\xz1\\x4"},
        {"fin\\", "fin\\"},
        // An escape standing for a control character stays as written, for every table and
        // report to show it so.
        {"\\n\\r\\t\\x07\\x1b\\x7F\\x0a", "\\n\\r\\t\\x07\\x1b\\x7F\\x0a"},
    };
    for (const auto& c : kCas) EXPECT_EQ(desechappe(c.ecrit), c.lu) << c.ecrit;
    // Any text as Apache 2 writes it comes back, but for its control characters, which stay
    // escaped.
    std::mt19937 alea(35);
    for (int essai = 0; essai < 2000; ++essai) {
        std::string texte, attendu;
        for (std::size_t n = alea() % 40; n > 0; --n) {
            const auto c = static_cast<unsigned char>(
                alea() % 8 == 0 ? "\\\"x\n\x7F\x1B"[alea() % 6] : alea() % 256);
            texte.push_back(static_cast<char>(c));
            attendu += c < 0x20 || c == 0x7F ? echapperApache(std::string(1, char(c)))
                                             : std::string(1, char(c));
        }
        ASSERT_EQ(desechappe(echapperApache(texte)), attendu) << echapperApache(texte);
    }
}

TEST(Echappements, CeQueSimdjsonLitSurementLuEnUnePasse) {
    // Strings of JSON escapes: those simdjson surely reads come out as desechapperJson writes
    // them; any other escape (a surrogate, an escape simdjson refuses) is left to simdjson.
    const struct {
        const char* ecrit;
        bool sur;
    } kMorceaux[] = {
        {"ab", true},
        {"\xC3\xA9", true},
        {"\\\"", true},
        {"\\\\", true},
        {"\\/", true},
        {"\\b", true},
        {"\\f", true},
        {"\\n", true},
        {"\\r", true},
        {"\\t", true},
        {"\\u0041", true},
        {"\\u00e9", true},
        {"\\u20AC", true},
        {"\\u0007", true},
        {"\\u001F", true},
        {"\\u007f", true},
        {"\\u0000", true},
        {"x", true},
        {"\\ud83d\\ude00", false},
        {"\\udc00", false},
        {"\\q", false},
        {"\\u12G4", false},
        {"\\x41", false},
    };
    std::mt19937 alea(8);
    for (int essai = 0; essai < 5000; ++essai) {
        std::string texte;
        bool sur = true;
        for (std::size_t n = alea() % 12; n > 0; --n) {
            const auto& m = kMorceaux[alea() % std::size(kMorceaux)];
            texte += m.ecrit;
            sur = sur && m.sur;
        }
        std::string sortie(texte.size(), '\0'), attendu(texte.size(), '\0');
        std::size_t taille = 0;
        ASSERT_EQ(desechapperJsonSur(texte, sortie.data(), taille), sur) << texte;
        if (!sur) continue;
        attendu.resize(desechapperJson(texte, attendu.data()));
        EXPECT_EQ(sortie.substr(0, taille), attendu) << texte;
    }
}

TEST(Lecture, EchappementsJsonQueSimdjsonRefuse) {
    // A key whose escape simdjson refuses makes the line incorrect; such a value is no text.
    const FormatJournal f = FormatJournal::json(correspondanceNginx());
    const std::string debut = "{\"time\":1431857103,\"status\":200,";
    const struct {
        std::string ligne, requete, raison;
    } kCas[] = {
        {debut + "\"request\":\"GET /\\u0007\\n\\u00e9 HTTP/1.1\",\"c\\u00e9\\t\":1}",
         "GET /\\u0007\\n\xC3\xA9 HTTP/1.1", ""},
        {debut + "\"request\":\"GET / HTTP/1.1\",\"c\\q\":1}", "",
         "Ligne JSON incorrecte : " +
             citerTexte(debut + "\"request\":\"GET / HTTP/1.1\",\"c\\q\":1}")},
        {debut + "\"request\":\"GET /\\q HTTP/1.1\"}", "", "Ligne JSON sans requ\xEAte"},
        {debut + "\"re\\u0071uest\":\"GET /\\ud83d\\ude00 HTTP/1.1\"}",
         "GET /\xF0\x9F\x98\x80 HTTP/1.1", ""},
    };
    for (const auto& c : kCas) {
        const Lu u = lire(f, c.ligne);
        EXPECT_EQ(u.raison, c.raison) << c.ligne;
        EXPECT_EQ(u.requete, c.requete) << c.ligne;
    }
}

TEST(Lecture, UneLigneNginxQuiCommenceParUnBlanc) {
    const std::string ligne =
        " 1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"GET / HTTP/1.1\" 200 5 \"-\" \"curl/8.0\"";
    // The server's address was empty: the line reads, with that field "-".
    const Lu u = lire(FormatJournal::depuisChaine(kServeurAvant), ligne);
    ASSERT_EQ(u.lecture, Lecture::Requete) << u.raison;
    EXPECT_EQ(u.client, "1.2.3.4");
    EXPECT_EQ(u.autres, "$server_addr=-;");
    const Lu v = lire(FormatJournal::propose(TypeFormat::NginxHote), ligne);
    ASSERT_EQ(v.lecture, Lecture::Requete) << v.raison;
    EXPECT_EQ(v.hote, "-");
    EXPECT_EQ(v.navigateur, "curl/8.0");
    // Apache never writes an empty %v, but a log of that shape chosen as vhost_combined reads
    // such a line as nginx's preset does.
    const Lu w = lire(FormatJournal::propose(TypeFormat::HoteVirtuel), ligne);
    ASSERT_EQ(w.lecture, Lecture::Requete) << w.raison;
    EXPECT_EQ(w.hote, "-");
    EXPECT_EQ(w.client, "1.2.3.4");
}

TEST(Lecture, LesFormatsProposesLisentLesChampsQuiSuivent) {
    // As the default reading ignores what follows the agent, the offered formats read the
    // fields a server adds after theirs: a port, a time, a quoted address.
    const std::string fin = "\"GET / HTTP/1.1\" 200 5";
    const std::string agents = " \"-\" \"curl/8.0 (Linux; U; x)\"";
    const struct {
        TypeFormat type;
        std::string ligne;
        const char* hote;
        int32_t port;
        int64_t temps;
        const char* autres;
    } kCas[] = {
        {TypeFormat::Commun, std::string(kDebut) + fin + " 8080", "-", 8080, -1, ""},
        {TypeFormat::Commun, std::string(kDebut) + fin + agents, "-", -1, -1,
         "champ 1=-;champ 2=curl/8.0 (Linux; U; x);"},
        {TypeFormat::HoteVirtuel, "a.fr " + std::string(kDebut) + fin + agents + " 443", "a.fr",
         443, -1, ""},
        {TypeFormat::HoteVirtuel, "a.fr:80 " + std::string(kDebut) + fin + agents + " 0.25 \"x y\"",
         "a.fr", 80, 250000, "champ 2=x y;"},
        {TypeFormat::HoteVirtuel, " " + std::string(kDebut) + fin + agents + " 8080", "-", 8080, -1,
         ""},
        {TypeFormat::NginxHote, " " + std::string(kDebut) + fin + agents + " 8080", "-", 8080, -1,
         ""},
        {TypeFormat::NginxHote, "10.0.0.5 " + std::string(kDebut) + fin + agents + " 443 -",
         "10.0.0.5", 443, -1, "champ 2=-;"},
    };
    for (const auto& c : kCas) {
        const Lu u = lire(FormatJournal::propose(c.type), c.ligne);
        ASSERT_EQ(u.lecture, Lecture::Requete) << c.ligne << " : " << u.raison;
        EXPECT_EQ(u.client, "1.2.3.4") << c.ligne;
        EXPECT_EQ(u.statut, 200) << c.ligne;
        EXPECT_EQ(u.octets, 5) << c.ligne;
        EXPECT_EQ(u.hote, c.hote) << c.ligne;
        EXPECT_EQ(u.port, c.port) << c.ligne;
        EXPECT_EQ(u.temps, c.temps) << c.ligne;
        EXPECT_EQ(u.autres, c.autres) << c.ligne;
    }
}

TEST(Lecture, RaisonsDesLignesNonConformes) {
    const FormatJournal commun = FormatJournal::propose(TypeFormat::Commun);
    const FormatJournal json = FormatJournal::propose(TypeFormat::Json);
    const FormatJournal w3c = FormatJournal::propose(TypeFormat::W3C);
    const std::string debut(kDebut);
    const struct {
        const FormatJournal* format;
        std::string ligne;
        std::string raison;
    } kCas[] = {
        {&commun, "", "Ligne vide"},
        {&commun, debut + "\"GET / HTTP/1.0\" 200", "Ligne incompl\xE8te"},
        {&commun, debut + "\"GET / HTTP/1.0\" 2x0 12",
         "'2x0' n'est pas une valeur enti\xE8re correcte"},
        {&commun, debut + "\"GET / HTTP/1.0\" 200 douze",
         "'douze' n'est pas une valeur enti\xE8re correcte"},
        {&commun, debut + "\"GET / HTTP/1.0\" 200 -500",
         "'-500' n'est pas un nombre d'octets correct"},
        {&commun, "1.2.3.4 - - [31/Feb/2000:13:55:36 -0700] \"GET / HTTP/1.0\" 200 12",
         "'31/Feb/2000:13:55:36 -0700' n'est pas une date correcte"},
        {&commun, debut + "\"GET / HTTP/1.0\" 200 12 \"-\" \"-",
         "Guillemet fermant manquant en position 70"},
        {&commun, debut + "GET / HTTP/1.0 200 12", "'] \"' introuvable apr\xE8s la position 14"},
        {&commun, debut + "\"GET / HTTP/1.0 200 12", "Guillemet fermant manquant en position 42"},
        {&commun, "1.2.3.4 - [10/Oct/2000:13:55:36 -0700] \"GET /\" 200 12",
         "Blanc inattendu dans %u en position 32"},
        {&json, "pas du JSON", "Ligne JSON incorrecte : 'pas du JSON'"},
        {&json, "{\"status\":200,\"request\":\"GET / HTTP/1.1\"} x",
         "Ligne JSON incorrecte : '{\"status\":200,\"request\":\"GET / HTTP/1.1\"...'"},
        {&json, "{\"status\":200,\"request\":\"GET / HTTP/1.1\"}", "Ligne JSON sans date"},
        {&json, "{\"level\":\"info\",\"ts\":1431857103,\"msg\":\"server running\"}",
         "Ligne JSON sans statut"},
        {&json, "{\"ts\":1431857103,\"status\":200}", "Ligne JSON sans requ\xEAte"},
        {&json, "{\"ts\":\"hier\",\"status\":200,\"request\":\"GET / HTTP/1.1\"}",
         "'hier' n'est pas une date correcte"},
        {&json, "[1,2]", "Ligne JSON incorrecte : '[1,2]'"},
        // A key with an escape is read unescaped, a wrong escape in a key is no JSON.
        {&json, "{\"ts\":1431857103,\"sta\\u0074us\":200}", "Ligne JSON sans requ\xEAte"},
        {&json, "{\"ts\":1431857103,\"st\\qatus\":200,\"request\":\"GET / HTTP/1.1\"}",
         "Ligne JSON incorrecte : '{\"ts\":1431857103,\"st\\qatus\":200,\"request...'"},
        {&w3c, "2015-05-17 10:05:03 1.2.3.4 GET / 200", "Aucune ligne #Fields: avant cette ligne"},
    };
    for (const auto& c : kCas) {
        const Lu u = lire(*c.format, c.ligne);
        EXPECT_EQ(u.lecture, Lecture::NonConforme) << c.ligne;
        EXPECT_EQ(u.raison, c.raison) << c.ligne;
    }
}

TEST(Lecture, LesColonnesW3CChangentEnCoursDeFichier) {
    const std::vector<std::string> lignes = {
        "#Software: Microsoft Internet Information Services 10.0",
        "#Fields: date time c-ip cs-method cs-uri-stem sc-status",
        "2015-05-17 10:05:03 1.2.3.4 GET /a 200",
        "2015-05-17 10:05:04 1.2.3.5 GET /b 404",
        "#Date: 2015-05-18 00:00:00",
        "#Fields: time date sc-status c-ip cs-method cs-uri-stem cs-uri-query time-taken",
        "00:00:01 2015-05-18 301 5.6.7.8 POST /c x=1 1.5",
        "00:00:02 2015-05-18 200 5.6.7.9 GET /d - 250",
        "00:00:03 2015-05-18 200 5.6.7.9 GET",
    };
    const auto verifier = [](const std::vector<Lu>& lus) {
        ASSERT_EQ(lus.size(), 9u);
        EXPECT_EQ(lus[0].lecture, Lecture::Directive);
        EXPECT_EQ(lus[1].lecture, Lecture::Directive);
        EXPECT_EQ(lus[4].lecture, Lecture::Directive);
        EXPECT_EQ(lus[2].client, "1.2.3.4");
        EXPECT_EQ(lus[2].requete, "GET /a");
        EXPECT_EQ(lus[2].fichier, "/a");
        EXPECT_EQ(lus[3].statut, 404);
        EXPECT_EQ(lus[3].date, "17/May/2015");
        EXPECT_EQ(lus[3].heure, "10:05:04");
        EXPECT_EQ(lus[3].fuseau, "+0000");
        EXPECT_EQ(lus[6].client, "5.6.7.8");
        EXPECT_EQ(lus[6].requete, "POST /c?x=1");
        EXPECT_EQ(lus[6].statut, 301);
        EXPECT_EQ(lus[6].heure, "00:00:01");
        EXPECT_EQ(lus[6].temps, 1500000);  // seconds with a fraction
        EXPECT_EQ(lus[7].requete, "GET /d");
        EXPECT_EQ(lus[7].temps, 250000);  // IIS's milliseconds
        EXPECT_EQ(lus[8].lecture, Lecture::NonConforme);
        EXPECT_EQ(lus[8].raison, "5 valeurs pour 8 colonnes de #Fields:");
    };
    const FormatJournal w3c = FormatJournal::propose(TypeFormat::W3C);
    // In order, learning the columns as it goes.
    {
        LecteurLignes lecteur(w3c);
        std::vector<Lu> lus;
        for (std::size_t i = 0; i < lignes.size(); ++i) lus.push_back(lire(lecteur, lignes[i], i));
        verifier(lus);
    }
    // Any line alone, from the last line backwards, with the directives looked up beforehand.
    const auto directives = DirectivesW3C::indexer(
        lignes.size(), [&](std::size_t i) { return std::string_view(lignes[i]); });
    EXPECT_EQ(directives->nbChangements(), 2u);
    std::size_t debut = 0, fin = 0;
    EXPECT_EQ(directives->colonnesA(0, debut, fin), nullptr);
    EXPECT_NE(directives->colonnesA(4, debut, fin), nullptr);
    EXPECT_EQ(debut, 1u);
    EXPECT_EQ(fin, 5u);
    LecteurLignes lecteur(w3c, directives);
    std::vector<Lu> lus(lignes.size());
    for (std::size_t i = lignes.size(); i-- > 0;) lus[i] = lire(lecteur, lignes[i], i);
    verifier(lus);
}

TEST(Lecture, W3CSepareParDesTabulationsEtValeursEntreGuillemets) {
    LecteurLignes lecteur(FormatJournal::propose(TypeFormat::W3C));
    lire(lecteur,
         "#Fields: date time c-ip cs-method cs-uri-stem sc-status cs(User-Agent) cs(Referer)");
    const Lu tab =
        lire(lecteur, "2015-05-17\t10:05:03\t1.2.3.4\tGET\t/a\t200\tMozilla/5.0 (X11; Linux)\t-");
    ASSERT_EQ(tab.lecture, Lecture::Requete) << tab.raison;
    EXPECT_EQ(tab.systeme, "Linux");
    const Lu cite =
        lire(lecteur, "2015-05-17 10:05:03 1.2.3.4 GET /a 200 \"Mozilla/5.0 (X11; Linux)\" -");
    ASSERT_EQ(cite.lecture, Lecture::Requete) << cite.raison;
    EXPECT_EQ(cite.navigateur, "Mozilla/5.0 ");
    const Lu plus =
        lire(lecteur, "2015-05-17 10:05:03 1.2.3.4 GET /a 200 Mozilla/5.0+(X11;+Linux) -");
    EXPECT_EQ(plus.navigateur, "Mozilla/5.0 ");
    EXPECT_EQ(plus.systeme, "Linux");
}

TEST(Lecture, ClesJson) {
    const struct {
        CorrespondanceJson correspondance;
        const char* ligne;
        const char* requete;
        const char* agent;
        const char* provenance;
        int32_t statut;
    } kCas[] = {
        // Strings as JSON escapes them: \u00e9 in UTF-8, a surrogate pair, \/.
        {correspondanceNginx(),
         "{\"time\":\"2015-05-17T10:05:03Z\",\"request\":\"GET \\/caf\\u00e9 HTTP\\/1.1\","
         "\"status\":\"200\",\"http_user_agent\":\"a\\\"b \\ud83d\\ude00\",\"http_referer\":null}",
         "GET /caf\xC3\xA9 HTTP/1.1", "a\"b \xF0\x9F\x98\x80", "-", 200},
        // nginx writes the bytes of a request as they came: a line that is no UTF-8 reads too.
        {correspondanceNginx(),
         "{\"time_local\":\"17/May/2015:10:05:03 +0000\",\"request\":\"GET /caf\xE9 HTTP/1.1\","
         "\"status\":404}",
         "GET /caf\xE9 HTTP/1.1", "-", "-", 404},
        // An element of an array, nested keys; keys are told apart by their case.
        {lireCorrespondanceJson("temps=t;statut=r.s;requete=r.l;agent=r.h.UA[1];provenance=Ref"),
         "{\"t\":1431857103,\"r\":{\"s\":201,\"l\":\"PUT /x "
         "HTTP/2\",\"h\":{\"UA\":[\"un\",\"deux\"]}},"
         "\"ref\":\"minuscule\"}",
         "PUT /x HTTP/2", "deux", "-", 201},
        // The first key of a field that a line holds wins.
        {lireCorrespondanceJson("temps=t;statut=a;statut=b;requete=q"),
         "{\"t\":1431857103,\"b\":500,\"a\":200,\"q\":\"GET / HTTP/1.1\"}", "GET / HTTP/1.1", "-",
         "-", 200},
        {lireCorrespondanceJson("temps=t;statut=a;statut=b;requete=q"),
         "{\"t\":1431857103,\"b\":500,\"q\":\"GET / HTTP/1.1\"}", "GET / HTTP/1.1", "-", "-", 500},
        // Keys split by an escape; a key holding an escaped quote is not the key before it.
        {correspondanceNginx(),
         "{\"time_lo\\u0063al\":\"17/May/2015:10:05:03 +0000\",\"req\\u0075est\":\"GET /k "
         "HTTP/1.1\",\"status\":\"301\",\"http_user_agent\":\"x (y)\"}",
         "GET /k HTTP/1.1", "x (y)", "-", 301},
        {lireCorrespondanceJson("temps=t;statut=a\"b;requete=q"),
         "{\"t\":1431857103,\"a\":500,\"a\\\"b\":201,\"q\":\"GET / HTTP/1.1\"}", "GET / HTTP/1.1",
         "-", "-", 201},
    };
    for (const auto& c : kCas) {
        const Lu u = lire(FormatJournal::json(c.correspondance), c.ligne);
        ASSERT_EQ(u.lecture, Lecture::Requete) << c.ligne << " : " << u.raison;
        EXPECT_EQ(u.requete, c.requete);
        EXPECT_EQ(u.navigateur, extraireNavigateur(c.agent));
        EXPECT_EQ(u.provenance, c.provenance);
        EXPECT_EQ(u.statut, c.statut);
        EXPECT_EQ(u.date, "17/May/2015");
    }
}

TEST(Lecture, JsonQuiNEstPasUtf8LuOctetPourOctet) {
    // A line that is no UTF-8 is read as Latin-1 and its strings given back as the line's bytes,
    // long runs of ASCII among them or not.
    std::mt19937 alea(11);
    LecteurLignes lecteur(FormatJournal::propose(TypeFormat::Json));
    for (int essai = 0; essai < 500; ++essai) {
        std::string chemin = "/";
        for (std::size_t n = alea() % 200; n > 0; --n) {
            chemin.push_back(
                static_cast<char>(alea() % 6 == 0 ? 0x80 + alea() % 0x80 : 'a' + alea() % 26));
        }
        const std::string ligne =
            "{\"time_local\":\"17/May/2015:10:05:03 +0000\",\"request\":\"GET " + chemin +
            " HTTP/1.1\",\"status\":200}";
        const Lu u = lire(lecteur, ligne);
        ASSERT_EQ(u.lecture, Lecture::Requete) << u.raison;
        ASSERT_EQ(u.requete, "GET " + chemin + " HTTP/1.1");
    }
}

TEST(Lecture, LesTextesGardesSurviventALaLigneSuivante) {
    // Dates unescaped or converted and requests joined stay right after the next line is read.
    const FormatJournal f = FormatJournal::json(lireCorrespondanceJson(
        "temps=t;requete=r;methode=m;uri=u;methode=q.m;uri=q.u;protocole=p;statut=s"));
    const std::string kCas[][2] = {
        {R"({"t":"18\/May\/2015:23:59:59 -0700","r":"GET /\u00e9 HTTP/1.1","s":200})",
         "18/May/2015 23:59:59 -0700|GET /\xC3\xA9 HTTP/1.1|/\xC3\xA9"},
        {R"({"t":"2015-05-19T00:00:00.5+02:00","m":"POST","u":"/f?x=1","p":"HTTP/2.0","s":201})",
         "19/May/2015 00:00:00 +0200|POST /f?x=1 HTTP/2.0|/f?x=1"},
        {R"({"t":1431857103.52,"q":{"m":"GET","u":"/h/i.png"},"p":"HTTP/1.1","s":304})",
         "17/May/2015 10:05:03 +0000|GET /h/i.png HTTP/1.1|/h/i.png"},
    };
    for (const bool partage : {false, true}) {
        MagasinTextes magasin;
        LecteurLignes lecteur(f);
        RLog r, suivant;
        ChampsEnPlus plus;
        for (std::size_t k = 0; k < 6; ++k) {
            ASSERT_EQ(lireStable(lecteur, magasin, kCas[k % 3][0], k, r, plus, nullptr, partage),
                      Lecture::Requete);
            lireStable(lecteur, magasin, kCas[(k + 1) % 3][0], k, suivant, plus, nullptr);
            EXPECT_EQ(std::string(r.date) + ' ' + std::string(r.heure) + ' ' +
                          std::string(r.fuseau) + '|' + std::string(r.requete) + '|' +
                          std::string(r.fichierCharge),
                      kCas[k % 3][1]);
        }
        // A converted time is no new text in the store.
        for (int s = 0; s < 3000; ++s) {
            lireStable(lecteur, magasin,
                       R"({"t":)" + std::to_string(1431820800 + 28 * s) +
                           ",\"r\":\"GET / HTTP/1.1\",\"s\":200}",
                       0, r, plus, nullptr, partage);
        }
        EXPECT_LT(magasin.taille(), 20u);
    }
}

TEST(Lecture, DeuxLecteursSurDeuxFilsLisentCommeUnSeul) {
    // A W3C journal whose columns change every 300 lines, read in two halves at once, each by
    // its own reader, as the first pass does; then line by line alone.
    std::vector<std::string> lignes;
    for (int i = 0; i < 4000; ++i) {
        if (i % 300 == 0) {
            lignes.push_back(i % 600 == 0
                                 ? "#Fields: date time c-ip cs-method cs-uri-stem sc-status"
                                 : "#Fields: sc-status cs-uri-stem cs-method c-ip time date");
        }
        const std::string n = std::to_string(i);
        const std::string heure =
            "10:" + std::string(i % 60 < 10 ? "0" : "") + std::to_string(i % 60) + ":00";
        lignes.push_back(i / 300 % 2 == 0
                             ? "2015-05-17 " + heure + " 10.0.0." + std::to_string(i % 250) +
                                   " GET /p" + n + " 200"
                             : "200 /p" + n + " GET 10.0.0." + std::to_string(i % 250) + " " +
                                   heure + " 2015-05-17");
    }
    const FormatJournal f = FormatJournal::propose(TypeFormat::W3C);
    const auto directives = DirectivesW3C::indexer(
        lignes.size(), [&](std::size_t i) { return std::string_view(lignes[i]); });
    std::vector<std::string> enOrdre(lignes.size()), moities(lignes.size());
    {
        LecteurLignes lecteur(f);
        for (std::size_t i = 0; i < lignes.size(); ++i) {
            RLog r;
            if (lecteur.lire(lignes[i], i, r) == Lecture::Requete) enOrdre[i] = detailLog(r);
        }
    }
    const auto lireDe = [&](std::size_t debut, std::size_t fin) {
        LecteurLignes lecteur(f, directives);
        for (std::size_t i = debut; i < fin; ++i) {
            RLog r;
            if (lecteur.lire(lignes[i], i, r) == Lecture::Requete) moities[i] = detailLog(r);
        }
    };
    std::thread second(lireDe, lignes.size() / 2, lignes.size());
    lireDe(0, lignes.size() / 2);
    second.join();
    std::size_t requetes = 0;
    for (std::size_t i = 0; i < lignes.size(); ++i) {
        EXPECT_EQ(moities[i], enOrdre[i]) << i;
        requetes += !enOrdre[i].empty();
    }
    EXPECT_EQ(requetes, 4000u);
}
