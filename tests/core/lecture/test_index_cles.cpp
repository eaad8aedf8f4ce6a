// The text keys of the counts' indexes: long keys copied whole among short ones.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/lecture/IndexCles.h"

namespace kestrane {
namespace {

// Whether `texte` lies within `octets` (pointers of other buffers compared safely).
bool dans(std::string_view texte, const std::string& octets) {
    return std::greater_equal<const char*>()(texte.data(), octets.data()) &&
           std::less_equal<const char*>()(texte.data() + texte.size(),
                                          octets.data() + octets.size());
}

TEST(IndexCles, ClesLonguesEtCourtesMeleesPuisVidees) {
    // Keys past a quarter of a block get memory of their own size, between short ones that keep
    // filling the block; the first key opens the block kept by vider().
    for (const std::vector<std::size_t>& tailles :
         {std::vector<std::size_t>{10, 20000, 70000, 30, 17000, 65536, 5, 40000, 16384},
          std::vector<std::size_t>{52000, 3, 52000, 60000, 7}}) {
        IndexCles<std::string_view> index;
        for (int tour = 0; tour < 3; ++tour) {
            std::vector<std::string> cles;
            for (std::size_t k = 0; k < tailles.size(); ++k) {
                cles.push_back(std::string(tailles[k], static_cast<char>('a' + k)) +
                               std::to_string(tour));
                bool nouveau;
                EXPECT_EQ(index.trouverOuAjouter(cles.back(), nouveau), k);
                EXPECT_TRUE(nouveau);
            }
            for (std::size_t k = 0; k < cles.size(); ++k) {
                EXPECT_EQ(index.cle(k), cles[k]) << tailles[k] << ", round " << tour;
                EXPECT_FALSE(dans(index.cle(k), cles[k]));  // a copy
                EXPECT_EQ(index.trouver(cles[k]), static_cast<int64_t>(k));
            }
            index.vider();
            EXPECT_EQ(index.trouver(cles[0]), -1);
        }
    }
}

}  // namespace
}  // namespace kestrane
