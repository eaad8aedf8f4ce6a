#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "log/Journal.h"

using namespace kestrane;

namespace {

std::string fichierDeLignes(const std::string& nom, int n) {
    const auto chemin =
        std::filesystem::temp_directory_path() / (nom + "-" + std::to_string(::getpid()) + ".log");
    std::ofstream f(chemin, std::ios::binary);
    for (int k = 0; k < n; ++k) f << "10.0.0." << k % 250 << " - - ligne numero " << k << "\n";
    return chemin.string();
}

}  // namespace

TEST(JournalTronque, UnFichierCoupeParUnAutreProgrammeNeFaitPasTomber) {
    // A log rotated by truncation while it is loaded.
    const std::string chemin = fichierDeLignes("tronque", 3000);
    const Journal j = Journal::charger(chemin);
    ASSERT_EQ(j.nbLignes(), 3000u);
    EXPECT_FALSE(j.tronque());
    ASSERT_EQ(::truncate(chemin.c_str(), 0), 0);

    std::size_t octetsNuls = 0, total = 0;
    for (std::size_t i = 0; i < j.nbLignes(); ++i) {
        for (const char c : j.ligne(i)) octetsNuls += c == '\0';
        total += j.ligne(i).size();
    }
    EXPECT_TRUE(j.tronque());
    EXPECT_EQ(octetsNuls, total);
    std::remove(chemin.c_str());
}

TEST(JournalTronque, UnFichierIntactNEstPasTronque) {
    const std::string chemin = fichierDeLignes("intact", 10);
    {
        const Journal j = Journal::charger(chemin);
        EXPECT_EQ(j.ligne(9), "10.0.0.9 - - ligne numero 9");
        EXPECT_FALSE(j.tronque());
    }
    // Zones are released with their journals: many loads in a row stay guarded.
    for (int k = 0; k < 200; ++k) {
        const Journal j = Journal::charger(chemin);
        EXPECT_FALSE(j.tronque());
    }
    std::remove(chemin.c_str());
}
