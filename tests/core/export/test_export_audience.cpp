// The audience in the report: its tables and their CSV columns, the visitors and visits beside
// each day, the countries' table replaced by a note without a database.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/audience/BasePays.h"
#include "core/export/Export.h"
#include "tests/commun/Csv.h"

using namespace kestrane;

namespace {

using Cellules = std::vector<std::string>;

Audience audienceExemple(bool avecPays) {
    Audience a;
    a.requetes = 200;
    a.octets = 5000;
    a.visiteurs = 7;
    a.visites = 9;
    a.dureeVisites = 9 * 185;
    a.requetesDatees = 180;
    a.requetesRobots = 50;
    a.octetsRobots = 2048;
    a.sitesReferents = {{"caf\xC3\xA9.fr", 30, 0, 0}, {"exemple.org", 10, 0, 0}};
    a.recherches = {{"=cmd|' /C calc'!A0", 4, 0, 0}};
    a.robots = {{"Googlebot", 40, 1000, 0}, {"WhatsApp", 10, 1048, 0}};
    a.methodes = {{"GET", 190, 4000, 0}, {"Autre", 10, 1000, 0}};
    a.protocoles = {{"HTTP/1.1", 150, 3000, 0}, {"HTTP/2.0", 50, 2000, 0}};
    a.avecPays = avecPays;
    if (avecPays) a.pays = {{"France", 120, 3000, 5}, {"Inconnu", 80, 2000, 2}};
    a.jours = {{2023, 12, 9, 4, 5}, {2023, 12, 11, 3, 4}};
    return a;
}

const TableExportee& nommee(const std::vector<TableExportee>& t, const std::string& titre) {
    for (const TableExportee& k : t) {
        if (k.titre == titre) return k;
    }
    ADD_FAILURE() << titre;
    return t.front();
}

std::string joindre(const Cellules& c) {
    std::string s;
    for (const std::string& k : c) s += (s.empty() ? "" : ";") + k;
    return s;
}

std::string lire(const std::filesystem::path& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace

TEST(ExportAudience, TablesEtColonnes) {
    const std::vector<TableExportee> t = tablesAudience(audienceExemple(true));
    // File (none: the page only), headers and first row, cells joined by ';'.
    const std::vector<std::string> attendu = {
        "|Mesure;Valeur|Visiteurs uniques;7",
        "sites-referents.csv|Site;Requ\xEAtes;Part|caf\xC3\xA9.fr;30;15,0 %",
        "recherches.csv|Termes;Requ\xEAtes|=cmd|' /C calc'!A0;4",
        "robots.csv|Robot;Requ\xEAtes;Octets;Part|Googlebot;40;1000;20,0 %",
        "methodes.csv|M\xE9thode;Requ\xEAtes;Octets;Part|GET;190;4000;95,0 %",
        "protocoles.csv|Protocole;Requ\xEAtes;Octets;Part|HTTP/1.1;150;3000;75,0 %",
        "pays.csv|Pays;Requ\xEAtes;Octets;Visiteurs uniques|France;120;3000;5"};
    std::vector<std::string> lu;
    for (const TableExportee& k : t) {
        EXPECT_EQ(k.numeriques.size(), k.entetes.size()) << k.titre;
        lu.push_back(k.fichier + "|" + joindre(k.entetes) + "|" + joindre(k.lignes.at(0)));
    }
    EXPECT_EQ(lu, attendu);
    // The summary's totals.
    std::vector<std::string> resume;
    for (const Cellules& l : nommee(t, "Audience").lignes) resume.push_back(joindre(l));
    EXPECT_EQ(resume, (std::vector<std::string>{"Visiteurs uniques;7", "Visites;9",
                                                "Dur\xE9"
                                                "e moyenne d'une visite;3 min 05 s",
                                                "Requ\xEAtes par visite;20,0",
                                                "Requ\xEAtes de robots;50 (25,0 %)",
                                                "Octets envoy\xE9s aux robots;2,00 Ko"}));
    EXPECT_EQ(nommee(t, "Robots").points, 2);
    EXPECT_EQ(nommee(t, "M\xE9thodes").points, 0);
}

TEST(ExportAudience, JoursAvecVisiteursEtVisites) {
    Complements c;
    c.requetes = 200;
    // A day without any request between two, and requests without a readable date.
    c.jours = {{2023, 12, 9, 100, 10}, {2023, 12, 10, 0, 0}, {2023, 12, 11, 90, 20}};
    c.datesIllisibles = 10;
    c.octetsSansDate = 5;
    const Audience a = audienceExemple(false);
    const auto t = tablesComplements(c, &a);
    const TableExportee& jours = nommee(t, "Trafic par jour");
    EXPECT_EQ(jours.entetes,
              (Cellules{"Jour", "Requ\xEAtes", "Octets", "Visiteurs uniques", "Visites"}));
    EXPECT_EQ(jours.lignes,
              (std::vector<Cellules>{{"09/12/2023", "100", "10", "4", "5"},
                                     {"10/12/2023", "0", "0", "0", "0"},
                                     {"11/12/2023", "90", "20", "3", "4"},
                                     {"Requ\xEAtes sans date lisible", "10", "5", "0", "0"}}));
    // Without the audience, the days as they were.
    EXPECT_EQ(nommee(tablesComplements(c), "Trafic par jour").entetes.size(), 3u);
    EXPECT_EQ(tablesComplements(c).size(), 4u);
    EXPECT_EQ(t.size(), 4u + 7u);
}

TEST(ExportAudience, PaysSeulementAvecUneBase) {
    const std::filesystem::path dossier = std::filesystem::temp_directory_path() /
                                          ("kestrane-audience-" + std::to_string(::getpid()));
    for (const bool avecPays : {false, true}) {
        SCOPED_TRACE(avecPays ? "database" : "none");
        DonneesRapport d;
        Complements c;
        const Audience a = audienceExemple(avecPays);
        d.tables = tablesComplements(c, &a);
        ecrireTablesCsv(dossier.string(), d);
        EXPECT_EQ(std::filesystem::exists(dossier / "pays.csv"), avecPays);
        EXPECT_FALSE(std::filesystem::exists(dossier / ".csv"));
        // Read back: a text that would run as a formula stays text.
        const auto recherches = test::lireCsv(lire(dossier / "recherches.csv").substr(3));
        ASSERT_TRUE(recherches);
        EXPECT_EQ(recherches->at(1), (Cellules{"'=cmd|' /C calc'!A0", "4"}));
        const auto sites = test::lireCsv(lire(dossier / "sites-referents.csv").substr(3));
        ASSERT_TRUE(sites);
        EXPECT_EQ(sites->at(0), (Cellules{"Site", "Requ\xC3\xAAtes", "Part"}));
        EXPECT_EQ(sites->at(1), (Cellules{"caf\xC3\xA9.fr", "30", "15,0 %"}));

        std::string html;
        produireHtml(d, [&](std::string_view m) { html += m; });
        const std::string note =
            "<p class=\"note\">" + echapperHtml(utf8Depuis1252(kSansBasePays)) + "</p>";
        EXPECT_EQ(html.find(note) != std::string::npos, !avecPays);
        EXPECT_EQ(html.find("<td>Inconnu</td>") != std::string::npos, avecPays);
        EXPECT_NE(html.find("<td>caf\xC3\xA9.fr</td>"), std::string::npos);
    }
    std::filesystem::remove_all(dossier);
}
