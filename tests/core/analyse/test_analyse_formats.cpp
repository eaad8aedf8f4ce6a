// The whole analysis in a format other than the default: the bundled sample written in each
// format gives the tables, Compléments and extras of its combined original; W3C directives, the
// period and the skipping of lines in another format.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "core/analyse/ServiceAnalyse.h"
#include "core/export/Export.h"
#include "core/journal/Erreur.h"
#include "core/lecture/FormatJournal.h"
#include "tests/commun/OutilsTests.h"
#include "tests/core/lecture/Reecriture.h"

using namespace kestrane;
using namespace kestrane::test;

namespace {

// The sample's requests that every format writes back unchanged (no escaped byte: the default
// reading keeps escapes as written, the others read them).
std::vector<Requete> requetes() {
    std::vector<Requete> v;
    std::ifstream f(KESTRANE_ACCES_5000, std::ios::binary);
    std::string l;
    while (std::getline(f, l)) {
        Requete q;
        if (l.find('\\') == std::string::npos && couperCombinee(l, q) && q.troisParties &&
            q.agent.find('+') == std::string::npos) {
            v.push_back(std::move(q));
        }
    }
    return v;
}

Journal journalDe(const std::vector<std::string>& lignes) {
    std::string t;
    for (const std::string& l : lignes) t += l + "\n";
    return Journal::depuisTexte(std::move(t));
}

ResultatAnalyse analyser(const Journal& j, OptionsAnalyse o) {
    ResultatAnalyse r;
    o.complements = true;
    EXPECT_EQ(analyserJournal(j, o, r), IssueAnalyse::terminee);
    return r;
}

std::vector<std::string> libelles(const tableauRapportStat& t) {
    std::vector<std::string> v;
    for (const rapportStat& e : t) v.push_back(e.libelle + "=" + std::to_string(e.nombre));
    return v;
}

struct Cas {
    const char* nom;
    Ecriture ecriture;
    FormatJournal format;
    bool heuresLocales = true;  // false: written in UTC, the days and hours differ
    bool agents = true;         // referrer and agent written
    const char* hote = nullptr;
    int64_t tempsUs = -1;  // every line's response time
};

void PrintTo(const Cas& c, std::ostream* os) {
    *os << c.nom;
}

class AnalyseFormats : public testing::TestWithParam<std::tuple<Cas, bool>> {};

TEST_P(AnalyseFormats, MemesTablesQueLOriginalCombine) {
    const auto& [c, ignorer] = GetParam();
    const std::vector<Requete> qs = requetes();
    ASSERT_GT(qs.size(), 4000u);
    std::vector<std::string> combine, ecrit;
    if (c.ecriture == Ecriture::W3C) {
        // Its header, then a "#Fields:" line again halfway, in both halves of the first pass.
        ecrit.push_back(std::string(kEnteteW3C));
    }
    for (std::size_t k = 0; k < qs.size(); ++k) {
        combine.push_back(reecrire(qs[k], Ecriture::Combine, k));
        ecrit.push_back(reecrire(qs[k], c.ecriture, k));
        if (c.ecriture == Ecriture::W3C && k == qs.size() / 2) {
            ecrit.push_back(std::string(kEnteteW3C).substr(std::string(kEnteteW3C).rfind('#')));
        }
    }
    const Journal jc = journalDe(combine);
    const Journal je = Journal::depuisTexte([&] {
        std::string t;
        for (const std::string& l : ecrit) t += l + "\n";
        return t;
    }());
    OptionsAnalyse o;
    o.ignorerNonConformes = ignorer;
    const ResultatAnalyse a = analyser(jc, o);
    o.format = c.format;
    const ResultatAnalyse b = analyser(je, o);

    EXPECT_EQ(resumer(b).lignesAnalysees, qs.size());
    EXPECT_EQ(resumer(b).ignorees, 0u);
    EXPECT_EQ(b.enregistrements.nbDirectives(), c.ecriture == Ecriture::W3C ? 4u : 0u);
    EXPECT_EQ(libelles(b.tables.statIP), libelles(a.tables.statIP));
    EXPECT_EQ(libelles(b.tables.statTaux), libelles(a.tables.statTaux));
    EXPECT_EQ(libelles(b.tables.statFichier), libelles(a.tables.statFichier));
    if (c.agents) {
        EXPECT_EQ(libelles(b.tables.statOS), libelles(a.tables.statOS));
        EXPECT_EQ(libelles(b.tables.statNav), libelles(a.tables.statNav));
        EXPECT_EQ(libelles(b.tables.statPrecedent), libelles(a.tables.statPrecedent));
    }
    if (c.heuresLocales) {
        EXPECT_EQ(libelles(b.tables.statHoraires), libelles(a.tables.statHoraires));
        EXPECT_EQ(libelles(b.tables.statVMensuelles), libelles(a.tables.statVMensuelles));
        ASSERT_TRUE(a.complements && b.complements);
        EXPECT_EQ(b.complements->jours.size(), a.complements->jours.size());
    }
    ASSERT_TRUE(a.complements && b.complements);
    ASSERT_EQ(b.complements->codes.size(), a.complements->codes.size());
    for (std::size_t k = 0; k < a.complements->codes.size(); ++k) {
        EXPECT_EQ(b.complements->codes[k].nombre, a.complements->codes[k].nombre);
        EXPECT_EQ(b.complements->codes[k].octets, a.complements->codes[k].octets);
    }
    EXPECT_EQ(b.complements->introuvables.size(), a.complements->introuvables.size());
    // The records made again (the detail view, the report's recounts) are those of the pass.
    for (std::size_t k : {std::size_t{0}, qs.size() / 2, qs.size() - 1}) {
        EXPECT_EQ(adresseIP(b.enregistrements[k]), adresseIP(a.enregistrements[k])) << k;
        EXPECT_EQ(b.enregistrements[k].fichierCharge, a.enregistrements[k].fichierCharge) << k;
    }
    // The extras.
    if (c.hote) {
        ASSERT_EQ(b.enPlus.hotes.size(), 1u);
        EXPECT_EQ(b.enPlus.hotes[0].hote, c.hote);
    } else {
        EXPECT_TRUE(b.enPlus.hotes.empty());
    }
    if (c.tempsUs >= 0) {
        EXPECT_EQ(b.enPlus.requetesAvecTemps, static_cast<int64_t>(qs.size()));
        EXPECT_EQ(b.enPlus.tempsMoyen, c.tempsUs);
        // Every line has a time: each file's times are counted under it, whichever stretch
        // and entry of the loaded-files table the line came through.
        std::vector<std::string> parFichier;
        for (const LigneTempsReponse& t : b.enPlus.temps)
            parFichier.push_back(t.fichier + "=" + std::to_string(t.requetes));
        std::vector<std::string> fichiers = libelles(b.tables.statFichier);
        std::sort(parFichier.begin(), parFichier.end());
        std::sort(fichiers.begin(), fichiers.end());
        EXPECT_EQ(parFichier, fichiers);
    } else {
        EXPECT_TRUE(b.enPlus.temps.empty());
    }
    EXPECT_NE(texteFormat(b).find(c.format.libelle()), std::string::npos);
    EXPECT_EQ(texteFormat(a), "");
    // Named from the whole agent, browsers, systems and robots are those of the original in
    // every format that has an agent, whether it lies in the line or was rewritten (escapes,
    // IIS's "+"); visitors too where the days are those of the original (local times).
    if (c.ecriture == Ecriture::Commun) return;
    o.resultatsLisibles = true;
    const ResultatAnalyse lb = analyser(je, o);
    o.format = FormatJournal();
    const ResultatAnalyse la = analyser(jc, o);
    EXPECT_EQ(libelles(lb.tables.statNav), libelles(la.tables.statNav));
    EXPECT_EQ(libelles(lb.tables.statOS), libelles(la.tables.statOS));
    ASSERT_TRUE(la.audience && lb.audience);
    EXPECT_EQ(lb.audience->requetesRobots, la.audience->requetesRobots);
    if (c.heuresLocales) {
        EXPECT_EQ(lb.audience->visiteurs, la.audience->visiteurs);
    }
}

const Cas kCas[] = {
    {"ChaineApache", Ecriture::Combine,
     FormatJournal::depuisChaine("%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\"")},
    {"HoteVirtuelPort", Ecriture::HoteVirtuelPort, FormatJournal::propose(TypeFormat::HoteVirtuel),
     true, true, "www.exemple.fr"},
    {"NginxHote", Ecriture::NginxHote, FormatJournal::propose(TypeFormat::NginxHote), true, true,
     "www.exemple.fr"},
    {"CombineSuivi", Ecriture::CombineSuivi, FormatJournal::propose(TypeFormat::CombineSuivi), true,
     true, nullptr, 123000},
    {"Commun", Ecriture::Commun, FormatJournal::propose(TypeFormat::Commun), true, false},
    {"W3C", Ecriture::W3C, FormatJournal::propose(TypeFormat::W3C), false, true, "www.exemple.fr",
     15000},
    {"JsonNginx", Ecriture::JsonNginx, FormatJournal::propose(TypeFormat::Json), true, true,
     "www.exemple.fr", 4000},
    {"JsonCaddy", Ecriture::JsonCaddy, FormatJournal::propose(TypeFormat::Json), false, true,
     "www.exemple.fr", 929},
    {"ChaineNginx", Ecriture::ChaineNginx, FormatJournal::depuisChaine(kChaineNginx), true, true,
     nullptr, 4000},
};

INSTANTIATE_TEST_SUITE_P(Formats, AnalyseFormats,
                         testing::Combine(testing::ValuesIn(kCas), testing::Bool()),
                         [](const auto& i) {
                             return std::string(std::get<0>(i.param).nom) +
                                    (std::get<1>(i.param) ? "Ignorer" : "Strict");
                         });

// W3C lines whose columns change within the file, a line that does not read among them, the
// period: in every case the directives are neither records nor skipped lines nor out of period.
const char* const kW3C[] = {
    "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes",
    "2024-01-10 08:00:00 1.1.1.1 GET /a 200 10",
    "2024-01-10 09:00:00 1.1.1.2 GET /b 404 20",
    "2024-01-10 10:00:00 1.1.1.3 GET /c 200 30",
    "#Fields: c-ip date time sc-bytes cs-method cs-uri-stem sc-status",
    "2.2.2.1 2024-01-11 08:00:00 40 GET /d 200",
    "pas une ligne",
    "2.2.2.2 2024-01-11 09:00:00 50 POST /e 500",
    "2.2.2.3 2024-01-12 10:00:00 60 GET /f 200",
    "#Remarks: fin",
    "2.2.2.4 2024-01-12 11:00:00 70 GET /g 200",
};

TEST(AnalyseW3C, ColonnesChangeantesPeriodeEtLignesIgnorees) {
    std::vector<std::string> lignes(std::begin(kW3C), std::end(kW3C));
    const Journal j = journalDe(lignes);
    OptionsAnalyse o;
    o.format = FormatJournal::propose(TypeFormat::W3C);
    // Without skipping, the line that does not read stops the analysis with its reason.
    {
        ResultatAnalyse r;
        const auto e = [&]() -> std::string {
            try {
                analyserJournal(j, o, r);
            } catch (const ErreurKestrane& x) {
                return x.what();
            }
            return "";
        }();
        EXPECT_NE(e, "");
    }
    o.ignorerNonConformes = true;
    const ResultatAnalyse r = analyser(j, o);
    EXPECT_EQ(r.enregistrements.taille(), 7u);
    EXPECT_EQ(r.enregistrements.nbIgnorees(), 1u);
    EXPECT_EQ(r.enregistrements.nbDirectives(), 3u);
    ASSERT_EQ(r.enregistrements.premieresIgnorees().size(), 1u);
    EXPECT_EQ(r.enregistrements.premieresIgnorees()[0].numero, 6u);
    EXPECT_TRUE(r.enregistrements.couvre(j));
    // Records by their journal line, read again with the columns in force there.
    const struct {
        std::size_t k, ligne;
        const char* client;
        const char* fichier;
    } attendus[] = {{0, 1, "1.1.1.1", "/a"},
                    {3, 5, "2.2.2.1", "/d"},
                    {4, 7, "2.2.2.2", "/e"},
                    {6, 10, "2.2.2.4", "/g"}};
    for (const auto& a : attendus) {
        EXPECT_EQ(r.enregistrements.numeroLigne(a.k), a.ligne);
        EXPECT_EQ(adresseIP(r.enregistrements[a.k]), a.client);
        EXPECT_EQ(r.enregistrements[a.k].fichierCharge, a.fichier);
    }
    EXPECT_EQ(r.tables.statIP.size(), 7u);
    ASSERT_TRUE(r.complements);
    EXPECT_EQ(r.complements->lignesIgnorees, 1);
    EXPECT_EQ(r.complements->octets, 280);
    // The period of 11 January: the directives stay, out of the count.
    o.periode.active = true;
    lireInstant("11/Jan/2024", "00:00:00", o.periode.debut);
    lireInstant("11/Jan/2024", "23:59:59", o.periode.fin);
    const ResultatAnalyse p = analyser(j, o);
    EXPECT_EQ(resumer(p).lignesAnalysees, 2u);
    EXPECT_EQ(p.horsPeriode, 6u);  // 5 other days, the line that does not read
    EXPECT_EQ(libelles(p.tables.statIP), (std::vector<std::string>{"2.2.2.1=1", "2.2.2.2=1"}));
}

// Automatique: the detected format is used, and named.
// A line whose date reads but whose bytes do not, within the period: it stops the strict
// analysis and is skipped by the other, never counted out of the period.
TEST(AnalyseFormatPeriode, LigneFautiveDansLaPeriode) {
    const auto ligne = [](const char* jour, const char* octets) {
        return cat("a.fr 10.0.0.1 - - [", jour,
                   "/Jan/2024:10:00:00 +0100] \"GET /a HTTP/1.1\" 200 ", octets, " \"-\" \"x\"");
    };
    const Journal j = journalDe({ligne("09", "10"), ligne("10", "10"), ligne("10", "abc"),
                                 ligne("10", "10"), "pas une ligne"});
    OptionsAnalyse o;
    o.format = FormatJournal::propose(TypeFormat::HoteVirtuel);
    o.periode.active = true;
    lireInstant("10/Jan/2024", "00:00:00", o.periode.debut);
    lireInstant("10/Jan/2024", "23:59:59", o.periode.fin);
    ResultatAnalyse r;
    EXPECT_EQ(erreurDe([&] { analyserJournal(j, o, r); }), messageEntier("abc"));
    o.ignorerNonConformes = true;
    r = analyser(j, o);
    EXPECT_EQ(resumer(r).lignesAnalysees, 2u);
    EXPECT_EQ(resumer(r).ignorees, 1u);
    EXPECT_EQ(r.horsPeriode, 2u);  // the 9th, and the line without a date
    ASSERT_EQ(r.enregistrements.premieresIgnorees().size(), 1u);
    EXPECT_EQ(r.enregistrements.premieresIgnorees()[0].hote, "a.fr");
}

TEST(AnalyseFormatAutomatique, DetecteEtNomme) {
    std::vector<std::string> lignes;
    const std::vector<Requete> qs = requetes();
    for (std::size_t k = 0; k < 50; ++k) lignes.push_back(reecrire(qs[k], Ecriture::NginxHote, k));
    OptionsAnalyse o;
    o.formatAutomatique = true;
    const ResultatAnalyse r = analyser(journalDe(lignes), o);
    EXPECT_EQ(r.format.type(), TypeFormat::NginxHote);
    EXPECT_EQ(resumer(r).lignesAnalysees, 50u);
    EXPECT_NE(texteFormat(r).find("(d\xE9tect\xE9)"), std::string::npos);
}

// nginx's "$server_addr $remote_addr - ... $server_port": the health probes reach the server
// with no address (their lines start with a blank), the web requests with one; probes first.
// "Automatique" reads every line, the probes and the requests.
TEST(AnalyseFormatAutomatique, NginxAdresseDuServeurVideSurLesSondes) {
    const std::vector<Requete> qs = requetes();
    std::vector<std::string> lignes;
    for (int k = 0; k < 600; ++k) {
        lignes.push_back(
            cat(" 10.244.0.", std::to_string(1 + k % 3),
                " - - [19/Dec/2023:", std::to_string(10 + k / 60), ":", std::to_string(10 + k % 50),
                ":07 +0100] \"GET /healthz HTTP/1.1\" 200 2 \"-\" \"kube-probe/1.27\" ",
                k % 2 ? "8080" : "80"));
    }
    for (std::size_t k = 0; k < 400; ++k) {
        lignes.push_back("10.0.0.5 " + reecrire(qs[k], Ecriture::Combine) + " 443");
    }
    OptionsAnalyse o;
    o.formatAutomatique = true;
    o.ignorerNonConformes = true;
    const ResultatAnalyse r = analyser(journalDe(lignes), o);
    EXPECT_EQ(r.format.type(), TypeFormat::NginxHote);
    EXPECT_EQ(resumer(r).lignesAnalysees, 1000u);
    EXPECT_EQ(resumer(r).ignorees, 0u);
    ASSERT_EQ(r.enPlus.hotes.size(), 1u);
    EXPECT_EQ(r.enPlus.hotes[0].hote, "10.0.0.5");
    EXPECT_EQ(r.enPlus.hotes[0].requetes, 400);
    // The three probes' clients and the requests' own: no client read as a server's address.
    std::set<std::string> clients = {"10.244.0.1", "10.244.0.2", "10.244.0.3"};
    for (std::size_t k = 0; k < 400; ++k) clients.insert(qs[k].client);
    EXPECT_EQ(r.tables.statIP.size(), clients.size());
}

// An escape standing for a control character stays as the log wrote it, whichever reading
// unescaped the line: no table of the report (HTML and CSV are made of its cells), readable or
// raw, and no detail text holds a raw control byte.
TEST(AnalyseFormats, LesCaracteresDeControleRestentEchappes) {
    const std::string debut = "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] ";
    const std::string json =
        "{\"time_local\":\"10/Oct/2000:13:55:36 -0700\",\"remote_addr\":\"1.2.3.4\"";
    const struct {
        FormatJournal format;
        std::string ligne;
        const char* fichier;
    } kCas[] = {
        {FormatJournal::propose(TypeFormat::CombineSuivi),
         debut + "\"GET /a\\nb\\x1b[2J\\x41 HTTP/1.1\" 404 5 \"http://r.fr/\\t\" \"curl\\x07 "
                 "(X11; Linux\\r)\" 0.5",
         "/a\\nb\\x1b[2JA"},
        {FormatJournal::propose(TypeFormat::Json),
         json + ",\"request\":\"GET /a\\nb\\u001b[2J\\/\\u00e9 HTTP/1.1\",\"status\":404,"
                "\"http_referer\":\"http://r.fr/\\t\",\"http_user_agent\":\"curl\\b (X11; "
                "Linux\\f)\"}",
         "/a\\nb\\u001b[2J/\xC3\xA9"},
    };
    const auto controle = [](std::string_view t) {
        return std::any_of(t.begin(), t.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        });
    };
    for (const auto& c : kCas) {
        for (const bool lisibles : {false, true}) {
            SCOPED_TRACE(c.ligne + (lisibles ? " (lisibles)" : ""));
            OptionsAnalyse o;
            o.format = c.format;
            o.resultatsLisibles = lisibles;
            const ResultatAnalyse r = analyser(journalDe({c.ligne, c.ligne}), o);
            ASSERT_EQ(resumer(r).lignesAnalysees, 2u);
            EXPECT_EQ(r.tables.statFichier.at(0).libelle, c.fichier);
            for (const TableExportee& t : donneesRapport(r).tables) {
                for (const auto& ligne : t.lignes) {
                    for (const std::string& cellule : ligne) {
                        EXPECT_FALSE(controle(cellule)) << t.titre << " : " << cellule;
                    }
                }
            }
            for (std::size_t k = 0; k < r.enregistrements.taille(); ++k) {
                std::string detail = detailLog(r.enregistrements[k]);
                std::erase(detail, '\r');
                std::erase(detail, '\n');
                EXPECT_FALSE(controle(detail)) << detail;
            }
        }
    }
}

TEST(TempsReponse, MedianeCentileEtOrdre) {
    ComptesEnPlus c;
    c.commencer(Journal(), 2, false);
    RLog r;
    ChampsEnPlus p;
    r.fichierCharge = "/lent";
    for (int64_t t : {100, 200, 300, 400, 10000}) {
        p.tempsReponse = t;
        c.lireEnPlus(t == 10000 ? 1 : 0, r, p);
    }
    r.fichierCharge = "/vite";
    p.tempsReponse = 50;
    c.lireEnPlus(1, r, p);
    const TablesEnPlus t = c.resultat();
    ASSERT_EQ(t.temps.size(), 2u);
    EXPECT_EQ(t.temps[0].fichier, "/lent");
    EXPECT_EQ(t.temps[0].requetes, 5);
    EXPECT_EQ(t.temps[0].moyenne, 2200);
    EXPECT_EQ(t.temps[0].mediane, 300);
    EXPECT_EQ(t.temps[0].centile95, 10000);
    EXPECT_EQ(t.temps[0].maximum, 10000);
    EXPECT_EQ(t.temps[1].fichier, "/vite");
    EXPECT_EQ(t.requetesAvecTemps, 6);
    std::vector<int64_t> cent;
    for (int64_t k = 1; k <= 100; ++k) cent.push_back(101 - k);
    EXPECT_EQ(centile95(cent), 95);
    EXPECT_TRUE(t.hotes.empty());

    // Hosts one after the other, then back to the first (each stretch remembers its last one).
    ComptesEnPlus h;
    h.commencer(Journal(), 2, false);
    r.chargement = 10;
    for (const char* nom : {"a.fr", "a.fr", "b.fr", "a.fr", "b.fr"}) {
        p.hoteVirtuel = nom;
        h.lireEnPlus(0, r, p);
    }
    p.hoteVirtuel = "b.fr";
    h.lireEnPlus(1, r, p);
    const TablesEnPlus th = h.resultat();
    ASSERT_EQ(th.hotes.size(), 2u);
    EXPECT_EQ(th.hotes[0].hote, "a.fr");
    EXPECT_EQ(th.hotes[0].requetes, 3);
    EXPECT_EQ(th.hotes[1].requetes, 3);
    EXPECT_EQ(th.hotes[1].octets, 30);
}

}  // namespace
