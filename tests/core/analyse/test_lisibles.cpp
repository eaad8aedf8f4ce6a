// Readable results: paths of every method, the average day's division and slices, units, names,
// order and ties, two stretches merged in order (the option off is every other suite's case).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/analyse/Lisibles.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/export/Export.h"

using namespace kestrane;

namespace {

using Entrees = std::vector<std::pair<std::string, int64_t>>;

Entrees entrees(const tableauRapportStat& t) {
    Entrees v;
    for (const rapportStat& e : t) v.emplace_back(e.libelle, e.nombre);
    return v;
}

// Three days; curl comes before Chrome, which makes more requests.
std::string journalTroisJours() {
    const char* chrome =
        "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like "
        "Gecko) Chrome/42.0.2311.135 Safari/537.36";
    const char* firefox =
        "Mozilla/5.0 (X11; Ubuntu; Linux x86_64; rv:37.0) Gecko/20100101 "
        "Firefox/37.0";
    const struct {
        const char *ip, *jour, *heure, *requete, *octets, *agent;
    } lignes[] = {
        {"10.0.0.1", "01", "03:10:00", "GET /a HTTP/1.1", "100", firefox},
        {"10.0.0.2", "01", "03:20:00", "DELETE /x HTTP/1.1", "2048", chrome},
        {"10.0.0.2", "02", "04:00:00", "GET /a?b=1 HTTP/1.1", "10", chrome},
        {"10.0.0.3", "02", "03:59:59", "HEAD /index.html HTTP/1.0", "0", "curl/7.29.0"},
        {"10.0.0.3", "03", "23:00:00", "GET /a HTTP/1.1", "5", "curl/7.29.0"},
        {"10.0.0.2", "03", "23:30:00", "POST /a HTTP/1.1", "7", chrome},
    };
    std::string s;
    for (const auto& l : lignes) {
        s += std::string(l.ip) + " - - [" + l.jour + "/Dec/2023:" + l.heure + " +0100] \"" +
             l.requete + "\" 200 " + l.octets + " \"-\" \"" + l.agent + "\"\n";
    }
    return s;
}

// A client met with Firefox comes back with curl; "get" is no method, "/a" its loaded file.
constexpr const char* kAutreAgentEtMethode =
    "10.0.0.1 - - [03/Dec/2023:23:40:00 +0100] \"get /a HTTP/1.1\" 200 1 \"-\" \"curl/7.29.0\"\n";

ResultatAnalyse analyser(const std::string& texte, bool lisibles) {
    OptionsAnalyse o;
    o.resultatsLisibles = lisibles;
    ResultatAnalyse r;
    EXPECT_EQ(analyserJournal(Journal::depuisTexte(texte), o, r), IssueAnalyse::terminee);
    return r;
}

}  // namespace

TEST(Lisibles, CheminDeChaqueMethode) {
    const std::pair<const char*, const char*> cas[] = {
        {"DELETE /x HTTP/1.1", "/x"},
        {"HEAD /index.html HTTP/1.0", "/index.html"},
        {"GET /a?b=c&d HTTP/1.1", "/a?b=c&d"},
        {"GET /sans-protocole", "/sans-protocole"},
        {"-", "-"},
        {"get /minuscules HTTP/1.1", "get /minuscules HTTP/1.1"},
        {"GET  /deux-blancs HTTP/1.1", "GET  /deux-blancs HTTP/1.1"},
        {"GET /a HTTP/1.1 de trop", "GET /a HTTP/1.1 de trop"},
        // Blanks found 16 bytes at a time: before, across and after the first 16.
        {"PROPFIND /un/chemin/assez/long?q=1 HTTP/1.1", "/un/chemin/assez/long?q=1"},
        {"GET /0123456789a HTTP/1.1", "/0123456789a"},
        {"GET /0123456789ab HTTP/1.1 x", "GET /0123456789ab HTTP/1.1 x"},
        {"GET /x ", "GET /x "},
        {"GET ", "GET "},
        {" /x HTTP/1.1", " /x HTTP/1.1"},
        {"", ""},
    };
    for (const auto& [requete, chemin] : cas) EXPECT_EQ(cheminRequete(requete), chemin) << requete;
}

TEST(Lisibles, JourneeMoyenneDivisionReelleEtToutesLesTranches) {
    HeuresDuJournal h;
    h.lignes[3] = 26;
    h.jours = 30;
    // 26 lines at 03h over 30 days: 0,9 a day, not 0.
    EXPECT_EQ(texteNombre(journeeMoyenne(h, 1)[3].nombre, FormatNombre::dixiemes), "0,9");
    const std::tuple<int, std::size_t, const char*> largeurs[] = {
        {1, 24, "23 \xE0 24"}, {2, 12, "22 \xE0 24"}, {5, 5, "20 \xE0 24"},
        {6, 4, "18 \xE0 24"},  {0, 24, "23 \xE0 24"}, {9, 4, "18 \xE0 24"}};
    for (const auto& [largeur, tranches, derniere] : largeurs) {
        const tableauRapportStat t = journeeMoyenne(h, largeur);
        ASSERT_EQ(t.size(), tranches) << largeur;
        EXPECT_EQ(t.back().libelle, derniere) << largeur;
    }
    for (const rapportStat& e : journeeMoyenne(HeuresDuJournal{}, 3)) EXPECT_EQ(e.nombre, 0);
}

TEST(Lisibles, UnitesEnBase1024) {
    const std::tuple<int64_t, FormatNombre, const char*> cas[] = {
        {0, FormatNombre::octets, "0 octet"},
        {812, FormatNombre::octets, "812 octets"},
        {358400, FormatNombre::octets, "350,0 Ko"},
        {1048575, FormatNombre::octets, "1,0 Mo"},  // 1023,99 Ko rounds into the next unit
        {1288490189, FormatNombre::octets, "1,2 Go"},
        {INT64_MAX, FormatNombre::octets, "8,0 Eo"},
        {26, FormatNombre::dixiemes, "2,6"},
    };
    for (const auto& [n, format, texte] : cas) EXPECT_EQ(texteNombre(n, format), texte) << n;
}

TEST(Lisibles, NomsFichiersOrdreEtRapport) {
    const ResultatAnalyse r = analyser(journalTroisJours(), true);
    EXPECT_EQ(entrees(r.tables.statNav),
              (Entrees{{"Chrome 42", 3}, {"curl 7", 2}, {"Firefox 37", 1}}));
    EXPECT_EQ(entrees(r.tables.statOS), (Entrees{{"Windows 7", 3}, {"Inconnu", 2}, {"Ubuntu", 1}}));
    EXPECT_EQ(entrees(r.tables.statFichier),  // ties in order of first appearance
              (Entrees{{"/a", 3}, {"/x", 1}, {"/a?b=1", 1}, {"/index.html", 1}}));
    EXPECT_EQ(entrees(r.tables.statTaux),  // as numbers, not as texts
              (Entrees{{"10.0.0.2", 2065}, {"10.0.0.1", 100}, {"10.0.0.3", 5}}));
    const DonneesRapport d = donneesRapport(r);
    ASSERT_TRUE(d.sommaire.present);
    const auto table = [&d](const char* fichier) {
        for (const TableExportee& t : d.tables) {
            if (t.fichier == fichier) return t;
        }
        return TableExportee{};
    };
    EXPECT_EQ(table("taux-chargement.csv").lignes.at(0).at(1), "2,0 Ko");
    EXPECT_EQ(table("tranches-horaires.csv").lignes.at(3).at(1), "1,0");  // 03h: 3 lines, 3 days
    // Browsers by family; curl names itself no robot and the catalogue does not call it one:
    // no robots' table.
    EXPECT_EQ(
        table("navigateurs.csv").familles,
        (std::vector<std::vector<std::string>>{{"Chrome", "3"}, {"curl", "2"}, {"Firefox", "1"}}));
    EXPECT_EQ(table("robots-agents.csv").fichier, "");
    EXPECT_EQ(d.sommaire.octets, 2170);
    // Ties keep their order, among counts past 32 bits and below zero.
    tableauRapportStat t;
    for (const int64_t n :
         {int64_t{5}, INT64_MAX, int64_t{-1}, int64_t{5}, INT64_MAX, int64_t{0}, int64_t{5}}) {
        t.push_back({std::to_string(t.size()), {}, n});
    }
    ordonnerParFrequence(t);
    std::string ordre;
    for (const rapportStat& e : t) ordre += e.libelle;
    EXPECT_EQ(ordre, "1403652");
    // Small counts, many ties, a few large ones and a few below zero; sums of bytes, all large:
    // the order of a stable sort.
    for (const int64_t grand : {int64_t{0}, int64_t{40'000}, int64_t{1} << 40, int64_t{-1}}) {
        tableauRapportStat u, attendu;
        for (int64_t k = 0; k < 5000; ++k) {
            const int64_t petit = (k * 7919) % 101;
            u.push_back({std::to_string(k),
                         {},
                         grand < 0     ? petit << 30
                         : k % 97 == 0 ? grand + k
                         : k % 89 == 0 ? -(k % 7)
                                       : petit});
        }
        attendu = u;
        std::stable_sort(
            attendu.begin(), attendu.end(),
            [](const rapportStat& a, const rapportStat& b) { return a.nombre > b.nombre; });
        ordonnerParFrequence(u);
        EXPECT_EQ(entrees(u), entrees(attendu)) << grand;
    }
}

TEST(Lisibles, ChaqueAgentNommeQuelQueSoitLeCoeur) {
    // Far more distinct agents than one share of the naming: each named once, whichever core
    // took it, the names in order of first appearance.
    std::string texte;
    for (int v = 1; v <= 300; ++v) {
        texte += "10.0.0." + std::to_string(v % 7) +
                 " - - [01/Dec/2023:03:10:00 +0100] \"GET /a HTTP/1.1\" 200 1 \"-\" "
                 "\"Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/" +
                 std::to_string(v) + ".0.1 Safari/537.36\"\n";
    }
    const ResultatAnalyse r = analyser(texte, true);
    ASSERT_EQ(r.tables.statNav.size(), 300u);
    for (int v = 1; v <= 300; ++v) {
        EXPECT_EQ(r.tables.statNav[static_cast<std::size_t>(v - 1)].libelle,
                  "Chrome " + std::to_string(v));
    }
    EXPECT_EQ(entrees(r.tables.statOS), (Entrees{{"Windows 7", 300}}));
}

TEST(Lisibles, DeuxTronconsFusionnesDansLOrdreDuJournal) {
    // The same lines as one stretch and as two, the two read alone or after the statistics
    // counts whose entries they use: a name first met in the second stretch comes after those of
    // the first, as in one reading. A client with a second agent; "get /a" on the loaded file of
    // other lines, and after a digit for a method; a short protocol; a client whose agent
    // grows after several lines of the one it came with. The statistics counts that leave the
    // systems and browsers to the readable counts keep every other table whole.
    std::string texte = journalTroisJours() + kAutreAgentEtMethode + journalTroisJours() +
                        "10.0.0.3 - - [03/Dec/2023:23:50:00 +0100] \"GET /y HTTP/1.1\" 200 1 "
                        "\"-\" \"curl/7.29.0 (Windows NT 6.1)\"\n";
    for (const char* requete : {"1ET /a HTTP/1.1", "GET /a H", "G_T /a HTTP/1.1",
                                "POST /a HTTP/1.1", "GET /a HTTP/1.1 ", "GET /a"}) {
        texte += std::string("10.0.0.3 - - [03/Dec/2023:23:51:00 +0100] \"") + requete +
                 "\" 200 1 \"-\" \"-\"\n";
    }
    const Journal j = Journal::depuisTexte(texte);
    for (const auto& [coupure, cles] :
         {std::pair{1, true}, {3, true}, {6, false}, {6, true}, {11, false}, {11, true}}) {
        ComptesJournal statistiques;
        ComptesLisibles un, deux;
        if (cles) deux.suivre(&statistiques);
        statistiques.sansAgents(cles && coupure != 6);
        statistiques.commencer(j, 2, false);
        un.commencer(j, 1, false);
        deux.commencer(j, 2, false);
        for (std::size_t i = 0; i < j.nbLignes(); ++i) {
            const RLog r = analyserLigne(j.ligne(i));
            un.lire(0, r);
            statistiques.lire(i < static_cast<std::size_t>(coupure) ? 0 : 1, r);
            deux.lire(i < static_cast<std::size_t>(coupure) ? 0 : 1, r);
        }
        statistiques.terminer();
        TablesAnalyse a, b;
        calculerTables(j, 2, b, &statistiques);
        TablesAnalyse relues;
        calculerTables(j, 2, relues);
        for (auto table : {&TablesAnalyse::statIP, &TablesAnalyse::statTaux,
                           &TablesAnalyse::statPrecedent, &TablesAnalyse::statFichier}) {
            EXPECT_EQ(entrees(relues.*table), entrees(b.*table)) << coupure << cles;
        }
        ResultatsLisibles la, lb;
        rendreLisibles(a, un, 2, la);
        rendreLisibles(b, deux, 2, lb);
        for (auto table : {&TablesAnalyse::statOS, &TablesAnalyse::statNav,
                           &TablesAnalyse::statFichier, &TablesAnalyse::statHoraires}) {
            EXPECT_EQ(entrees(a.*table), entrees(b.*table)) << coupure << cles;
        }
        EXPECT_EQ(entrees(b.statFichier)[0], (std::pair<std::string, int64_t>{"/a", 10}));
        EXPECT_EQ(lb.heures.jours, 3u) << coupure;
        EXPECT_EQ(la.derniereDate, lb.derniereDate) << coupure;
    }
}

TEST(Lisibles, FluxParBlocsDontLesOctetsSontReutilises) {
    // A stream folds each block's counts, then reuses its bytes for the next block: nothing
    // counted may still point into them. Blocks of three lines cut 1 | 2, one agent without its
    // closing quote before a CR, runs of one agent: the same tables as the journal read whole,
    // the stream read after the statistics counts whose entries it uses.
    const std::string texte = journalTroisJours() + kAutreAgentEtMethode +
                              "10.0.0.9 - - [03/Dec/2023:23:59:00 +0100] \"OPTIONS * HTTP/1.0\" "
                              "200 1 \"-\" \"curl/7.29.0\r\n";
    const Journal j = Journal::depuisTexte(texte + texte);
    ComptesJournal statistiques;
    ComptesLisibles entier, flux;
    flux.suivre(&statistiques);
    statistiques.commencer(Journal(), 2, false);
    entier.commencer(j, 1, false);
    flux.commencer(Journal(), 2, false);
    std::string tampon;
    for (std::size_t i = 0; i < j.nbLignes(); i += 3) {
        tampon.clear();
        std::vector<std::size_t> debuts;
        for (std::size_t k = i; k < std::min(i + 3, j.nbLignes()); ++k) {
            debuts.push_back(tampon.size());
            tampon += std::string(j.ligne(k)) + "\n";
            entier.lire(0, analyserLigne(j.ligne(k)));
        }
        flux.bloc(tampon);
        for (std::size_t k = 0; k < debuts.size(); ++k) {
            const std::size_t fin = tampon.find('\n', debuts[k]);
            const std::string_view ligne(tampon.data() + debuts[k], fin - debuts[k]);
            const RLog r = analyserLigne(ligne);
            statistiques.lire(k == 0 ? 0 : 1, r);
            flux.lire(k == 0 ? 0 : 1, r);
        }
        statistiques.replier();
        flux.replier();
        std::fill(tampon.begin(), tampon.end(), 'x');
    }
    entier.terminer();
    statistiques.terminer();
    flux.terminer();
    TablesAnalyse a, b;
    ASSERT_TRUE(tablesDesComptes(statistiques, j.nbLignes(), 1, b));
    ResultatsLisibles la, lb;
    rendreLisibles(a, entier, 1, la);
    rendreLisibles(b, flux, 1, lb);
    for (auto table : {&TablesAnalyse::statOS, &TablesAnalyse::statNav, &TablesAnalyse::statFichier,
                       &TablesAnalyse::statHoraires}) {
        EXPECT_EQ(entrees(a.*table), entrees(b.*table));
    }
    EXPECT_EQ(entrees(b.statFichier).front(), (std::pair<std::string, int64_t>{"/a", 6}));
    EXPECT_EQ(la.agentsDistincts, lb.agentsDistincts);
    EXPECT_EQ(lb.agentsDistincts, 3u);  // cut at its CR, the last agent is curl's
    EXPECT_EQ(lb.premiereDate, "01/Dec/2023 03:10:00");
    EXPECT_EQ(lb.derniereDate, la.derniereDate);
    EXPECT_EQ(lb.derniereDate, "03/Dec/2023 23:59:00");
}
