// The reading of a filter (Filtre.h): every error with its position and reason, the terms and
// groups, CIDR edges and IPv4-mapped IPv6, patterns and case, the terms of the tables' entries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/analyse/Filtre.h"
#include "core/analyse/Lisibles.h"

namespace kestrane {
namespace {

// --- The reading: every error names its place (1-based, in characters).

TEST(Filtre, ChaqueErreurDitSaPositionEtSaRaison) {
    struct Erreur {
        const char* expression;
        std::size_t position;
        const char* raison;  // after "Filtre incorrect en position N : "; null: not checked
    };
    const Erreur erreurs[] = {
        {"foo:1", 1, "champ inconnu \xAB foo \xBB"},
        {"robot foo", 7, "champ inconnu \xAB foo \xBB"},
        {"-robot chemin:", 15, "valeur manquante apr\xE8s \xAB chemin: \xBB"},
        {"chemin", 7, "valeur manquante apr\xE8s \xAB chemin \xBB"},
        {"statut:4x", 8, "statut incorrect (attendu : 404 ou 4xx) \xAB 4x \xBB"},
        {"statut:abc", 8, "statut incorrect (attendu : 404 ou 4xx) \xAB abc \xBB"},
        {"ip:1.2.3.4/33", 4,
         "adresse ou pr\xE9"
         "fixe incorrect \xAB 1.2.3.4/33 \xBB"},
        {"ip:2001:db8::/129", 4,
         "adresse ou pr\xE9"
         "fixe incorrect \xAB 2001:db8::/129 \xBB"},
        {"ip:1.2.3.999", 4,
         "adresse ou pr\xE9"
         "fixe incorrect \xAB 1.2.3.999 \xBB"},
        {"jour:2023-02-30", 6,
         "jour incorrect (attendu : AAAA-MM-JJ ou "
         "AAAA-MM-JJ..AAAA-MM-JJ) \xAB 2023-02-30 \xBB"},
        {"jour:2023-02-03..2023-02-01", 6, nullptr},
        {"heure:24", 7,
         "heure incorrecte (attendu : 0 \xE0 23, ou 8..12) "
         "\xAB 24 \xBB"},
        {"chemin:\"/a b", 8, "guillemet non ferm\xE9"},
        {"(robot", 1,
         "parenth\xE8se non ferm\xE9"
         "e"},
        {"robot)", 6, "parenth\xE8se fermante en trop"},
        {"()", 2, "terme attendu \xAB ) \xBB"},
        {"robot ou", 7, "terme attendu apr\xE8s \xAB ou \xBB"},
        {"ou robot", 1, "terme attendu \xAB ou \xBB"},
        {"robot | | statique", 9, "terme attendu apr\xE8s \xAB | \xBB"},
        {"- robot", 1, "terme attendu apr\xE8s \xAB - \xBB"},
        {"statique:oui", 1, "terme sans valeur \xAB statique: \xBB"},
        {"\"robot\"", 1, "champ inconnu \xAB \" \xBB"},
        // Characters, not bytes: "é" is one.
        {"chemin:/\xC3\xA9t\xC3\xA9 zut", 13, "champ inconnu \xAB zut \xBB"},
    };
    for (const Erreur& e : erreurs) {
        SCOPED_TRACE(e.expression);
        try {
            Filtre::lire(e.expression);
            ADD_FAILURE() << "pas d'erreur";
        } catch (const ErreurFiltre& f) {
            EXPECT_EQ(f.position(), e.position);
            if (e.raison) {
                EXPECT_EQ(f.message(), "Filtre incorrect en position " +
                                           std::to_string(e.position) + " : " + e.raison);
            }
        }
    }
}

TEST(Filtre, LectureDesTermesEtDesGroupes) {
    const Filtre f = Filtre::lire("  -robot  (statut:2xx ou statut:304)  chemin:\"/a b\"  ");
    EXPECT_FALSE(f.vide());
    EXPECT_EQ(f.termes(), (std::vector<std::string>{"-robot", "(statut:2xx ou statut:304)",
                                                    "chemin:\"/a b\""}));
    EXPECT_EQ(Filtre::lire("robot ou statique").termes(),
              (std::vector<std::string>{"robot ou statique"}));
    EXPECT_TRUE(Filtre::lire("").vide());
    EXPECT_TRUE(Filtre::lire(" \t").vide());
    EXPECT_TRUE(Filtre::lire("pays:FR").demandePays());
    EXPECT_FALSE(Filtre::lire("-robot").demandePays());
    const Filtre tous = Filtre::tous({"robot ou statique", "", "-ip:10.0.0.0/8"});
    EXPECT_EQ(tous.texte(), "(robot ou statique) -ip:10.0.0.0/8");
    // Field names in any case, with their accents.
    EXPECT_NO_THROW(
        Filtre::lire("M\xC3\xA9thode:GET Syst\xC3\xA8me:Linux h\xC3\xB4te:a OU HEURE:3"));
}

// --- Addresses: prefixes, their edges and IPv4-mapped IPv6.

RLog client(const char* texte) {
    RLog r;
    const std::string ligne = std::string(texte) +
                              " - - [01/Jan/2024:10:00:00 +0100] \"GET /x HTTP/1.1\" 200 1 \"-\" "
                              "\"curl/8\"";
    static std::vector<std::string> lignes;  // the record's views point into it
    lignes.push_back(ligne);
    std::string_view fautif;
    EXPECT_TRUE(analyserLigneSouple(lignes.back(), r, fautif, CoupeAgent::agentEntier)) << texte;
    return r;
}

TEST(Filtre, BordsDesPrefixesCidr) {
    struct Cas {
        const char* terme;
        const char* adresse;
        bool garde;
    };
    const Cas cas[] = {
        {"ip:0.0.0.0/0", "1.2.3.4", true},
        {"ip:0.0.0.0/0", "2001:db8::1", true},
        {"ip:::/0", "255.255.255.255", true},
        {"ip:0.0.0.0/0", "hote.exemple", false},
        {"ip:1.2.3.4/32", "1.2.3.4", true},
        {"ip:1.2.3.4/32", "1.2.3.5", false},
        {"ip:1.2.3.4", "::ffff:1.2.3.4", true},
        {"ip:::ffff:1.2.3.4", "1.2.3.4", true},
        {"ip:::ffff:1.2.0.0/112", "1.2.200.1", true},
        {"ip:1.2.0.0/16", "::ffff:1.2.9.9", true},
        {"ip:1.2.0.0/16", "::1.2.9.9", false},
        {"ip:1.2.0.0/16", "1.3.0.0", false},
        {"ip:1.2.3.128/25", "1.2.3.127", false},
        {"ip:1.2.3.128/25", "1.2.3.255", true},
        {"ip:2001:db8::1/128", "2001:DB8:0:0::1", true},
        {"ip:2001:db8::1/128", "2001:db8::2", false},
        {"ip:2001:db8::/32", "2001:db9::1", false},
        {"ip:2001:db8::/31", "2001:db9::1", true},
        {"ip:2001:db8::/33", "2001:db8:8000::1", false},
        {"ip:hote.exemple", "hote.exemple", true},
        {"ip:hote.exemple", "HOTE.exemple", false},
        {"-ip:10.0.0.0/8", "10.255.255.255", false},
        {"-ip:10.0.0.0/8", "11.0.0.0", true},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(Filtre::lire(c.terme).garde(client(c.adresse), nullptr), c.garde)
            << c.terme << " " << c.adresse;
    }
}

TEST(Filtre, MotifsContenusEtCasse) {
    const RLog r = client("1.2.3.4");
    const auto garde = [&](const char* e) { return Filtre::lire(e).garde(r, nullptr); };
    EXPECT_TRUE(garde("chemin:/x"));
    EXPECT_FALSE(garde("chemin:/X"));  // paths keep their case
    EXPECT_TRUE(garde("chemin:*"));
    EXPECT_TRUE(garde("chemin:/*x*"));
    EXPECT_FALSE(garde("chemin:=/*"));
    EXPECT_TRUE(garde("chemin:~x"));
    EXPECT_TRUE(garde("methode:get"));  // the other fields do not
    EXPECT_TRUE(garde("protocole:http/1.1"));
    EXPECT_TRUE(garde("navigateur:curl"));
    EXPECT_TRUE(garde("hote:-"));
    EXPECT_TRUE(garde("jour:2024-01-01 heure:10"));
    EXPECT_FALSE(garde("jour:2024-01-02..2024-12-31"));
    EXPECT_TRUE(garde("-statique statut:200 statut:2xx -statut:404"));
}

// --- The tables' entries into terms that read back and keep exactly those lines.

TEST(Filtre, LesTermesDesEntreesSeRelisent) {
    struct Cas {
        SorteEntree sorte;
        const char* libelle;
        const char* terme;
    };
    const Cas cas[] = {
        {SorteEntree::adresse, "66.249.66.1", "ip:66.249.66.1"},
        {SorteEntree::adresse, "2001:db8::1", "ip:2001:db8::1"},
        {SorteEntree::fichier, "/a b/(c)", "chemin:\"/a b/(c)\""},
        {SorteEntree::fichier, "/wp-*.php", "chemin:=/wp-*.php"},
        {SorteEntree::fichier, "~x", "chemin:=~x"},
        {SorteEntree::provenance, "http://x/\"q\"\\", "provenance:\"http://x/\\\"q\\\"\\\\\""},
        {SorteEntree::provenance, "", "provenance:\"\""},
        {SorteEntree::navigateur, "Chrome 42", "navigateur:\"Chrome 42\""},
        {SorteEntree::statut, "404", "statut:404"},
        {SorteEntree::jour, "17/05/2015", "jour:2015-05-17"},
        {SorteEntree::jour, "2015-05-17", "jour:2015-05-17"},
        {SorteEntree::jour, "31/02/2015", ""},
        {SorteEntree::heure, "08 \xE0 09", "heure:8"},
        {SorteEntree::heure, "08 \xE0 11", "heure:8..10"},
        {SorteEntree::heure, "21h \xE0 24h", "heure:21..23"},
        {SorteEntree::pays, "Royaume-Uni", "pays:Royaume-Uni"},
        {SorteEntree::site, "google.fr", "site:google.fr"},
        {SorteEntree::recherche, "velo rouge", "recherche:\"velo rouge\""},
        {SorteEntree::robot, "Googlebot", "robot:Googlebot"},
        {SorteEntree::hote, "www.exemple.fr", "hote:www.exemple.fr"},
        {SorteEntree::systeme, "Windows", "systeme:Windows"},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(termePourEntree(c.sorte, c.libelle), c.terme) << c.libelle;
        if (*c.terme) {
            EXPECT_EQ(termePourEntree(c.sorte, c.libelle, true), std::string("-") + c.terme);
            EXPECT_NO_THROW(Filtre::lire(termePourEntree(c.sorte, c.libelle, true)));
        }
    }
    // Read back, each term keeps exactly the lines of its entry.
    const std::string chemins[] = {"/a(b)c", "/wp-*.php", "~x", "/a|b", "=y", "/\\\"q\\\""};
    for (const std::string& c : chemins) {
        const std::string ligne = "1.2.3.4 - - [01/Jan/2024:10:00:00 +0100] \"GET " + c +
                                  " HTTP/1.1\" 200 1 \"-\" \"curl/8\"";
        RLog r;
        std::string_view fautif;
        ASSERT_TRUE(analyserLigneSouple(ligne, r, fautif, CoupeAgent::agentEntier)) << c;
        ASSERT_EQ(cheminRequete(r.requete), c);
        EXPECT_TRUE(Filtre::lire(termePourEntree(SorteEntree::fichier, c)).garde(r, nullptr)) << c;
        EXPECT_FALSE(
            Filtre::lire(termePourEntree(SorteEntree::fichier, c, true)).garde(r, nullptr));
        EXPECT_FALSE(
            Filtre::lire(termePourEntree(SorteEntree::fichier, c + "y")).garde(r, nullptr));
    }
}

}  // namespace
}  // namespace kestrane
