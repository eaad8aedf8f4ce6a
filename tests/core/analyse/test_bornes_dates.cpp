// The summary of readable results: the earliest and latest requests whatever the lines' order,
// and the days from the first to the last, as many as the days table's rows and the Compléments'.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/analyse/Lisibles.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/export/Export.h"

using namespace kestrane;

TEST(BornesDates, PremiereDerniereEtJoursDUnJournalDansLeDesordre) {
    const struct {
        std::vector<const char*> instants;  // in journal order
        const char *premiere, *derniere;
        int64_t jours;
    } cas[] = {
        // Days without a line between them; the bounds in the middle of the journal.
        {{"12/Mar/2024:10:00:00", "10/Mar/2024:09:00:00", "15/Mar/2024:11:00:00",
          "11/Mar/2024:11:00:00"},
         "10/Mar/2024 09:00:00",
         "15/Mar/2024 11:00:00",
         6},
        {{"05/Jan/2024:12:00:00", "05/Jan/2024:08:00:00", "05/Jan/2024:13:00:00"},
         "05/Jan/2024 08:00:00",
         "05/Jan/2024 13:00:00",
         1},
        {{"02/Jan/2024:00:00:01", "31/Dec/2023:23:59:59", "30/Dec/2023:10:00:00"},
         "30/Dec/2023 10:00:00",
         "02/Jan/2024 00:00:01",
         4},
    };
    for (const auto& c : cas) {
        std::string texte;
        for (const char* t : c.instants) {
            texte += std::string("10.0.0.1 - - [") + t +
                     " +0100] \"GET / HTTP/1.1\" 200 1 \"-\" \"-\"\n";
        }
        const Journal j = Journal::depuisTexte(texte);
        OptionsAnalyse o;
        o.resultatsLisibles = o.complements = true;
        ResultatAnalyse r;
        ASSERT_EQ(analyserJournal(j, o, r), IssueAnalyse::terminee);
        const DonneesRapport d = donneesRapport(r);
        EXPECT_EQ(d.sommaire.premiereDate, c.premiere);
        EXPECT_EQ(d.sommaire.derniereDate, c.derniere);
        EXPECT_EQ(d.sommaire.jours, c.jours);
        const auto jours = std::find_if(d.tables.begin(), d.tables.end(),
                                        [](const auto& t) { return t.fichier == "jours.csv"; });
        ASSERT_NE(jours, d.tables.end());
        EXPECT_EQ(static_cast<int64_t>(jours->lignes.size()), c.jours);
        EXPECT_EQ(r.complements->nbJours, c.jours);
        // Two stretches cut anywhere give the same bounds.
        for (std::size_t coupure = 0; coupure <= j.nbLignes(); ++coupure) {
            ComptesLisibles comptes;
            comptes.commencer(j, 2, false);
            for (std::size_t i = 0; i < j.nbLignes(); ++i)
                comptes.lire(i < coupure ? 0 : 1, analyserLigne(j.ligne(i)));
            comptes.terminer();
            TablesAnalyse tables;
            ResultatsLisibles l;
            rendreLisibles(tables, comptes, 1, l);
            EXPECT_EQ(l.premiereDate + " " + l.derniereDate,
                      std::string(c.premiere) + " " + c.derniere)
                << coupure;
            EXPECT_EQ(l.joursCouverts, c.jours) << coupure;
        }
    }
}
