// The test cases the catalogue's authors publish for its version: family and major version of
// the browser (test_ua.yaml) and of the system (test_os.yaml) for each agent. Skipped when the
// shared folder is absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/catalogue/CatalogueAgents.h"
#include "tests/core/catalogue/CasPublies.h"

namespace kestrane {
namespace {

// The share of cases given as expected, in percent; prints it with the first failures.
template <typename Lire>
double verifier(const char* fichier, Lire lire) {
    const std::vector<CasPublie> cas =
        lireCasPublies(std::string(KESTRANE_CAS_UAP) + "/" + fichier);
    if (cas.empty()) return -1;
    std::size_t bons = 0, montres = 0;
    for (const CasPublie& c : cas) {
        const Designation d = lire(c.agent);
        if (d.famille == c.famille && d.majeure == c.majeure) {
            ++bons;
        } else if (++montres <= 10) {
            std::printf("  %s: expected \"%s\" \"%s\", got \"%s\" \"%s\"\n", c.agent.c_str(),
                        c.famille.c_str(), c.majeure.c_str(), d.famille.c_str(), d.majeure.c_str());
        }
    }
    const double part = 100.0 * static_cast<double>(bons) / static_cast<double>(cas.size());
    std::printf("%s: %zu of %zu cases (%.2f %%) give the expected family and major version\n",
                fichier, bons, cas.size(), part);
    return part;
}

TEST(CasPublies, NavigateursDeTestUa) {
    const double part = verifier("test_ua.yaml", [](const std::string& agent) {
        return CatalogueAgents::partage().classerNavigateur(agent);
    });
    if (part < 0) GTEST_SKIP() << "no " << KESTRANE_CAS_UAP << "/test_ua.yaml";
    EXPECT_GE(part, 99.0);
}

TEST(CasPublies, SystemesDeTestOs) {
    const double part = verifier("test_os.yaml", [](const std::string& agent) {
        return CatalogueAgents::partage().classerSysteme(agent);
    });
    if (part < 0) GTEST_SKIP() << "no " << KESTRANE_CAS_UAP << "/test_os.yaml";
    EXPECT_GE(part, 99.0);
}

}  // namespace
}  // namespace kestrane
