// Compressed and rotated logs: gzip files known by their first bytes, several files joined oldest
// first into one journal.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Assemblage.h"
#include "core/journal/Erreur.h"
#include "core/journal/Gzip.h"
#include "core/journal/Journal.h"
#include "tests/commun/Gzip.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

const std::string kTexte =
    "::1 - - [06/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.1\" 200 12\r\n"
    "2001:db8::1 - - [06/Dec/2006:10:15:33 +0100] \"GET /a HTTP/1.1\" 404 -\n";

std::string avecOctet(std::string s, std::size_t position, char octet) {
    s[position] = octet;
    return s;
}

class Ouverture : public testing::Test {
  protected:
    std::string ecrire(const std::string& nom, std::string_view octets) {
        return temporaire_.ecrire(nom, octets);
    }
    const test::DossierTemporaire temporaire_;
    const std::filesystem::path dossier_ = temporaire_.chemin;
};

// Whatever the name, the first two bytes decide; every member is read, zeros may pad the end, and
// anything cut short, altered or added gives an error naming the file, never part of the text.
TEST_F(Ouverture, FichiersGzip) {
    const std::string g = gzip(kTexte);
    const std::string incomplet = "Le fichier gzip est incomplet";
    const std::string corrompu = "Le fichier gzip est corrompu";
    struct Cas {
        const char* nom;
        std::string octets;
        std::optional<std::string> texte;  // or the error's reason
        std::string raison;
    };
    const std::vector<Cas> cas = {
        {"bon.gz", g, kTexte, ""},
        {"sans-extension.log", g, kTexte, ""},
        {"texte.gz", kTexte, kTexte, ""},
        {"vide.gz", gzip(""), std::string(), ""},
        {"zero-octet.gz", "", std::string(), ""},
        {"deux-membres.gz", g + gzip("suite\n"), kTexte + "suite\n", ""},
        {"zeros-a-la-fin.gz", g + std::string(300, '\0'), kTexte, ""},
        {"magique-seule.gz", "\x1f\x8b", std::nullopt, incomplet},
        {"en-tete-coupe.gz", g.substr(0, 6), std::nullopt, incomplet},
        {"coupe-au-milieu.gz", g.substr(0, g.size() / 2), std::nullopt, incomplet},
        {"sans-controle.gz", g.substr(0, g.size() - 8), std::nullopt, incomplet},
        {"longueur-coupee.gz", g.substr(0, g.size() - 1), std::nullopt, incomplet},
        {"methode-inconnue.gz", avecOctet(g, 2, 7), std::nullopt, corrompu},
        {"controle-faux.gz", avecOctet(g, g.size() - 6, static_cast<char>(g[g.size() - 6] ^ 1)),
         std::nullopt, corrompu},
        {"longueur-fausse.gz", avecOctet(g, g.size() - 4, static_cast<char>(g[g.size() - 4] + 1)),
         std::nullopt, corrompu},
        {"debris-apres.gz", g + "debris", std::nullopt, corrompu},
        {"zeros-puis-debris.gz", g + std::string(4, '\0') + "x", std::nullopt, corrompu},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        const std::string chemin = ecrire(c.nom, c.octets);
        if (c.texte) {
            const Journal j = Journal::charger(chemin);
            EXPECT_EQ(j.octets(), *c.texte);
            EXPECT_EQ(j.nbLignes(), compterLignes(*c.texte));
        } else {
            EXPECT_EQ(
                erreurDe([&] { Journal::charger(chemin); }),
                cat("Impossible de d\xE9", "compresser le fichier \"", chemin, "\". ", c.raison));
        }
    }
}

// A text far larger than its last member says (several members) grows the buffer as it goes;
// the progress counts every compressed byte once.
TEST_F(Ouverture, GrandFichierEnPlusieursMembres) {
    std::string grand;
    for (int i = 0; grand.size() < (std::size_t{6} << 20); ++i) {
        grand += "10.0.0." + std::to_string(i % 250) + " - - [01/Jan/2024:00:00:00 +0000] \"GET /" +
                 std::to_string(i) + " HTTP/1.1\" 200 " + std::to_string(i * 7) + "\n";
    }
    const std::string octets = gzip(grand) + gzip("fin\n");
    const std::string chemin = ecrire("grand.log.gz", octets);
    std::atomic<uint64_t> lus{0};
    const Journal j = Journal::charger(chemin, &lus);
    EXPECT_TRUE(j.octets() == grand + "fin\n");
    EXPECT_EQ(j.ligne(j.nbLignes() - 1), "fin");
    EXPECT_EQ(lus.load(), octets.size());
}

TEST(Assemblage, DateDeLaPremiereLigne) {
    const auto date = [](int64_t jours, int64_t secondes) { return jours * 86400 + secondes; };
    const std::vector<std::pair<std::string, std::optional<int64_t>>> cas = {
        {std::string(kExemple), date(13488, 9 * 3600 + 15 * 60 + 32)},
        {"2001:db8::1 - - [01/Jan/1970:00:00:00 +0000] \"GET / HTTP/1.1\" 200 1", 0},
        {"host.example.org - - [31/Dec/1969:23:30:00 -0030] \"GET /\" 200 1", 0},
        {"www.exemple.fr 203.0.113.9 - - [29/Feb/2024:12:00:00 +0000] \"GET /\" 200 5",
         date(19782, 12 * 3600)},
        // An address in brackets before the date does not hide it.
        {"[2001:db8::2] - - [02/Jan/1970:00:00:00 +0000] \"GET /\" 200 1", date(1, 0)},
        {"1.2.3.4 - - [02/Jan/1970:00:00:00]", date(1, 0)},
        {"1.2.3.4 - - [02/Jan/1970:00:00", std::nullopt},
        {"1.2.3.4 - - [02/Jab/1970:00:00:00 +0000]", std::nullopt},
        {"1.2.3.4 - - [32/Jan/1970:00:00:00 +0000]", std::nullopt},
        {"\x7f\x45LF\x02\x01\x01\0\0[\xff\xfe", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [ligne, attendue] : cas) {
        SCOPED_TRACE(ligne);
        EXPECT_EQ(dateDeLigne(ligne), attendue);
    }
}

// Files are ordered by real dates only, as the analysis reads them: a 31 February would put a
// file before or after the others by a day that does not exist. A leap second stays a date.
TEST(Assemblage, DateImpossibleRefusee) {
    const auto date = [](int64_t jours, int64_t secondes) { return jours * 86400 + secondes; };
    const std::vector<std::pair<std::string, std::optional<int64_t>>> cas = {
        {"1.2.3.4 - - [31/Feb/2020:10:00:00 +0000] \"GET /\" 200 1", std::nullopt},
        {"1.2.3.4 - - [31/Apr/2020:10:00:00 +0000] \"GET /\" 200 1", std::nullopt},
        {"1.2.3.4 - - [29/Feb/2023:10:00:00 +0000] \"GET /\" 200 1", std::nullopt},
        {"1.2.3.4 - - [00/Mar/2020:10:00:00 +0000] \"GET /\" 200 1", std::nullopt},
        // The next bracket that opens a real date dates the line.
        {"[31/Feb/2020:00:00:00 +0000] [01/Mar/2020:00:00:00 +0000]", date(18322, 0)},
        {"1.2.3.4 - - [31/Dec/2016:23:59:60 +0000] \"GET /\" 200 1", date(17166, 86400)},
        {"1.2.3.4 - - [31/Dec/2016:23:59:61 +0000] \"GET /\" 200 1", std::nullopt},
    };
    for (const auto& [ligne, attendue] : cas) {
        SCOPED_TRACE(ligne);
        EXPECT_EQ(dateDeLigne(ligne), attendue);
    }
}

TEST(Assemblage, OrdreChronologique) {
    using D = std::optional<int64_t>;
    const D rien;
    const std::vector<std::pair<std::vector<D>, std::vector<std::size_t>>> cas = {
        {{30, 20, 10}, {2, 1, 0}},
        {{20, 10, 20}, {1, 0, 2}},    // equal dates keep the order given
        {{30, rien, 10}, {2, 0, 1}},  // no date: stays after the file given before it
        {{rien, 30, 10}, {0, 2, 1}},  // no date, given first: first
        {{30, rien, rien, 10}, {3, 0, 1, 2}},
        {{}, {}},
    };
    for (const auto& [dates, attendu] : cas) {
        EXPECT_EQ(ordreChronologique(dates), attendu);
    }
}

// No line glued to the next: a break is added after a file without one, and between a lone CR
// and a leading LF, which would otherwise make one break of two.
TEST(Assemblage, Joindre) {
    struct Cas {
        std::vector<std::string> textes;
        std::string attendu;
        std::size_t lignes;
    };
    const std::vector<Cas> cas = {
        {{"a\n", "b\n"}, "a\nb\n", 2}, {{"a", "b"}, "a\nb", 2},
        {{"a\r\n", "b"}, "a\r\nb", 2}, {{"a\r", "\nb"}, "a\r\n\nb", 3},
        {{"a\r", "b"}, "a\rb", 2},     {{"a", "", "b\n"}, "a\nb\n", 2},
        {{"", "a"}, "a", 1},           {{"", ""}, "", 0},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.attendu);
        std::vector<Journal> journaux;
        std::vector<std::size_t> ordre;
        for (const std::string& t : c.textes) {
            ordre.push_back(journaux.size());
            journaux.push_back(Journal::depuisTexte(t));
        }
        const Journal j = joindreJournaux(journaux, ordre);
        EXPECT_EQ(j.octets(), c.attendu);
        EXPECT_EQ(j.nbLignes(), c.lignes);
    }
}

}  // namespace
