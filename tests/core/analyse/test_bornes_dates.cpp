// The summary of readable results: the earliest and latest requests whatever the lines' order,
// and the days from the first to the last, as many as the Compléments' days.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/analyse/BornesDates.h"
#include "core/analyse/Lisibles.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/export/Export.h"

using namespace kestrane;

namespace {

struct Cas {
    const char* nom;
    std::vector<const char*> instants;  // as a line writes them, in journal order
    const char *premiere, *derniere;
    int64_t jours;
};

const Cas kCas[] = {
    {"in order",
     {"01/Dec/2023:03:10:00", "01/Dec/2023:04:00:00", "03/Dec/2023:23:00:00"},
     "01/Dec/2023 03:10:00",
     "03/Dec/2023 23:00:00",
     3},
    {"earliest and latest in the middle, days without a line",
     {"12/Mar/2024:10:00:00", "10/Mar/2024:09:00:00", "15/Mar/2024:11:00:00",
      "11/Mar/2024:11:00:00"},
     "10/Mar/2024 09:00:00",
     "15/Mar/2024 11:00:00",
     6},
    {"one day out of order",
     {"05/Jan/2024:12:00:00", "05/Jan/2024:08:00:00", "05/Jan/2024:13:00:00",
      "05/Jan/2024:09:00:00"},
     "05/Jan/2024 08:00:00",
     "05/Jan/2024 13:00:00",
     1},
    {"backwards across a year",
     {"02/Jan/2024:00:00:01", "31/Dec/2023:23:59:59", "30/Dec/2023:10:00:00"},
     "30/Dec/2023 10:00:00",
     "02/Jan/2024 00:00:01",
     4},
    {"the same moment twice",
     {"07/Feb/2024:10:00:00", "06/Feb/2024:10:00:00", "07/Feb/2024:10:00:00"},
     "06/Feb/2024 10:00:00",
     "07/Feb/2024 10:00:00",
     2},
};

std::string texteDe(const Cas& c) {
    std::string s;
    for (const char* t : c.instants) {
        s += std::string("10.0.0.1 - - [") + t +
             " +0100] \"GET /a HTTP/1.1\" 200 1 \"-\" \"curl/7.29.0\"\n";
    }
    return s;
}

}  // namespace

TEST(BornesDates, RapportEtComplementsDUnJournalDansLeDesordre) {
    for (const Cas& c : kCas) {
        OptionsAnalyse o;
        o.resultatsLisibles = true;
        o.complements = true;
        ResultatAnalyse r;
        ASSERT_EQ(analyserJournal(Journal::depuisTexte(texteDe(c)), o, r), IssueAnalyse::terminee);
        const DonneesRapport d = donneesRapport(r);
        EXPECT_EQ(d.sommaire.premiereDate, c.premiere) << c.nom;
        EXPECT_EQ(d.sommaire.derniereDate, c.derniere) << c.nom;
        EXPECT_EQ(d.sommaire.jours, c.jours) << c.nom;
        // The days table of the same report, and the Compléments page's count.
        const auto jours = std::find_if(d.tables.begin(), d.tables.end(),
                                        [](const auto& t) { return t.fichier == "jours.csv"; });
        ASSERT_NE(jours, d.tables.end());
        EXPECT_EQ(static_cast<int64_t>(jours->lignes.size()), c.jours) << c.nom;
        EXPECT_EQ(r.complements->nbJours, c.jours) << c.nom;
        // The Compléments page's first and last dates are the same moments.
        const std::string premiere = c.premiere, derniere = c.derniere;
        Instant debut, fin;
        ASSERT_TRUE(lireInstant(premiere.substr(0, 11), premiere.substr(12), debut));
        ASSERT_TRUE(lireInstant(derniere.substr(0, 11), derniere.substr(12), fin));
        EXPECT_EQ(r.complements->premiere.secondes, debut.secondes) << c.nom;
        EXPECT_EQ(r.complements->derniere.secondes, fin.secondes) << c.nom;
    }
}

TEST(BornesDates, DeuxTronconsCoupesNImporteOu) {
    for (const Cas& c : kCas) {
        const Journal j = Journal::depuisTexte(texteDe(c));
        for (std::size_t coupure = 0; coupure <= j.nbLignes(); ++coupure) {
            ComptesLisibles comptes;
            comptes.commencer(j, 2, false);
            for (std::size_t i = 0; i < j.nbLignes(); ++i) {
                comptes.lire(i < coupure ? 0 : 1, analyserLigne(j.ligne(i)));
            }
            comptes.terminer();
            TablesAnalyse tables;
            ResultatsLisibles l;
            rendreLisibles(tables, comptes, 1, l);
            EXPECT_EQ(l.premiereDate, c.premiere) << c.nom << ", cut at " << coupure;
            EXPECT_EQ(l.derniereDate, c.derniere) << c.nom << ", cut at " << coupure;
            EXPECT_EQ(l.joursCouverts, c.jours) << c.nom << ", cut at " << coupure;
        }
    }
}

// A line whose day reads and whose time does not counts among the days, not among the bounds,
// as in the Compléments; a journal with no date that reads has neither.
TEST(BornesDates, JourSansHeureEtJournalSansDate) {
    BornesDates b;
    b.lire("05/Jan/2024", "12:00:00");
    b.lire("07/Jan/2024", "25:00:00");
    b.lire("3/Jan/2024", "10:00:00");
    b.garder();
    EXPECT_EQ(b.premiere(), "05/Jan/2024 12:00:00");
    EXPECT_EQ(b.derniere(), "05/Jan/2024 12:00:00");
    EXPECT_EQ(b.nbJours(), 3);
    BornesDates aucune;
    aucune.lire("-", "-");
    aucune.garder();
    EXPECT_EQ(aucune.premiere(), "");
    EXPECT_EQ(aucune.nbJours(), 0);
    // Bounds kept as views survive the bytes they were read from once kept.
    std::string date = "09/Jan/2024", heure = "08:00:00";
    BornesDates vues;
    vues.lire(date, heure);
    vues.garder();
    date.assign("xxxxxxxxxxx");
    heure.assign("yyyyyyyy");
    b.ajouter(vues);
    EXPECT_EQ(b.derniere(), "09/Jan/2024 08:00:00");
    EXPECT_EQ(b.nbJours(), 5);
}
