// A format without a user agent (the common format): the readable tables of systems and browsers,
// the report and its CSV files say so, where the catalogue named every line "Autre"; the raw
// tables and the formats that hold an agent are as before.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/analyse/DetailLisible.h"
#include "core/analyse/Lisibles.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/export/Export.h"
#include "core/lecture/FormatJournal.h"
#include "core/lecture/LectureFormatee.h"

using namespace kestrane;

namespace {

const char* const kCommun[] = {
    "10.0.0.1 - - [06/Dec/2006:03:00:00 +0100] \"GET /a HTTP/1.1\" 200 10",
    "10.0.0.2 - - [06/Dec/2006:03:10:00 +0100] \"GET /b HTTP/1.1\" 200 20",
    "10.0.0.1 - - [07/Dec/2006:04:00:00 +0100] \"POST /c HTTP/1.1\" 404 5",
};

ResultatAnalyse analyser(const FormatJournal& format, bool lisibles) {
    std::string texte;
    for (const char* l : kCommun) texte += std::string(l) + "\n";
    OptionsAnalyse o;
    o.format = format;
    o.resultatsLisibles = lisibles;
    ResultatAnalyse r;
    EXPECT_EQ(analyserJournal(Journal::depuisTexte(texte), o, r), IssueAnalyse::terminee);
    return r;
}

std::string produit(const TableExportee& t) {
    std::string s;
    produireCsv(t, [&](std::string_view morceau) { s += morceau; });
    return s;
}

}  // namespace

TEST(SansAgent, FormatsQuiPortentUnAgent) {
    const struct {
        const char* nom;
        FormatJournal format;
        bool agent;
    } cas[] = {
        {"default", FormatJournal(), true},
        {"common", FormatJournal::propose(TypeFormat::Commun), false},
        {"vhost_combined", FormatJournal::propose(TypeFormat::HoteVirtuel), true},
        {"nginx with the host", FormatJournal::propose(TypeFormat::NginxHote), true},
        {"combined and more", FormatJournal::propose(TypeFormat::CombineSuivi), true},
        {"W3C: its columns come with the journal", FormatJournal::propose(TypeFormat::W3C), true},
        {"JSON of the usual servers", FormatJournal::propose(TypeFormat::Json), true},
        {"JSON without an agent key",
         FormatJournal::json(lireCorrespondanceJson("temps=t;statut=s;requete=r")), false},
        {"JSON with a nested agent key",
         FormatJournal::json(lireCorrespondanceJson("temps=t;statut=s;requete=r;agent=h.UA[0]")),
         true},
        {"Apache string without an agent",
         FormatJournal::depuisChaine("%h %l %u %t \"%r\" %>s %b \"%{Referer}i\""), false},
        {"Apache string with one",
         FormatJournal::depuisChaine("%h %t \"%r\" %>s \"%{User-agent}i\""), true},
        {"nginx string with one",
         FormatJournal::depuisChaine("$remote_addr [$time_local] \"$request\" $status "
                                     "\"$http_user_agent\""),
         true},
    };
    for (const auto& c : cas) EXPECT_EQ(porteAgent(c.format), c.agent) << c.nom;
}

TEST(SansAgent, TablesRapportEtDetailLeDisent) {
    const FormatJournal commun = FormatJournal::propose(TypeFormat::Commun);
    const ResultatAnalyse r = analyser(commun, true);
    EXPECT_TRUE(r.lisibles.sansAgent);
    for (const tableauRapportStat* t : {&r.tables.statOS, &r.tables.statNav}) {
        ASSERT_EQ(t->size(), 1u);
        EXPECT_EQ((*t)[0].libelle, kPasDAgent);
        EXPECT_EQ((*t)[0].nombre, 3);
    }
    const DonneesRapport d = donneesRapport(r);
    for (const std::size_t k : {1u, 2u}) {
        EXPECT_EQ(d.tables[k].points, 0) << k;  // no chart of one slice
        const std::string csv = produit(d.tables[k]);
        EXPECT_EQ(csv.substr(csv.find("\r\n") + 2), "Pas d'agent dans ce format;3\r\n") << k;
    }
    std::string page;
    produireHtml(d, [&](std::string_view morceau) { page += morceau; });
    EXPECT_EQ(page.find(">Autre<"), std::string::npos);
    EXPECT_NE(page.find("<td>Pas d&#39;agent dans ce format</td>"), std::string::npos);
    // The detail text of a line says the same.
    std::string detail;
    DetailsLisibles(true).ajouter(detail, analyserLigne(kCommun[0]), "-");
    EXPECT_NE(detail.find("Navigateur/Robot: Pas d'agent dans ce format\r\n"
                          "Syst\xE8me d'exploitation : Pas d'agent dans ce format"),
              std::string::npos);
}

TEST(SansAgent, TablesBrutesEtFormatsAvecAgentInchanges) {
    // The raw tables keep the parser's keys.
    const ResultatAnalyse brut = analyser(FormatJournal::propose(TypeFormat::Commun), false);
    EXPECT_FALSE(brut.lisibles.sansAgent);
    ASSERT_EQ(brut.tables.statNav.size(), 1u);
    EXPECT_EQ(brut.tables.statNav[0].libelle, "-");
    // The default format holds an agent, here none written: the catalogue's "Autre".
    const ResultatAnalyse avec = analyser(FormatJournal(), true);
    EXPECT_FALSE(avec.lisibles.sansAgent);
    ASSERT_EQ(avec.tables.statNav.size(), 1u);
    EXPECT_EQ(avec.tables.statNav[0].libelle, "Autre");
}
