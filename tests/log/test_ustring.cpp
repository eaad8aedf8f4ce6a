#include <gtest/gtest.h>

#include "log/Erreur.h"
#include "log/UString.h"

using namespace kestrane;

TEST(ExtraireChamp, CoupeAvantLeSeparateurEtLeRetire) {
    std::string_view reste = "abc def";
    EXPECT_EQ(extraireChamp(" ", reste), "abc");
    EXPECT_EQ(reste, "def");
    EXPECT_EQ(extraireChamp(" ", reste), "def");
    EXPECT_EQ(reste, "");
    EXPECT_EQ(extraireChamp(" ", reste), "-");
}
