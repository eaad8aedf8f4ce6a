// The audience through the analysis service: counted by the first pass with the Compléments (its
// referring sites from the statistics' referrer table), read again the same when the page is
// switched on later, with the catalogue's robots and a country database.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/analyse/ServiceAnalyse.h"
#include "core/audience/BasePays.h"
#include "core/catalogue/CatalogueAgents.h"
#include "tests/commun/JournalAudience.h"
#include "tests/core/audience/OutilsAudience.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

// The page switched on after an analysis made without it: the same lines read again, after the
// report page put the referrers in another order.
ResultatAnalyse relu(const Journal& j, OptionsAnalyse o) {
    o.complements = false;
    ResultatAnalyse r;
    EXPECT_EQ(analyserJournal(j, o, r), IssueAnalyse::terminee);
    EXPECT_FALSE(r.audience);
    std::reverse(r.tables.statPrecedent.begin(), r.tables.statPrecedent.end());
    calculerComplements(r, nullptr, {}, o.basePays);
    return r;
}

}  // namespace

TEST(ServiceAudience, PremierePasseEtRelectureDonnentLaMemeAudience) {
    for (const int k : {0, 1, 2}) {
        SCOPED_TRACE(k);  // strict, skipping non-conforming lines, a period
        std::vector<std::string> l = lignesAudience();
        OptionsAnalyse o;
        o.complements = true;
        o.ignorerNonConformes = k == 1;
        if (k == 1) {
            l.insert(l.begin() + 3, "pas une ligne de journal");
            l.push_back(ligneAudience("2001:db8::1", "07/Dec/2026:11:00:00", "http://a.fr/"));
        }
        if (k == 2) {
            o.periode.active = true;
            lireInstant("07/Dec/2026", "00:00:00", o.periode.debut);
            lireInstant("07/Dec/2026", "23:59:59", o.periode.fin);
        }
        const Journal j = journalDe(l);
        ResultatAnalyse r;
        ASSERT_EQ(analyserJournal(j, o, r), IssueAnalyse::terminee);
        ASSERT_TRUE(r.audience && r.complements);
        const Audience& a = *r.audience;
        // The same lines as the page's other figures.
        EXPECT_EQ(a.requetes, r.complements->requetes);
        EXPECT_EQ(a.octets, r.complements->octets);
        EXPECT_FALSE(a.sitesReferents.empty() || a.recherches.empty());
        // The referrers from the statistics' table give what each line's referrer gives.
        ReglagesAudience parLigne{robotsDuCatalogue(), nullptr, true};
        EXPECT_EQ(texteAudience(a), texteAudience(audienceDe(r.journal, parLigne, k == 1)));
        EXPECT_EQ(texteAudience(a), texteAudience(*relu(j, o).audience));
    }
}

TEST(ServiceAudience, RobotsDuCatalogueEtDeLaRegle) {
    ResultatAnalyse r;
    OptionsAnalyse o;
    o.complements = true;
    ASSERT_EQ(analyserJournal(journalDe(lignesAudience()), o, r), IssueAnalyse::terminee);
    ASSERT_TRUE(r.audience);
    // WhatsApp names no robot in its agent: only the catalogue knows it.
    EXPECT_EQ(requetes(r.audience->robots),
              (Paires{{"Googlebot", 2}, {"WhatsApp", 1}, {"MonCrawler", 1}}));
    std::string nom;
    const ReconnaitreRobot catalogue = robotsDuCatalogue();
    EXPECT_FALSE(catalogue(kFirefoxAudience, nom));
    EXPECT_TRUE(catalogue("Mozilla/5.0 (compatible; Yahoo! Slurp; http://help.yahoo.com/)", nom));
    EXPECT_EQ(nom, "Yahoo! Slurp");
    // Without the Compléments, no audience, even after a run that had one.
    o.complements = false;
    ASSERT_EQ(analyserJournal(journalDe(lignesAudience()), o, r), IssueAnalyse::terminee);
    EXPECT_FALSE(r.audience || r.complements);
}

// The catalogue reads an agent's first kOctetsAgentLus bytes; the robots' words count anywhere
// (a substring search, whose cost follows the agent's length).
TEST(ServiceAudience, AgentLongRobotDuCatalogueSurSonDebutDeLaRegleEntier) {
    const std::string datanyze = "X11; Datanyze; Linux";  // a robot to the catalogue alone
    std::string debut = kFirefoxAudience;
    debut.resize(kOctetsAgentLus, ' ');
    const ReconnaitreRobot catalogue = robotsDuCatalogue();
    std::string nom;
    EXPECT_FALSE(catalogue(debut + datanyze, nom));
    EXPECT_TRUE(catalogue(debut.substr(datanyze.size()) + datanyze + " Firefox/1", nom));
    EXPECT_EQ(nom, "Datanyze");
    EXPECT_FALSE(reconnaitreRobot(catalogue, debut + datanyze, nom));
    EXPECT_TRUE(reconnaitreRobot(catalogue, debut + "MonCrawler/1.0", nom));
    EXPECT_EQ(nom, "MonCrawler");
}

TEST(ServiceAudience, PaysDUneBase) {
    const std::filesystem::path dossier =
        std::filesystem::temp_directory_path() / ("kestrane-pays-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dossier);
    const std::string chemin = (dossier / "GeoLite2-Country.mmdb").string();
    std::ofstream(chemin, std::ios::binary) << basePaysDeTest();
    EXPECT_EQ(chercherBasePays({dossier.string()}), chemin);
    OptionsAnalyse o;
    o.complements = true;
    o.basePays = std::make_shared<const BasePays>(chemin);
    const Journal j = journalDe(lignesAudience());
    ResultatAnalyse r;
    ASSERT_EQ(analyserJournal(j, o, r), IssueAnalyse::terminee);
    ASSERT_TRUE(r.audience && r.audience->avecPays);
    EXPECT_EQ(requetes(r.audience->pays), (Paires{{"France", 6}, {"Allemagne", 4}}));
    EXPECT_EQ(texteAudience(*r.audience), texteAudience(*relu(j, o).audience));
    // Without a database: no countries, the page says how to get one.
    o.basePays = nullptr;
    ASSERT_EQ(analyserJournal(j, o, r), IssueAnalyse::terminee);
    EXPECT_FALSE(r.audience->avecPays || !r.audience->pays.empty());
    std::filesystem::remove_all(dossier);
}
