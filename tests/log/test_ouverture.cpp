// Compressed and rotated logs: gzip files known by their first bytes, several files joined oldest
// first into one journal.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "log/Assemblage.h"
#include "log/Erreur.h"
#include "log/Gzip.h"
#include "log/Journal.h"
#include "log/Memoire.h"
#include "tests/log/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

// One gzip member of `texte`, as gzip writes it.
std::string gzip(std::string_view texte) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string sortie(deflateBound(&z, texte.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(texte.data()));
    z.avail_in = static_cast<uInt>(texte.size());
    z.next_out = reinterpret_cast<Bytef*>(sortie.data());
    z.avail_out = static_cast<uInt>(sortie.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    sortie.resize(z.total_out);
    deflateEnd(&z);
    return sortie;
}

const std::string kTexte =
    "::1 - - [06/Dec/2006:10:15:32 +0100] \"GET / HTTP/1.1\" 200 12\r\n"
    "2001:db8::1 - - [06/Dec/2006:10:15:33 +0100] \"GET /a HTTP/1.1\" 404 -\n";

std::string avecOctet(std::string s, std::size_t position, char octet) {
    s[position] = octet;
    return s;
}

class Ouverture : public testing::Test {
  protected:
    void SetUp() override {
        std::string modele =
            (std::filesystem::temp_directory_path() / "kestrane-gz-XXXXXX").string();
        ASSERT_NE(mkdtemp(modele.data()), nullptr);
        dossier_ = modele;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dossier_, ec);
    }
    std::string ecrire(const std::string& nom, std::string_view octets) {
        const std::string chemin = (dossier_ / nom).string();
        std::ofstream f(chemin, std::ios::binary);
        f.write(octets.data(), static_cast<std::streamsize>(octets.size()));
        return chemin;
    }
    std::filesystem::path dossier_;
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
        {"::1 - - [01/Jan/1970:01:00:00 +0100] \"GET / HTTP/1.1\" 200 1", 0},
        {"host.example.org - - [31/Dec/1969:23:30:00 -0030] \"GET /\" 200 1", 0},
        {"www.exemple.fr 203.0.113.9 - - [29/Feb/2024:12:00:00 +0000] \"GET /\" 200 5",
         date(19782, 12 * 3600)},
        // An address in brackets before the date does not hide it.
        {"[2001:db8::2] - - [02/Jan/1970:00:00:00 +0000] \"GET /\" 200 1", date(1, 0)},
        {"1.2.3.4 - - [02/Jan/1970:00:00:00]", date(1, 0)},
        {"1.2.3.4 - - [02/Jan/1970:00:00", std::nullopt},
        {"1.2.3.4 - - [02/Jab/1970:00:00:00 +0000]", std::nullopt},
        {"1.2.3.4 - - [32/Jan/1970:00:00:00 +0000]", std::nullopt},
        {"1.2.3.4 - - [02/Jan/1970:24:00:00 +0000]", std::nullopt},
        {"\x7f\x45LF\x02\x01\x01\0\0[\xff\xfe", std::nullopt},
        {"", std::nullopt},
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
        {{10, 20, 30}, {0, 1, 2}},
        {{20, 10, 20}, {1, 0, 2}},    // equal dates keep the order given
        {{30, rien, 10}, {2, 0, 1}},  // no date: stays after the file given before it
        {{rien, 30, 10}, {0, 2, 1}},  // no date, given first: first
        {{30, rien, rien, 10}, {3, 0, 1, 2}},
        {{rien, rien}, {0, 1}},
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

// Rotated logs, plain and compressed, named in either order: one journal, oldest first; a file
// that cannot be read stops the load with its own name.
TEST_F(Ouverture, FichiersTournesDansLesDeuxOrdres) {
    const std::string l2 = "h.example - - [01/Jan/2024:00:00:00 +0000] \"GET /2\" 200 1\n";
    const std::string l1 = "::1 - - [02/Jan/2024:00:00:00 +0000] \"GET /1\" 200 1";
    const std::string l0 = "10.0.0.1 - - [03/Jan/2024:00:00:00 +0000] \"GET /0\" 200 1\n";
    const std::string c2 = ecrire("access.log.2.gz", gzip(l2));
    const std::string c1 = ecrire("access.log.1", l1);
    const std::string c0 = ecrire("access.log", l0);
    const std::string attendu = l2 + l1 + "\n" + l0;
    for (const auto& [chemins, ordre] :
         std::vector<std::pair<std::vector<std::string>, std::vector<std::size_t>>>{
             {{c2, c1, c0}, {0, 1, 2}}, {{c0, c1, c2}, {2, 1, 0}}, {{c1, c0, c2}, {2, 0, 1}}}) {
        const JournauxCharges r = chargerJournaux(chemins);
        EXPECT_EQ(r.journal.octets(), attendu);
        EXPECT_EQ(r.journal.nbLignes(), 3u);
        EXPECT_EQ(r.ordre, ordre);
    }
    const std::string absent = (dossier_ / "absent.log").string();
    const auto message = erreurDe([&] { chargerJournaux({c2, absent, c0}); });
    ASSERT_TRUE(message);
    EXPECT_EQ(message->rfind(cat("Impossible d'ouvrir le fichier \"", absent, "\". "), 0), 0u);
}

TEST(Memoire, AgrandirGardeLesOctets) {
    for (const std::size_t debut : {std::size_t{0}, std::size_t{100}, std::size_t{3} << 20}) {
        for (const std::size_t fin : {std::size_t{1000}, std::size_t{8} << 20}) {
            if (fin <= debut) continue;
            BlocMemoire b(debut);
            for (std::size_t i = 0; i < debut; ++i) b.donnees()[i] = static_cast<char>(i * 7);
            b.agrandir(fin);
            ASSERT_EQ(b.taille(), fin);
            b.donnees()[fin - 1] = 'z';
            for (std::size_t i = 0; i < debut; ++i) {
                ASSERT_EQ(b.donnees()[i], static_cast<char>(i * 7)) << debut << " -> " << fin;
            }
        }
    }
}

}  // namespace
