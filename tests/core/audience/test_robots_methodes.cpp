#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "OutilsAudience.h"
#include "core/audience/Robots.h"
#include "tests/core/catalogue/AgentPiege.h"

using namespace kestrane;
using namespace kestrane::test;

TEST(Robots, RegleDesAgentsQuiSeDisentRobots) {
    struct Cas {
        const char* agent;
        const char* nom;  // null: no robot
    } cas[] = {
        {"Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)", "Googlebot"},
        {"Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)", "bingbot"},
        {"Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)", "AhrefsBot"},
        {"Baiduspider+(+http://www.baidu.com/search/spider.htm)", "Baiduspider"},
        {"Sogou web Spider/4.0", "Spider"},
        {"MyCrawler", "MyCrawler"},
        {"Mozilla/5.0 (compatible; +https://www.Example.com/bot.html)", "example.com"},
        {"MonRobot\xE9/1.0", "MonRobot\xC3\xA9"},
        {"Mozilla/5.0 (Linux; U; Android 4.2.1; en-gb; CUBOT ONE Build/JOP40D) AppleWebKit/534.30",
         nullptr},
        {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) Firefox/121.0", nullptr},
        {"-", nullptr},
    };
    for (const Cas& c : cas) {
        std::string nom;
        EXPECT_EQ(robotParSonNom(c.agent, nom), c.nom != nullptr) << c.agent;
        if (c.nom) {
            EXPECT_EQ(nom, c.nom) << c.agent;
        }
    }
}

// The robots' words found in one pass where the six searches find the first of them: at every
// place around the 16-byte steps, cut short at the end, in the wrong case, among many of their
// first letters, in the trap of 52 KB.
TEST(Robots, MotDeRobotCommeSixRecherches) {
    const auto sixRecherches = [](std::string_view agent) {
        std::size_t premier = std::string_view::npos;
        for (const std::string_view m : {"bot", "Bot", "crawler", "Crawler", "spider", "Spider"}) {
            premier = std::min(premier, agent.find(m));
        }
        return premier;
    };
    std::vector<std::string> agents = {"",         "b",      "bo",     "bot",
                                       "Bo",       "BOT",    "bOt",    "Crawle",
                                       "crawlerX", "xSpide", "Spider", agentPiege()};
    for (std::size_t place = 0; place < 40; ++place) {
        for (const char* mot : {"bot", "Bot", "crawler", "Crawler", "spider", "Spider", "cra",
                                "spi", "Bo", "Crawle"}) {
            agents.push_back(std::string(place, 'c') + mot);
            agents.push_back(std::string(place, 'B') + mot + "S");
            agents.push_back(std::string(place, 'x') + mot + std::string(40 - place, 'y'));
        }
    }
    // Texts of the words' letters only, drawn from a fixed sequence.
    const std::string lettres = "bBocCrawlesSpidt ";
    uint32_t graine = 12345;
    for (int k = 0; k < 2000; ++k) {
        std::string a;
        const std::size_t n = k % 70;
        for (std::size_t i = 0; i < n; ++i) {
            graine = graine * 1103515245u + 12345u;
            a += lettres[(graine >> 16) % lettres.size()];
        }
        agents.push_back(a);
    }
    for (const std::string& a : agents) {
        EXPECT_EQ(motDeRobot(a), sixRecherches(a)) << a.substr(0, 200);
    }
}

// The catalogue names the robots it knows; the rule still finds those it does not.
TEST(Robots, CatalogueEtRegle) {
    const ReconnaitreRobot catalogue = [](std::string_view agent, std::string& nom) {
        if (agent.find("Googlebot") != std::string_view::npos) {
            nom = "Google";
            return true;
        }
        if (agent.find("Scanner") != std::string_view::npos) return true;  // known, unnamed
        return false;
    };
    std::vector<Ligne> lignes;
    const auto ajouter = [&](const char* agent, const char* octets, int fois) {
        for (int k = 0; k < fois; ++k) {
            Ligne l;
            l.agent = agent;
            l.octets = octets;
            lignes.push_back(l);
        }
    };
    ajouter("Mozilla/5.0 (compatible; Googlebot/2.1)", "1000", 3);
    ajouter("NouveauBot/0.1 (sans catalogue)", "10", 2);
    ajouter("Scanner 1.0", "1", 1);
    ajouter(kFirefox, "5", 4);
    const Audience au = audienceDe(lignes, ReglagesAudience{catalogue, nullptr});
    ASSERT_EQ(au.robots.size(), 3u);
    EXPECT_EQ(requetes(au.robots), (Paires{{"Google", 3}, {"NouveauBot", 2}, {"Scanner 1.0", 1}}));
    EXPECT_EQ(au.robots[0].octets, 3000);
    EXPECT_EQ(au.requetesRobots, 6);
    EXPECT_EQ(au.octetsRobots, 3021);
    EXPECT_EQ(au.octets, 3041);

    // Without a catalogue the rule alone.
    EXPECT_EQ(requetes(audienceDe(lignes).robots), (Paires{{"Googlebot", 3}, {"NouveauBot", 2}}));
}

TEST(Methodes, MethodesEtProtocoles) {
    struct Cas {
        const char* requete;
        const char* methode;  // null: "Autre" for both
        const char* protocole;
    } cas[] = {
        {"GET /index.html HTTP/1.1", "GET", "HTTP/1.1"},
        {"POST /form HTTP/1.0", "POST", "HTTP/1.0"},
        {"HEAD / HTTP/2.0", "HEAD", "HTTP/2.0"},
        {"M-SEARCH * HTTP/1.1", "M-SEARCH", "HTTP/1.1"},
        {"GET /a b c HTTP/3", "GET", "HTTP/3"},
        {"GET /index.html", nullptr, nullptr},
        {"GET  HTTP/1.1", nullptr, nullptr},
        {"get / HTTP/1.1", nullptr, nullptr},
        {"GET / FTP/1.0", nullptr, nullptr},
        {"GET / HTTP/", nullptr, nullptr},
        {"-", nullptr, nullptr},
        {"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", nullptr, nullptr},
    };
    for (const Cas& c : cas) {
        std::string_view m = "?", p = "?";
        EXPECT_EQ(couperRequete(c.requete, m, p), c.methode != nullptr) << c.requete;
        if (c.methode) {
            EXPECT_EQ(m, c.methode) << c.requete;
            EXPECT_EQ(p, c.protocole) << c.requete;
        }
    }
}

TEST(Methodes, TablesAvecAutreEnDernier) {
    std::vector<Ligne> lignes;
    for (const char* r : {"GET / HTTP/1.1", "GET /a", "-", "GET /b", "POST /c HTTP/1.0",
                          "GET /d HTTP/1.1", "GET /e HTTP/1.1"}) {
        Ligne l;
        l.requete = r;
        lignes.push_back(l);
    }
    const Audience au = audienceDe(lignes);
    EXPECT_EQ(requetes(au.methodes), (Paires{{"GET", 3}, {"POST", 1}, {"Autre", 3}}));
    EXPECT_EQ(requetes(au.protocoles), (Paires{{"HTTP/1.1", 3}, {"HTTP/1.0", 1}, {"Autre", 3}}));
    EXPECT_EQ(au.methodes[0].octets, 300);
}
