// The counts beside those of GoAccess, a peer, on real journals: unique visitors per day equal
// its "Unique Visitors" panel (run with --4xx-to-unique-count: by default it leaves out the
// requests answered 4xx, which are visitors' requests all the same), and the referring sites its
// "Referring Sites" panel once its hosts are written by our rule (it keeps case, "www.", ports
// and the "\xNN" that servers write for bytes). Runs only when GoAccess is installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "OutilsAudience.h"
#include "core/audience/Referents.h"

using namespace kestrane;
using namespace kestrane::test;
namespace fs = std::filesystem;

namespace {

bool goaccessInstalle() {
    return std::system("command -v goaccess >/dev/null 2>&1") == 0;
}

// The fields of one line of GoAccess's CSV: quoted or not, "" for a quote inside quotes.
std::vector<std::string> champsCsv(const std::string& ligne) {
    std::vector<std::string> champs(1);
    bool guillemets = false;
    for (std::size_t k = 0; k < ligne.size(); ++k) {
        const char c = ligne[k];
        if (guillemets) {
            if (c == '"' && k + 1 < ligne.size() && ligne[k + 1] == '"') {
                champs.back() += '"';
                ++k;
            } else if (c == '"') {
                guillemets = false;
            } else {
                champs.back() += c;
            }
        } else if (c == '"') {
            guillemets = true;
        } else if (c == ',') {
            champs.emplace_back();
        } else {
            champs.back() += c;
        }
    }
    return champs;
}

// The entries that differ between two tables, for a readable failure.
std::string differences(const std::map<std::string, int64_t>& a,
                        const std::map<std::string, int64_t>& b) {
    std::string s;
    for (const auto& [cle, n] : a) {
        const auto it = b.find(cle);
        if (it == b.end() || it->second != n) {
            s += cle + ": " + std::to_string(n) + " / " +
                 (it == b.end() ? std::string("-") : std::to_string(it->second)) + "\n";
        }
    }
    for (const auto& [cle, n] : b) {
        if (!a.count(cle)) s += cle + ": - / " + std::to_string(n) + "\n";
    }
    return s;
}

struct PanneauxGoAccess {
    std::map<std::string, int64_t> visiteurs;  // "20150517" -> unique visitors
    std::map<std::string, int64_t> sites;      // host as our rule writes it -> requests
};

PanneauxGoAccess goaccess(const std::string& journal) {
    const fs::path csv =
        fs::temp_directory_path() / ("kestrane-goaccess-" + std::to_string(::getpid()) + ".csv");
    const std::string commande = "goaccess '" + journal +
                                 "' --no-global-config --log-format=COMBINED "
                                 "--4xx-to-unique-count --max-items=1000000 -o '" +
                                 csv.string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(commande.c_str()), 0) << commande;
    PanneauxGoAccess p;
    std::ifstream f(csv);
    for (std::string ligne; std::getline(f, ligne);) {
        if (!ligne.empty() && ligne.back() == '\r') ligne.pop_back();
        const std::vector<std::string> c = champsCsv(ligne);
        if (c.size() < 12) continue;
        if (c[2] == "visitors") p.visiteurs[c[11]] = std::stoll(c[5]);
        if (c[2] == "referring_sites") {
            const std::string hote = hoteDeLAutorite(c[11]);
            if (!hote.empty()) p.sites[hote] += std::stoll(c[3]);
        }
    }
    fs::remove(csv);
    return p;
}

void comparer(const std::string& chemin) {
    if (!goaccessInstalle()) GTEST_SKIP() << "GoAccess is not installed";
    if (!fs::exists(chemin)) GTEST_SKIP() << chemin << " is absent";
    const PanneauxGoAccess attendu = goaccess(chemin);
    ASSERT_FALSE(attendu.visiteurs.empty());

    const Audience a = audienceDe(Journal::charger(chemin));
    std::map<std::string, int64_t> visiteurs, sites;
    for (const JourAudience& j : a.jours) {
        char jour[16];
        std::snprintf(jour, sizeof jour, "%04d%02d%02d", j.annee, j.mois, j.jour);
        visiteurs[jour] = j.visiteurs;
    }
    for (const LigneAudience& l : a.sitesReferents) sites[l.nom] = l.requetes;
    EXPECT_EQ(differences(visiteurs, attendu.visiteurs), "");
    EXPECT_EQ(differences(sites, attendu.sites), "");
}

}  // namespace

TEST(GoAccess, EchantillonFourni) {
    comparer(KESTRANE_ACCES_5000);
}

TEST(GoAccess, JournalReel) {
    comparer(std::string(KESTRANE_ECHANTILLONS) + "/apache-combined-10k.log");
}
