// The cells of the CSV tables as a spreadsheet reads them: a blank at either end would be trimmed
// from an unquoted cell, a separator, quote or line break would split it; those cells are quoted,
// the others written as they are.
#include <gtest/gtest.h>

#include <string>

#include "core/export/Export.h"

using namespace kestrane;

TEST(CellulesCsv, GuillemetsQuandLaCelluleLesDemande) {
    const struct {
        std::string entree, attendu;
    } cas[] = {
        {"fin ", "\"fin \""},  // a trailing blank alone
        {" debut", "\" debut\""},
        {" ", "\" \""},
        {"au milieu", "au milieu"},
        {"a;b", "\"a;b\""},
        {"dit \"oui\"", "\"dit \"\"oui\"\"\""},
        {"l1\nl2", "\"l1\nl2\""},
        {"l1\rl2", "\"l1\rl2\""},
        {"tab\tulation", "tab\tulation"},
        {"", ""},
    };
    for (const auto& c : cas) EXPECT_EQ(celluleCsv(c.entree), c.attendu) << "[" << c.entree << "]";
}

// Through the table's writer: a referrer ending with a blank keeps it in its quoted cell.
TEST(CellulesCsv, BlancFinalDansUneTable) {
    TableExportee t;
    t.entetes = {"Page de provenance", "Occurences"};
    t.numeriques = {false, true};
    t.lignes = {{"http://exemple.fr/ ", "3"}, {"-", "1"}};
    std::string s;
    produireCsv(t, [&](std::string_view morceau) { s += morceau; });
    EXPECT_EQ(s,
              "\xEF\xBB\xBFPage de provenance;Occurences\r\n\"http://exemple.fr/ \";3\r\n-;1\r\n");
}
