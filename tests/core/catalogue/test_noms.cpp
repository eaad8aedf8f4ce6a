// How the catalogue names browsers, systems and robots, the cache that classifies each distinct
// agent once, and the memory that several threads share.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/catalogue/CatalogueAgents.h"
#include "core/catalogue/Groupes.h"

namespace kestrane {
namespace {

struct CasNom {
    std::string agent;
    std::string navigateur;
    std::string systeme;
    bool robot;
};

const std::vector<CasNom> kCas = {
    {"Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/42.0.2311.135 Safari/537.36",
     "Chrome 42", "Windows 7", false},
    {"Mozilla/5.0 (X11; Ubuntu; Linux x86_64; rv:37.0) Gecko/20100101 Firefox/37.0", "Firefox 37",
     "Ubuntu", false},
    {"Mozilla/5.0 (iPhone; CPU iPhone OS 8_1 like Mac OS X) AppleWebKit/600.1.4 (KHTML, like "
     "Gecko) Version/8.0 Mobile/12B411 Safari/600.1.4",
     "Mobile Safari 8", "iOS 8", false},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_9_1) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/32.0.1700.77 Safari/537.36",
     "Chrome 32", "Mac OS X 10", false},
    {"Mozilla/5.0 (Linux; U; Android 4.0.3; fr-fr; GT-I9100 Build/IML74K) AppleWebKit/534.30 "
     "(KHTML, like Gecko) Version/4.0 Mobile Safari/534.30",
     "Android 4", "Android 4", false},
    {"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/120.0.0.0 Safari/537.36",
     "Chrome 120", "Linux", false},
    {"Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)", "Googlebot 2",
     "Inconnu", true},
    // A tool is no robot to the catalogue: its device list knows no curl.
    {"curl/7.64.1", "curl 7", "Inconnu", false},
    // A replacement that takes a group: 'Firefox ($1)'; and os_v1_replacement '$1'.
    {"Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.9.2a1pre) Gecko/20090405 "
     "Minefield/3.6a1pre",
     "Firefox (Minefield) 3", "Windows XP", false},
    {"Mozilla/4.0 (compatible; MSIE 5.0; Windows 98)", "IE 5", "Windows 98", false},
    // Nothing the catalogue knows, and the empty agent of a log ("-").
    {"kestrane-essai", "Inconnu", "Inconnu", false},
    {"-", "Inconnu", "Inconnu", false},
    {"", "Inconnu", "Inconnu", false},
    // A name of the catalogue in UTF-8 stays so; a piece of the agent copied into the name keeps
    // the agent's bytes (here Windows-1252, which a UTF mode would refuse).
    {"Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/63.0.3239.132 Safari/537.36 SznProhlizec/4.3.0-251281",
     "Seznam prohl\xC3\xAD\xC5\xBE"
     "e\xC4\x8D 4",
     "Windows 10", false},
    {"Caf\xE9 cr\xE8me/12 CFNetwork/978.0.7 Darwin/18.5.0", "Caf\xE9 cr\xE8me 12", "iOS 12", false},
};

TEST(NomsCatalogue, NavigateurSystemeEtRobotDesAgents) {
    const CatalogueAgents& catalogue = CatalogueAgents::partage();
    for (const CasNom& c : kCas) {
        SCOPED_TRACE(c.agent);
        const ClassementAgent r = catalogue.classer(c.agent);
        EXPECT_EQ(r.navigateur.nom, c.navigateur);
        EXPECT_EQ(r.systeme.nom, c.systeme);
        EXPECT_EQ(r.robot, c.robot);
    }
}

TEST(NomsCatalogue, FamilleEtMajeureSepareesAutreSansVersion) {
    const ClassementAgent r = CatalogueAgents::partage().classer(kCas[0].agent);
    EXPECT_EQ(r.navigateur.famille, "Chrome");
    EXPECT_EQ(r.navigateur.majeure, "42");
    EXPECT_EQ(r.systeme.famille, "Windows");
    EXPECT_EQ(r.systeme.majeure, "7");
    const ClassementAgent inconnu = CatalogueAgents::partage().classer("kestrane-essai");
    EXPECT_EQ(inconnu.navigateur.famille, "Other");
    EXPECT_EQ(inconnu.navigateur.majeure, "");
    EXPECT_EQ(CatalogueAgents::version(), std::string("0.18.0"));
}

TEST(NomsCatalogue, RemplacementDesGroupes) {
    catalogue::Groupes g{};
    g[1] = "Collector";
    g[2] = "10";
    struct {
        const char* modele;
        const char* attendu;
    } const cas[] = {
        {"$1 for ArcGIS", "Collector for ArcGIS"},
        {"$2.$1", "10.Collector"},
        {"Windows $3", "Windows"},  // an absent group gives nothing, and the blank is trimmed
        {"  $9  ", ""},
        {"$0 and $", "$0 and $"},  // not a group reference
    };
    for (const auto& c : cas) EXPECT_EQ(catalogue::remplacer(c.modele, g), c.attendu) << c.modele;

    // An entry whose family comes out empty names nothing: "Inconnu", without the version.
    const catalogue::ModeleUap vide{"", false, {"$3", nullptr, nullptr, nullptr, nullptr}};
    const Designation d = catalogue::designer(&vide, g);
    EXPECT_EQ(d.nom, "Inconnu");
    EXPECT_EQ(d.majeure, "");
}

// Which device entries may name a robot, from their replacement alone.
TEST(NomsCatalogue, EntreesCapablesDeNommerUnRobot) {
    using catalogue::RobotPossible;
    struct {
        const char* remplacement;
        RobotPossible attendu;
    } const cas[] = {
        {"Spider", RobotPossible::peutEtre},
        {"Samsung $1", RobotPossible::jamais},
        {"Motorola$2", RobotPossible::jamais},
        {nullptr, RobotPossible::siSpiderDansLAgent},  // group 1 as matched
        {"$1 $2 $3", RobotPossible::siSpiderDansLAgent},
        {"$1$2", RobotPossible::peutEtre},  // "Spi" and "der"
        {"S$1", RobotPossible::peutEtre},
    };
    for (const auto& c : cas) {
        const catalogue::ModeleUap m{
            "", false, {c.remplacement, nullptr, nullptr, nullptr, nullptr}};
        EXPECT_EQ(catalogue::robotPossible(m), c.attendu)
            << (c.remplacement ? c.remplacement : "-");
    }
    // "Spider" too far for the robots' generic entry: only the entry that copies the device's
    // name from the agent makes it a robot.
    const std::string debut =
        "Mozilla/5.0 (X11; KestraneEssai/1.0 KestraneEssai/1.0 KestraneEssai/1.0 "
        "KestraneEssai/1.0 KestraneEssai/1.0; Android 9.0; fr; ";
    EXPECT_TRUE(CatalogueAgents::partage().estRobot(debut + "Spider Build/PKQ1)"));
    EXPECT_FALSE(CatalogueAgents::partage().estRobot(debut + "Spi der Build/PKQ1)"));
}

TEST(CacheAgents, MemeReponseDeuxFoisEtReferencesStables) {
    CacheAgents cache;
    const ClassementAgent& premier = cache.classer(kCas[0].agent);
    for (int i = 0; i < 200; ++i) cache.classer("agent-" + std::to_string(i));
    const ClassementAgent& encore = cache.classer(std::string(kCas[0].agent));
    EXPECT_EQ(&premier, &encore);
    EXPECT_EQ(encore.navigateur.nom, "Chrome 42");
    EXPECT_EQ(cache.taille(), 201u);
}

// Two stretches of a journal read at once, each with its cache, over one shared catalogue
// compiled by whichever thread comes first: both give the names of the table above.
TEST(CacheAgents, DeuxFilsUnCacheChacun) {
    const auto texte = [](const std::string& nav, const std::string& sys, bool robot) {
        return nav + '|' + sys + '|' + (robot ? "robot" : "");
    };
    std::vector<std::string> attendus, noms[2];
    for (int tour = 0; tour < 20; ++tour)
        for (const CasNom& c : kCas) attendus.push_back(texte(c.navigateur, c.systeme, c.robot));
    const auto lire = [&](int fil) {
        CacheAgents cache(CatalogueAgents::partage());
        for (std::size_t i = 0; i < attendus.size(); ++i) {
            const ClassementAgent& r = cache.classer(kCas[i % kCas.size()].agent);
            noms[fil].push_back(texte(r.navigateur.nom, r.systeme.nom, r.robot));
        }
    };
    std::thread autre(lire, 1);
    lire(0);
    autre.join();
    EXPECT_EQ(noms[0], attendus);
    EXPECT_EQ(noms[1], attendus);
}

// One memory shared by two threads, each asking in its own order for what it wants of each agent
// (a robot first, or its browser, or the three at once): every answer is the catalogue's, the
// second time as the first.
TEST(MemoireAgents, DeuxFilsUneMemoirePartagee) {
    MemoireAgents memoire;
    std::vector<std::string> echecs[2];
    const auto lire = [&](int fil) {
        for (int tour = 0; tour < 3; ++tour) {
            for (const CasNom& c : kCas) {
                std::string nav, sys;
                bool robot;
                if (tour == fil) {
                    // The three at once, before the others are kept (thread 0) or after.
                    const ClassementAgent a = memoire.classer(c.agent);
                    nav = a.navigateur.nom;
                    sys = a.systeme.nom;
                    robot = a.robot;
                } else if (fil == 0) {
                    nav = memoire.classerNavigateur(c.agent).nom;
                    sys = memoire.classerSysteme(c.agent).nom;
                    robot = memoire.estRobot(c.agent);
                } else {
                    robot = memoire.estRobot(c.agent);
                    sys = memoire.classerSysteme(c.agent).nom;
                    nav = memoire.classerNavigateur(c.agent).nom;
                }
                if (nav != c.navigateur || sys != c.systeme || robot != c.robot) {
                    echecs[fil].push_back(c.agent + " : " + nav + "|" + sys);
                }
            }
        }
    };
    std::thread autre(lire, 1);
    lire(0);
    autre.join();
    EXPECT_TRUE(echecs[0].empty()) << echecs[0].front();
    EXPECT_TRUE(echecs[1].empty()) << echecs[1].front();
    // Agents that differ past the bytes the catalogue reads are one agent to it.
    const std::string debut = kCas[0].agent + std::string(kOctetsAgentLus, ' ');
    EXPECT_EQ(memoire.classerNavigateur(debut + "Googlebot/2.1").nom, "Chrome 42");
    EXPECT_EQ(memoire.classerNavigateur(debut + "Firefox/37.0").famille,
              CatalogueAgents::partage().classerNavigateur(debut + "Firefox/37.0").famille);
}

// Agents made up by the hundred thousand: the memory keeps a bounded number of them, and still
// answers for the others as the catalogue does.
TEST(MemoireAgents, UnNombreBorneDAgentsGardes) {
    MemoireAgents memoire;
    const std::size_t n = MemoireAgents::kAgentsGardes + 100;
    for (std::size_t k = 0; k < n; ++k) memoire.estRobot("agent-" + std::to_string(k));
    EXPECT_EQ(memoire.taille(), MemoireAgents::kAgentsGardes);
    EXPECT_TRUE(memoire.estRobot(kCas[6].agent));  // Googlebot, past the bound
    EXPECT_EQ(memoire.classerNavigateur(kCas[6].agent).nom, "Googlebot 2");
    EXPECT_EQ(memoire.taille(), MemoireAgents::kAgentsGardes);
}

}  // namespace
}  // namespace kestrane
