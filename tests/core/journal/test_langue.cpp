// The language of the texts: which one the locale asks, the French left as it is written, the
// English read from the catalogue beside the program (in the core's Windows-1252), and the
// numbers written the language's way.
#include <gtest/gtest.h>

#include <string>

#include "core/journal/Langue.h"
#include "core/journal/Messages.h"
#include "core/journal/Texte.h"

namespace kestrane {
namespace {

// English for the test's length, French again after it whatever happens.
struct EnAnglais {
    EnAnglais() { present = choisirLangue(Langue::anglais); }
    ~EnAnglais() { choisirLangue(Langue::francais); }
    bool present = false;
};

TEST(Langue, LaLocaleChoisitLAnglaisPourEnSeulement) {
    struct Cas {
        const char *lcAll, *lcMessages, *lang;
        Langue attendue;
    };
    const Cas cas[] = {
        {nullptr, nullptr, "en_GB.UTF-8", Langue::anglais},
        {nullptr, nullptr, "en", Langue::anglais},
        {nullptr, nullptr, "en@quot", Langue::anglais},
        {nullptr, nullptr, "fr_FR.UTF-8", Langue::francais},
        {nullptr, nullptr, "de_DE.UTF-8", Langue::francais},
        {nullptr, nullptr, "C.UTF-8", Langue::francais},
        {nullptr, nullptr, "eng", Langue::francais},  // no language named so
        {nullptr, nullptr, nullptr, Langue::francais},
        {"fr_FR.UTF-8", "en_US.UTF-8", "en_GB.UTF-8", Langue::francais},  // LC_ALL first
        {"", "en_US.UTF-8", "fr_FR.UTF-8", Langue::anglais},              // an empty one skipped
        {nullptr, "fr_CA.UTF-8", "en_GB.UTF-8", Langue::francais},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(langueDuSysteme(c.lcAll, c.lcMessages, c.lang), c.attendue)
            << (c.lcAll ? c.lcAll : "-") << ' ' << (c.lcMessages ? c.lcMessages : "-") << ' '
            << (c.lang ? c.lang : "-");
    }
    EXPECT_EQ(langueNommee("en"), Langue::anglais);
    EXPECT_EQ(langueNommee("fr"), Langue::francais);
    EXPECT_FALSE(langueNommee("EN"));
    EXPECT_FALSE(langueNommee(""));
}

TEST(Langue, RemplirPlaceChaqueValeurUneFois) {
    EXPECT_EQ(remplir("{} \xE0 {}", {"08", "09"}), "08 \xE0 09");
    EXPECT_EQ(remplir("{}{}", {"{}", "x"}), "{}x");    // a value is never read as a place
    EXPECT_EQ(remplir("{} et {}", {"a"}), "a et {}");  // a place without a value stays
    EXPECT_EQ(remplir("rien", {"a"}), "rien");
}

TEST(Langue, LAnglaisVientDuCatalogueEtRevientAuFrancais) {
    ASSERT_EQ(langueChoisie(), Langue::francais);
    {
        EnAnglais anglais;
        // The catalogue is built with the programs: its absence is a fault.
        EXPECT_TRUE(anglais.present) << "catalogue anglais absent";
        if (anglais.present) {
            EXPECT_EQ(langueChoisie(), Langue::anglais);
            EXPECT_STREQ(kLigneIncomplete.c_str(), "Incomplete line");
            // Twice the same address: the translation is kept, not made again.
            EXPECT_EQ(kLigneIncomplete.c_str(), kLigneIncomplete.c_str());
            // A translation in Windows-1252 for the core: "µ" one byte.
            EXPECT_EQ(std::string(kNomTempsReponse), "time (\xB5s)");
            // Plurals by the catalogue's rule: 0 is plural in English.
            EXPECT_EQ(noteJournauxEcartes(0), "0 logs named more than once, read once");
            EXPECT_EQ(noteJournauxEcartes(1), "1 log named more than once, read once");
            EXPECT_EQ(texteEnTrop(4, "'x'"), "Extra text at position 5: 'x'");
            EXPECT_EQ(nombreFrancais(1234567), "1,234,567");
            EXPECT_EQ(virguleDecimale(), '.');
            // A text the catalogue does not have stays as it is.
            EXPECT_STREQ(Texte("pas dans le catalogue").c_str(), "pas dans le catalogue");
        }
    }
    // French again, as it is written: its own plural rule (0 singular), its numbers.
    EXPECT_EQ(langueChoisie(), Langue::francais);
    EXPECT_STREQ(kLigneIncomplete.c_str(), kLigneIncomplete.francais());
    EXPECT_STREQ(kLigneIncomplete.c_str(), "Ligne incompl\xE8te");
    for (std::size_t n : {0, 1}) {
        EXPECT_EQ(noteJournauxEcartes(n),
                  std::to_string(n) + " journal nomm\xE9 plusieurs fois, lu une seule fois");
    }
    EXPECT_EQ(noteJournauxEcartes(2), "2 journaux nomm\xE9s plusieurs fois, lus une seule fois");
    EXPECT_EQ(nombreFrancais(-1234567), "-1 234 567");
}

}  // namespace
}  // namespace kestrane
