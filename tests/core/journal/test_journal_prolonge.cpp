// A journal prolonged piece by piece is the journal of the bytes joined, whatever the cuts (in a
// line, between a CR and its LF, after a last line without its break), and every journal made on
// the way still shows what it showed, byte for byte, at the same addresses.
#include <gtest/gtest.h>

#include <random>

#include "core/journal/Journal.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;

namespace {

// Its lines, the breaks as read, and whether it ends with one.
std::string decrire(const Journal& j) {
    std::string s = std::to_string(j.nbLignes()) + (j.finitParSautDeLigne() ? "+" : "-") + "|";
    for (std::size_t i = 0; i < j.nbLignes(); ++i) s += std::string(j.ligne(i)) + "|";
    return s + std::to_string(j.octets().size());
}

}  // namespace

TEST(JournalProlonge, EgalAuJournalDesOctetsJoints) {
    std::mt19937 aleatoire(3);
    const char* const fins[] = {"\n", "\r\n", "\r", "\n\n"};
    for (int essai = 0; essai < 60; ++essai) {
        std::string texte;
        for (int k = 0; k < 40; ++k) {
            texte += "ligne " + std::to_string(k) + std::string(aleatoire() % 30, 'x');
            texte += fins[aleatoire() % 4];
        }
        if (essai % 3 == 0) texte += "sans saut";
        // The first piece loaded from a file or given as text, the others appended.
        std::size_t cut = aleatoire() % texte.size();
        Journal j = essai % 2 ? Journal::depuisTexte(texte.substr(0, cut))
                              : Journal::depuisTexte(texte.substr(0, cut)).prolonger("");
        std::vector<std::pair<Journal, std::string>> etapes{{j, decrire(j)}};
        const char* adresse = j.octets().data();
        while (cut < texte.size()) {
            const std::size_t n = std::min<std::size_t>(texte.size() - cut, aleatoire() % 120);
            j = j.prolonger(std::string_view(texte).substr(cut, n));
            cut += n;
            etapes.emplace_back(j, decrire(j));
        }
        ASSERT_EQ(decrire(j), decrire(Journal::depuisTexte(texte))) << essai;
        // Nothing seen earlier moved or changed.
        for (const auto& [journal, description] : etapes) EXPECT_EQ(decrire(journal), description);
        // Prolonged in place from the first reserve on: no byte moved.
        EXPECT_EQ(j.octets().data(), essai % 2 ? etapes[1].first.octets().data() : adresse);
    }
}

TEST(JournalProlonge, DeuxSuitesDUnMemeJournal) {
    // Two journals prolonged from one: the second does not write over the first's bytes.
    const Journal base = Journal::depuisTexte("a\n").prolonger("b\n");
    const Journal x = base.prolonger("x\n"), y = base.prolonger("yy\n");
    EXPECT_EQ(decrire(x), "3+|a|b|x|6");
    EXPECT_EQ(decrire(y), "3+|a|b|yy|7");
    EXPECT_EQ(decrire(x.prolonger("z\n")), "4+|a|b|x|z|8");
    // A lone CR then an LF: one CR LF break in the bytes joined.
    EXPECT_EQ(decrire(Journal::depuisTexte("a\r").prolonger("\nb\n")), "2+|a|b|5");
}
