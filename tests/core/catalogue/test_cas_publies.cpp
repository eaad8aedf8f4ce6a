// The test cases the catalogue's authors publish for its version: family and major version of
// the browser (test_ua.yaml) and of the system (test_os.yaml) for each agent. Skipped when the
// shared folder is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/catalogue/CatalogueAgents.h"
#include "core/catalogue/Groupes.h"
#include "core/catalogue/ListeExpressions.h"
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

// The user agents of a combined log: the last quoted field of each line.
void agentsDuJournal(const std::string& chemin, std::vector<std::string>& agents) {
    std::ifstream journal(chemin);
    std::string ligne;
    while (std::getline(journal, ligne)) {
        const std::size_t fin = ligne.rfind('"');
        const std::size_t debut =
            fin == std::string::npos || fin == 0 ? fin : ligne.rfind('"', fin - 1);
        if (debut != std::string::npos) agents.push_back(ligne.substr(debut + 1, fin - debut - 1));
    }
}

// The texts each entry needs only spare it the agents it cannot match: with them, every list
// gives the same first entry and the same groups as when every expression runs, on every agent
// of the published cases and of the samples, and on agents whose needed texts sit at an end,
// change case or are cut.
TEST(CasPublies, FiltreDesTextesNecessairesSansEffetSurLesNoms) {
    std::vector<std::string> agents = {
        "",
        "-",
        "Go",
        "bot",
        "Googlebot",
        "GOOGLEBOT/2.1",
        "googlebot/2.1",
        "Googlebo",
        "WIRE/1.0",
        "Wotbox/2",
        "ire",
        "Mozilla/5.0 Firefox/37.0",
        "FIREFOX/37.0",
        "Mozilla/5.0 (Linux; Android 4.4; SM-G900F) Chrome/33.0 Mobile Safari/537.36",
        "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
        "Mozilla/5.0 (compatible; YandexBot/3.0)",
        "Mozilla/5.0 (iPhone; CPU iPhone OS 8_1)",
        "Dalvik/2.1.0 (Linux; U; Android 9; SPIDER Build/PPR1)",
        "CFNetwork",
        "x CFNetwork/1"};
    for (const char* fichier : {"test_ua.yaml", "test_os.yaml"})
        for (const CasPublie& c : lireCasPublies(std::string(KESTRANE_CAS_UAP) + "/" + fichier))
            agents.push_back(c.agent);
    agentsDuJournal(KESTRANE_ACCES_5000, agents);
    agentsDuJournal(std::string(KESTRANE_ECHANTILLONS) + "/apache-combined-10k.log", agents);
    std::sort(agents.begin(), agents.end());
    agents.erase(std::unique(agents.begin(), agents.end()), agents.end());
    using catalogue::ListeExpressions;
    const struct {
        std::span<const catalogue::ModeleUap> modeles;
        const catalogue::FiltreUap& filtre;
    } listes[] = {{catalogue::kModelesNavigateurs, catalogue::kFiltreNavigateurs},
                  {catalogue::kModelesSystemes, catalogue::kFiltreSystemes},
                  {catalogue::kModelesAppareils, catalogue::kFiltreAppareils}};
    std::size_t ecarts = 0;
    for (const auto& l : listes) {
        const ListeExpressions filtree(l.modeles, true, &l.filtre), entiere(l.modeles);
        for (const std::string& agent : agents) {
            catalogue::Groupes g1, g2;
            const catalogue::ModeleUap* m1 = filtree.premier(agent, g1);
            const catalogue::ModeleUap* m2 = entiere.premier(agent, g2);
            if ((m1 != m2 || g1 != g2) && ++ecarts <= 10) ADD_FAILURE() << agent;
            // A robot is told from the device entries that can name one: the same answer.
            if (l.modeles.data() == catalogue::kModelesAppareils.data() &&
                CatalogueAgents::partage().estRobot(agent) != catalogue::designeRobot(m2, g2) &&
                ++ecarts <= 10)
                ADD_FAILURE() << "robot: " << agent;
        }
    }
    EXPECT_EQ(ecarts, 0u) << "of " << agents.size() << " agents";
}

}  // namespace
}  // namespace kestrane
