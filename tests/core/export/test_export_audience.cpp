// The audience in the report: its tables and their CSV columns, the visitors and visits beside
// each day (a day without them at 0), the countries' table replaced by a note without a database.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/analyse/ResumeAudience.h"
#include "core/audience/BasePays.h"
#include "core/export/Export.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;

namespace {

Audience audienceExemple(bool avecPays) {
    Audience a;
    a.requetes = 200;
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

std::string joindre(const std::vector<std::string>& c) {
    std::string s;
    for (const std::string& k : c) s += (s.empty() ? "" : ";") + k;
    return s;
}

}  // namespace

TEST(ExportAudience, TablesEtColonnes) {
    Complements c;
    // A day without any request between two, and requests without a readable date.
    c.jours = {{2023, 12, 9, 100, 10}, {2023, 12, 10, 0, 0}, {2023, 12, 11, 90, 20}};
    c.datesIllisibles = 10;
    c.octetsSansDate = 5;
    const Audience a = audienceExemple(true);
    const std::vector<TableExportee> t = tablesComplements(c, &a);
    ASSERT_EQ(t.size(), 4u + 7u);
    EXPECT_EQ(tablesComplements(c).size(), 4u);  // without the audience, as before
    // File (none: the page only), headers and first row of each, cells joined by ';'.
    std::vector<std::string> lu;
    for (std::size_t k = 3; k < t.size(); ++k) {
        EXPECT_EQ(t[k].numeriques.size(), t[k].entetes.size()) << t[k].titre;
        lu.push_back(t[k].fichier + "|" + joindre(t[k].entetes) + "|" + joindre(t[k].lignes[0]));
    }
    EXPECT_EQ(lu, (std::vector<std::string>{
                      "jours.csv|Jour;Requ\xEAtes;Octets;Visiteurs uniques;Visites|"
                      "09/12/2023;100;10;4;5",
                      "|Mesure;Valeur|Visiteurs uniques;7",
                      "sites-referents.csv|Site;Requ\xEAtes;Part|caf\xC3\xA9.fr;30;15,0 %",
                      "recherches.csv|Termes;Requ\xEAtes|=cmd|' /C calc'!A0;4",
                      "robots.csv|Robot;Requ\xEAtes;Octets;Part|Googlebot;40;1000;20,0 %",
                      "methodes.csv|M\xE9thode;Requ\xEAtes;Octets;Part|GET;190;4000;95,0 %",
                      "protocoles.csv|Protocole;Requ\xEAtes;Octets;Part|HTTP/1.1;150;3000;75,0 %",
                      "pays.csv|Pays;Requ\xEAtes;Octets;Visiteurs uniques|France;120;3000;5"}));
    std::vector<std::string> jours, resume;
    for (const auto& l : t[3].lignes) jours.push_back(joindre(l));
    EXPECT_EQ(jours, (std::vector<std::string>{"09/12/2023;100;10;4;5", "10/12/2023;0;0;0;0",
                                               "11/12/2023;90;20;3;4",
                                               "Requ\xEAtes sans date lisible;10;5;0;0"}));
    for (const auto& l : t[4].lignes) resume.push_back(joindre(l));
    EXPECT_EQ(resume, (std::vector<std::string>{"Visiteurs uniques;7", "Visites;9",
                                                "Dur\xE9"
                                                "e moyenne d'une visite;3 min 05 s",
                                                "Requ\xEAtes par visite;20,0",
                                                "Requ\xEAtes de robots;50 (25,0 %)",
                                                "Octets envoy\xE9s aux robots;2,00 Ko"}));
    for (const auto& [secondes, texte] : {std::pair{44.6, "45 s"},
                                          {59.4, "59 s"},
                                          {3599.6, "1 h 00 min"},
                                          {7620.0, "2 h 07 min"}}) {
        EXPECT_EQ(dureeFrancaise(secondes), texte);
    }
}

TEST(ExportAudience, PaysSeulementAvecUneBase) {
    const test::DossierTemporaire temporaire;
    const std::filesystem::path dossier = temporaire.chemin / "tables";
    for (const bool avecPays : {false, true}) {
        SCOPED_TRACE(avecPays ? "database" : "none");
        DonneesRapport d;
        const Audience a = audienceExemple(avecPays);
        d.tables = tablesComplements(Complements{}, &a);
        ecrireTablesCsv(dossier.string(), d);
        EXPECT_EQ(std::filesystem::exists(dossier / "pays.csv"), avecPays);
        EXPECT_FALSE(std::filesystem::exists(dossier / ".csv"));  // the summary: page only
        EXPECT_TRUE(std::filesystem::exists(dossier / "robots.csv"));
        std::string html;
        produireHtml(d, [&](std::string_view m) { html += m; });
        const std::string note =
            "<p class=\"note\">" + echapperHtml(utf8Depuis1252(kSansBasePays)) + "</p>";
        EXPECT_EQ(html.find(note) != std::string::npos, !avecPays);
        EXPECT_EQ(html.find("<td>Inconnu<td>") != std::string::npos, avecPays);
        EXPECT_NE(html.find("<td>caf\xC3\xA9.fr<td>"), std::string::npos);
    }
}
