// The loaded journal is the program's own copy: what happens to the file afterwards (a log
// rotated by copy-then-truncate, rewritten, deleted) changes nothing in it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/journal/FichierAtomique.h"
#include "core/journal/Journal.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

std::string fichierDeLignes(const std::string& nom, int n) {
    const auto chemin =
        std::filesystem::temp_directory_path() / (nom + "-" + std::to_string(::getpid()) + ".log");
    std::ofstream f(chemin, std::ios::binary);
    for (int k = 0; k < n; ++k) f << "10.0.0." << k % 250 << " - - ligne numero " << k << "\n";
    return chemin.string();
}

}  // namespace

TEST(JournalIndependant, CeQuiArriveAuFichierNeChangeRienAuJournal) {
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> cas = {
        {"truncated", [](const std::string& c) { ASSERT_EQ(::truncate(c.c_str(), 0), 0); }},
        {"cut in the middle",
         [](const std::string& c) { ASSERT_EQ(::truncate(c.c_str(), 1000), 0); }},
        {"rewritten",
         [](const std::string& c) { std::ofstream(c, std::ios::binary) << "autre\n"; }},
        {"deleted", [](const std::string& c) { std::remove(c.c_str()); }},
    };
    // Small and large files (the large one read by two threads).
    for (const int n : {3000, 2'000'000}) {
        for (const auto& [quoi, changer] : cas) {
            SCOPED_TRACE(testing::Message() << n << " lines, file " << quoi);
            const std::string chemin = fichierDeLignes("independant", n);
            const std::string avant = lireFichier(chemin);
            const Journal j = Journal::charger(chemin);
            ASSERT_EQ(j.nbLignes(), static_cast<std::size_t>(n));
            changer(chemin);
            EXPECT_EQ(j.ligne(0), "10.0.0.0 - - ligne numero 0");
            EXPECT_EQ(j.ligne(j.nbLignes() - 1), "10.0.0." + std::to_string((n - 1) % 250) +
                                                     " - - ligne numero " + std::to_string(n - 1));
            EXPECT_EQ(j.octets(), avant);
            // A save writes what was loaded.
            const std::string copie = chemin + ".copie";
            ecrireFichierAtomique(copie, [&](const Ecrivain& e) { j.ecrireCRLF(e); });
            std::string attendu;
            for (std::size_t i = 0; i < j.nbLignes(); ++i) {
                attendu.append(j.ligne(i)).append("\r\n");
            }
            EXPECT_EQ(lireFichier(copie), attendu);
            std::remove(copie.c_str());
            std::remove(chemin.c_str());
        }
    }
}
