// A format without a user agent: the readable tables of systems and browsers, the report and its
// CSV files say so, where the catalogue named every line "Autre".
#include <gtest/gtest.h>

#include <string>

#include "core/analyse/Lisibles.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/export/Export.h"
#include "core/lecture/LectureFormatee.h"

using namespace kestrane;

TEST(SansAgent, FormatsQuiPortentUnAgent) {
    const std::pair<FormatJournal, bool> cas[] = {
        {FormatJournal(), true},
        {FormatJournal::propose(TypeFormat::Commun), false},
        {FormatJournal::propose(TypeFormat::HoteVirtuel), true},
        {FormatJournal::propose(TypeFormat::W3C), true},  // its columns come with the journal
        {FormatJournal::json(lireCorrespondanceJson("temps=t;statut=s;requete=r")), false},
        {FormatJournal::json(lireCorrespondanceJson("temps=t;statut=s;requete=r;agent=h.UA[0]")),
         true},
        {FormatJournal::depuisChaine("%h %l %u %t \"%r\" %>s %b \"%{Referer}i\""), false},
        {FormatJournal::depuisChaine("$remote_addr [$time_local] \"$request\" $status "
                                     "\"$http_user_agent\""),
         true},
    };
    for (const auto& [format, agent] : cas)
        EXPECT_EQ(porteAgent(format), agent) << format.libelle();
}

TEST(SansAgent, TablesEtRapportLeDisent) {
    OptionsAnalyse o;
    o.format = FormatJournal::propose(TypeFormat::Commun);
    o.resultatsLisibles = true;
    ResultatAnalyse r;
    ASSERT_EQ(analyserJournal(
                  Journal::depuisTexte(
                      "10.0.0.1 - - [06/Dec/2006:03:00:00 +0100] \"GET /a HTTP/1.1\" 200 10\n"
                      "10.0.0.2 - - [06/Dec/2006:03:10:00 +0100] \"GET /b HTTP/1.1\" 404 5\n"),
                  o, r),
              IssueAnalyse::terminee);
    EXPECT_TRUE(r.lisibles.sansAgent);
    const DonneesRapport d = donneesRapport(r);
    for (const std::size_t k : {1u, 2u}) {
        const TableExportee& t = d.tables[k];
        ASSERT_EQ(t.lignes,
                  (std::vector<std::vector<std::string>>{{std::string(kPasDAgent), "2"}}));
        EXPECT_EQ(t.points, 0);  // no chart of one slice
        std::string csv;
        produireCsv(t, [&](std::string_view morceau) { csv += morceau; });
        EXPECT_EQ(csv.substr(csv.find("\r\n") + 2), "Pas d'agent dans ce format;2;100,0 %\r\n");
    }
}
