// One Windows-1252 table serves the window, which must give back every byte it was given, and the
// report, which must show no control character for the bytes the code page leaves undefined.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/journal/Texte.h"

namespace kestrane {
namespace {

std::string utf8De(char16_t u) {
    std::string s;
    if (u < 0x80) {
        s += static_cast<char>(u);
    } else if (u < 0x800) {
        s += static_cast<char>(0xC0 | (u >> 6));
        s += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (u >> 12));
        s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (u & 0x3F));
    }
    return s;
}

TEST(Table1252, AllerRetourEtRapport) {
    const std::set<int> indefinis = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
    std::set<char16_t> vus;
    for (int o = 0; o < 256; ++o) {
        SCOPED_TRACE(o);
        const char16_t u = kTable1252[o];
        // Each byte its own character, so that Unicode gives it back.
        EXPECT_TRUE(vus.insert(u).second);
        const std::string utf8 = utf8Depuis1252(std::string(1, static_cast<char>(o)));
        if (indefinis.count(o)) {
            EXPECT_EQ(u, o);
            EXPECT_EQ(utf8, "\xEF\xBF\xBD");
        } else {
            EXPECT_FALSE(u >= 0x80 && u <= 0x9F);
            EXPECT_EQ(utf8, utf8De(u));
        }
    }
    EXPECT_EQ(kTable1252[0x80], 0x20AC);
    EXPECT_EQ(kTable1252[0x9F], 0x0178);
    EXPECT_EQ(kTable1252[0xE9], 0x00E9);
}

}  // namespace
}  // namespace kestrane
