// Agents longer than the catalogue reads are named as their first kOctetsAgentLus bytes: what
// lies after them, a robot's name or every text the entries need, changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/catalogue/CatalogueAgents.h"
#include "tests/core/catalogue/AgentPiege.h"

namespace kestrane {
namespace {

const std::string kChrome =
    "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 "
    "Safari/537.36";
// Makes an agent a robot (the device list's "Spider") wherever it lies, and names it Datanyze.
const std::string kDatanyze = "X11; Datanyze; Linux";

// `debut` padded with blanks to `position` bytes, then `suite`.
std::string aLaPosition(const std::string& debut, std::size_t position, const std::string& suite) {
    return debut + std::string(position - debut.size(), ' ') + suite;
}

struct CasLong {
    const char* nom;
    std::string agent;
    std::string navigateur, systeme;
    bool robot;
};

TEST(AgentsLongs, NommesCommeLeurDebut) {
    const std::string piege = agentPiege();
    ASSERT_GT(piege.size(), 40'000u);
    const std::size_t n = kOctetsAgentLus;
    const std::vector<CasLong> cas = {
        {"Chrome, then other browsers and systems",
         aLaPosition(kChrome, n, " (Windows NT 10.0; Win64; x64) Edg/119.0.2151.97 Firefox/115.0"),
         "Chrome 120", "Linux", false},
        {"a robot after the bytes read", aLaPosition(kChrome, n, kDatanyze), "Chrome 120", "Linux",
         false},
        {"a robot browser after the bytes read",
         aLaPosition(kChrome, n + 1, "(compatible; Googlebot/2.1)"), "Chrome 120", "Linux", false},
        // The last byte read is the robot's last: it counts.
        {"a robot ending on the last byte read",
         aLaPosition(kChrome, n - kDatanyze.size(), kDatanyze) + " Safari", "Datanyze", "Linux",
         true},
        {"a robot cut by the bound", aLaPosition(kChrome, n - 4, kDatanyze), "Chrome 120", "Linux",
         false},
        {"the trap", piege, "", "", false},
    };
    const CatalogueAgents& catalogue = CatalogueAgents::partage();
    for (const CasLong& c : cas) {
        SCOPED_TRACE(c.nom);
        ASSERT_GT(c.agent.size(), kOctetsAgentLus);
        const ClassementAgent entier = catalogue.classer(c.agent);
        const ClassementAgent debut = catalogue.classer(c.agent.substr(0, kOctetsAgentLus));
        EXPECT_EQ(entier.navigateur.nom, debut.navigateur.nom);
        EXPECT_EQ(entier.systeme.nom, debut.systeme.nom);
        EXPECT_EQ(entier.robot, debut.robot);
        EXPECT_EQ(catalogue.estRobot(c.agent), debut.robot);
        if (c.navigateur.empty()) continue;
        EXPECT_EQ(entier.navigateur.nom, c.navigateur);
        EXPECT_EQ(entier.systeme.nom, c.systeme);
        EXPECT_EQ(entier.robot, c.robot);
    }
}

// Agents that differ only after the bytes read are one entry of the cache, classified once.
TEST(AgentsLongs, UneEntreeDuCacheParDebut) {
    CacheAgents cache;
    const std::string debut = aLaPosition(kChrome, kOctetsAgentLus, "");
    const ClassementAgent& premier = cache.classer(debut + kDatanyze);
    const ClassementAgent& second = cache.classer(debut + "Googlebot/2.1");
    EXPECT_EQ(&premier, &second);
    EXPECT_EQ(cache.taille(), 1u);
    EXPECT_EQ(premier.navigateur.nom, "Chrome 120");
    EXPECT_FALSE(premier.robot);
    // Another start: another entry.
    EXPECT_TRUE(cache.classer(debut.substr(kDatanyze.size()) + kDatanyze).robot);
    EXPECT_EQ(cache.taille(), 2u);
}

}  // namespace
}  // namespace kestrane
