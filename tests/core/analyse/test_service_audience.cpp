// The audience through the analysis service: counted by the first pass with the Compléments (its
// referring sites from the statistics' referrer table), read again the same when the page is
// switched on later, with the catalogue's robots and a country database.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/analyse/ServiceAnalyse.h"
#include "core/audience/BasePays.h"
#include "tests/core/audience/EcrivainMmdb.h"
#include "tests/core/audience/OutilsAudience.h"

using namespace kestrane;

namespace {

const char* const kFirefox =
    "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0";

std::string ligne(const std::string& ip, const std::string& quand, const std::string& referent,
                  const std::string& agent = kFirefox,
                  const std::string& requete = "GET /index.html HTTP/1.1") {
    return ip + " - - [" + quand + " +0100] \"" + requete + "\" 200 100 \"" + referent + "\" \"" +
           agent + "\"";
}

// Two days, referrers of every kind, robots the catalogue knows (one whose agent says nothing of
// a robot) and one only the rule knows, a request without protocol, an IPv6 client.
std::vector<std::string> lignesVariees() {
    return {
        ligne("81.2.3.1", "06/Dec/2006:23:50:00",
              "https://www.google.fr/search?q=caf%C3%A9+cr%C3%A8me"),
        ligne("81.2.3.1", "07/Dec/2006:00:10:00", "http://WWW.Exemple.ORG:8080/page"),
        ligne("81.2.3.2", "07/Dec/2006:08:00:00", "-",
              "Googlebot/2.1 (+http://www.google.com/bot.html)"),
        ligne("81.2.3.3", "07/Dec/2006:08:30:00", "-", "WhatsApp/2.19.81 A"),
        ligne("81.2.3.4", "07/Dec/2006:09:00:00", "http://exemple.org/", "MonCrawler/1.0"),
        ligne("81.2.3.1", "07/Dec/2006:09:00:00", "https://www.bing.com/search?q=Caf%E9", kFirefox,
              "GET /"),
        ligne("81.2.3.5", "07/Dec/2006:10:00:00", "http://exemple.org/b", kFirefox,
              "POST /f HTTP/1.0"),
        ligne("81.2.3.5", "07/Dec/2006:10:31:00", "http://autre.net/", kFirefox, "HEAD / HTTP/2.0"),
    };
}

std::vector<std::string> robots(const Audience& a) {
    std::vector<std::string> n;
    for (const LigneAudience& l : a.robots) n.push_back(l.nom + "=" + std::to_string(l.requetes));
    return n;
}

// The page switched on after an analysis made without it: the same lines read again.
ResultatAnalyse relu(const Journal& j, OptionsAnalyse o) {
    o.complements = false;
    ResultatAnalyse r;
    EXPECT_EQ(analyserJournal(j, o, r), IssueAnalyse::terminee);
    EXPECT_FALSE(r.audience);
    // The report page sorts the referrers in place meanwhile.
    std::reverse(r.tables.statPrecedent.begin(), r.tables.statPrecedent.end());
    calculerComplements(r, nullptr, {}, o.basePays);
    return r;
}

}  // namespace

TEST(ServiceAudience, PremierePasseEtRelectureDonnentLaMemeAudience) {
    const struct {
        const char* nom;
        bool souple;
        bool periode;
    } cas[] = {{"strict", false, false}, {"skipping", true, false}, {"period", false, true}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        std::vector<std::string> l = lignesVariees();
        if (c.souple) {
            l.insert(l.begin() + 3, "pas une ligne de journal");
            l.push_back(ligne("2001:db8::1", "07/Dec/2006:11:00:00", "http://exemple.org/"));
        }
        const Journal j = test::journalDe(l);
        OptionsAnalyse o;
        o.complements = true;
        o.ignorerNonConformes = c.souple;
        if (c.periode) {
            o.periode.active = true;
            lireInstant("07/Dec/2006", "00:00:00", o.periode.debut);
            lireInstant("07/Dec/2006", "23:59:59", o.periode.fin);
        }
        ResultatAnalyse r;
        ASSERT_EQ(analyserJournal(j, o, r), IssueAnalyse::terminee);
        ASSERT_TRUE(r.audience && r.complements);
        const Audience& a = *r.audience;
        // The same lines as the page's other figures.
        EXPECT_EQ(a.requetes, r.complements->requetes);
        EXPECT_EQ(a.octets, r.complements->octets);
        EXPECT_FALSE(a.sitesReferents.empty());
        EXPECT_FALSE(a.recherches.empty());
        // Counted line by line by the audience alone: the referrers from the statistics' table
        // give what each line's referrer gives.
        ReglagesAudience reglages{robotsDuCatalogue(), nullptr, true};
        EXPECT_EQ(test::texteAudience(a),
                  test::texteAudience(test::audienceDe(r.journal, reglages, c.souple)));
        EXPECT_EQ(test::texteAudience(a), test::texteAudience(*relu(j, o).audience));
    }
}

TEST(ServiceAudience, RobotsDuCatalogueEtDeLaRegle) {
    ResultatAnalyse r;
    OptionsAnalyse o;
    o.complements = true;
    ASSERT_EQ(analyserJournal(test::journalDe(lignesVariees()), o, r), IssueAnalyse::terminee);
    ASSERT_TRUE(r.audience);
    // WhatsApp names no robot in its agent: only the catalogue knows it.
    std::vector<std::string> n = robots(*r.audience);
    std::sort(n.begin(), n.end());
    EXPECT_EQ(n, (std::vector<std::string>{"Googlebot=1", "MonCrawler=1", "WhatsApp=1"}));
    EXPECT_EQ(r.audience->requetesRobots, 3);
    std::string nom;
    const ReconnaitreRobot catalogue = robotsDuCatalogue();
    EXPECT_FALSE(catalogue(kFirefox, nom));
    EXPECT_TRUE(catalogue(
        "Mozilla/5.0 (compatible; Yahoo! Slurp; http://help.yahoo.com/help/us/ysearch/slurp)",
        nom));
    EXPECT_EQ(nom, "Yahoo! Slurp");

    // Without the Compléments, no audience, even after a run that had one.
    o.complements = false;
    ASSERT_EQ(analyserJournal(test::journalDe(lignesVariees()), o, r), IssueAnalyse::terminee);
    EXPECT_FALSE(r.audience);
    EXPECT_FALSE(r.complements);
}

TEST(ServiceAudience, PaysDUneBase) {
    const std::filesystem::path dossier =
        std::filesystem::temp_directory_path() / ("kestrane-pays-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dossier);
    const std::string chemin = (dossier / "GeoLite2-Country.mmdb").string();
    test::EcrivainMmdb e;
    e.ajouter("81.2.3.0/30", test::paysMmdb("FR", {{"en", "France"}, {"fr", "France"}}));
    e.ajouter("81.2.3.4/30", test::paysMmdb("DE", {{"en", "Germany"}, {"fr", "Allemagne"}}));
    e.ecrire(chemin);
    EXPECT_EQ(chercherBasePays({dossier.string()}), chemin);

    OptionsAnalyse o;
    o.complements = true;
    o.basePays = std::make_shared<const BasePays>(chemin);
    const Journal j = test::journalDe(lignesVariees());
    ResultatAnalyse r;
    ASSERT_EQ(analyserJournal(j, o, r), IssueAnalyse::terminee);
    ASSERT_TRUE(r.audience && r.audience->avecPays);
    // 81.2.3.1 to .3 in France, .4 and .5 in Germany; visitors per day, summed.
    EXPECT_EQ(test::requetes(r.audience->pays), (test::Paires{{"France", 5}, {"Allemagne", 3}}));
    EXPECT_EQ(test::texteAudience(*r.audience), test::texteAudience(*relu(j, o).audience));
    // Without a database: no countries, the page says how to get one.
    o.basePays = nullptr;
    ASSERT_EQ(analyserJournal(j, o, r), IssueAnalyse::terminee);
    EXPECT_FALSE(r.audience->avecPays);
    EXPECT_TRUE(r.audience->pays.empty());
    std::filesystem::remove_all(dossier);
}
