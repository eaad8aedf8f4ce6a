// The HTML page and the CSV files of a report: encodings, escapes, the fold of long tables, the
// charts' points, and the CSV read back by a reader of the format.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/analyse/ResumeAudience.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/export/Export.h"
#include "core/journal/Erreur.h"
#include "tests/commun/Csv.h"
#include "tests/commun/OutilsTests.h"

using namespace kestrane;

namespace {

std::vector<std::vector<std::string>> lireCsv(const std::string& texte) {
    const auto lu = test::lireCsv(texte);
    EXPECT_TRUE(lu.has_value()) << texte;
    return lu.value_or(test::LignesCsv{});
}

std::string produit(const std::function<void(const Ecrivain&)>& f) {
    std::string s;
    f([&](std::string_view morceau) { s += morceau; });
    return s;
}

std::size_t occurrences(const std::string& s, const std::string& motif) {
    std::size_t n = 0;
    for (std::size_t p = s.find(motif); p != std::string::npos; p = s.find(motif, p + 1)) ++n;
    return n;
}

TableExportee table(std::size_t n, int points) {
    TableExportee t;
    t.titre = "Fichiers charg\xE9s";
    t.fichier = "f.csv";
    t.entetes = {"Fichier charg\xE9", "Occurences"};
    t.numeriques = {false, true};
    for (std::size_t k = 0; k < n; ++k) t.lignes.push_back({"/p" + std::to_string(k), "7"});
    t.points = points;
    t.valeurs.assign(static_cast<std::size_t>(points), 7.0);
    return t;
}

}  // namespace

TEST(Export, Utf8Depuis1252) {
    const struct {
        std::string entree, attendu;
    } cas[] = {
        {"abc", "abc"},
        {"\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},
        {"\x80", "\xE2\x82\xAC"},  // euro sign
        {"\x9C", "\xC5\x93"},      // oe ligature
        {"\x81", "\xEF\xBF\xBD"},  // undefined in the code page
        {"\xA0\xFF", "\xC2\xA0\xC3\xBF"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cas) EXPECT_EQ(utf8Depuis1252(c.entree), c.attendu) << c.entree;
}

TEST(Export, EchapperHtml) {
    const struct {
        std::string entree, attendu;
    } cas[] = {
        {"<script>alert('x')</script>", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
        {"a&b \"c\"", "a&amp;b &quot;c&quot;"},
        {"/index.html?q=1", "/index.html?q=1"},
        {std::string("\0", 1), "&#xFFFD;"},
        {"&<x>>\"", "&amp;&lt;x&gt;&gt;&quot;"},
    };
    for (const auto& c : cas) EXPECT_EQ(echapperHtml(c.entree), c.attendu) << c.entree;
}

TEST(Export, CsvRelu) {
    TableExportee t;
    t.entetes = {"Page de provenance", "Occurences"};
    t.numeriques = {false, true};
    t.lignes = {{"a;b", "1"},          {"dit \"oui\"", "22"},   {" blanc ", "3"},
                {"ligne\nsuite", "4"}, {"\xE9t\xE9 \x80", "5"}, {"-", "-6"}};
    const std::string s = produit([&](const Ecrivain& e) { produireCsv(t, e); });
    ASSERT_EQ(s.substr(0, 3), "\xEF\xBB\xBF");
    const auto lu = lireCsv(s.substr(3));
    ASSERT_EQ(lu.size(), t.lignes.size() + 1);
    EXPECT_EQ(lu[0], t.entetes);
    for (std::size_t k = 0; k < t.lignes.size(); ++k) {
        EXPECT_EQ(lu[k + 1][0], utf8Depuis1252(t.lignes[k][0]));
        EXPECT_EQ(lu[k + 1][1], t.lignes[k][1]);
    }
}

TEST(Export, SansFormule) {
    const struct {
        std::string entree, attendu;
    } cas[] = {
        {"=HYPERLINK(\"http://x\")", "'=HYPERLINK(\"http://x\")"},
        {"+33 1", "'+33 1"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"-2+3", "'-2+3"},
        {"-", "-"},  // the mark of an empty field stays as it is
        {"/index.html", "/index.html"},
        {"", ""},
    };
    for (const auto& c : cas) EXPECT_EQ(sansFormule(c.entree), c.attendu) << c.entree;
    // Only the text columns: a count stays a number.
    TableExportee t;
    t.entetes = {"Page", "Occurences"};
    t.numeriques = {false, true};
    t.lignes = {{"=1+1", "-3"}};
    const std::string s = produit([&](const Ecrivain& e) { produireCsv(t, e); });
    EXPECT_EQ(lireCsv(s.substr(3)).at(1), (std::vector<std::string>{"'=1+1", "-3"}));
    // The same with the shares put between the cells: the count is still a number.
    t.part = 1;
    t.parts = {"5,0 %"};
    const std::string p = produit([&](const Ecrivain& e) { produireCsv(t, e); });
    EXPECT_EQ(lireCsv(p.substr(3)).at(1), (std::vector<std::string>{"'=1+1", "5,0 %", "-3"}));
}

TEST(Export, TablesComplements) {
    Complements c;
    c.requetes = 57;
    c.codes = {{200, 47, 2938303}, {304, 6, 0}, {404, 4, 683}};
    c.introuvables = {{"/a;b", 4}};
    c.jours = {{2023, 12, 9, 57, 2939290}};
    const auto t = tablesComplements(c);
    ASSERT_EQ(t.size(), 4u);
    const struct {
        std::size_t table, ligne;
        std::vector<std::string> attendu;
    } cas[] = {
        {0, 0, {"200", "47", "2938303", "82,5 %"}},
        {0, 1, {"304", "6", "0", "10,5 %"}},
        {1, 0, {"/a;b", "4"}},
        {3, 0, {"09/12/2023", "57", "2939290"}},
    };
    for (const auto& k : cas) EXPECT_EQ(t[k.table].lignes.at(k.ligne), k.attendu);
    EXPECT_TRUE(t[2].lignes.empty());
    EXPECT_EQ(t[3].lignes.size(), 1u);
    // Requests without a readable day close the days, so that the column adds up.
    c.datesIllisibles = 3;
    c.octetsSansDate = 12;
    EXPECT_EQ(tablesComplements(c)[3].lignes.back(),
              (std::vector<std::string>{"Requ\xEAtes sans date lisible", "3", "12"}));
}

// The title names every journal analysed, oldest first; the summary says what was left out.
TEST(Export, TitreEtResume) {
    const struct {
        std::vector<std::string> journaux;
        int64_t lues, ignorees, horsPeriode, analysees;
        const char *titre, *resume;
    } cas[] = {
        {{}, 0, 0, 0, 1, "Rapport d'analyse du fichier acces.log", "1 ligne analys\u00e9e"},
        {{"a.log.1", "a.log"},
         10,
         0,
         0,
         10,
         "Rapport d'analyse de 2 journaux : a.log.1, a.log",
         "10 lignes analys\u00e9es"},
        {{"c", "b", "a"},
         38487,
         10,
         0,
         38477,
         "Rapport d'analyse de 3 journaux : c, b, a",
         "38477 lignes analys\u00e9es sur 38487 lignes lues (10 lignes ignor\u00e9es)"},
        {{"seul.log"},
         5,
         1,
         2,
         2,
         "Rapport d'analyse du fichier seul.log",
         "2 lignes analys\u00e9es sur 5 lignes lues (2 lignes hors p\u00e9riode, 1 ligne "
         "ignor\u00e9e)"},
    };
    for (const auto& c : cas) {
        DonneesRapport d;
        d.nomJournal = "acces.log";
        d.journaux = c.journaux;
        d.lignesLues = c.lues;
        d.lignesIgnorees = c.ignorees;
        d.lignesHorsPeriode = c.horsPeriode;
        d.lignes = c.analysees;
        EXPECT_EQ(titreRapport(d), c.titre);
        const std::string s = produit([&](const Ecrivain& e) { produireHtml(d, e); });
        EXPECT_NE(s.find(std::string("<p class=\"resume\">") + c.resume + "</p>"),
                  std::string::npos)
            << c.resume;
    }
}

TEST(Export, ReplisEtGraphes) {
    const struct {
        std::size_t lignes;
        int points;
        bool repli;
    } cas[] = {{3, 3, false}, {50, 24, false}, {51, 50, true}, {400, 0, true}, {20000, 0, true}};
    for (const auto& c : cas) {
        DonneesRapport d;
        d.nomJournal = "acc\xC3\xA8s.log";  // UTF-8, as the system names it
        d.tables = {table(c.lignes, c.points)};
        const std::string s = produit([&](const Ecrivain& e) { produireHtml(d, e); });
        EXPECT_EQ(occurrences(s, "<tr><td>"), c.lignes) << c.lignes;
        // A long table is written in pieces: the last row whole, at its place.
        EXPECT_NE(
            s.find("<td>/p" + std::to_string(c.lignes - 1) + "<td>7\n</tbody></table></div>\n"),
            std::string::npos)
            << c.lignes;
        EXPECT_EQ(occurrences(s, "<details>"), c.repli ? 1u : 0u) << c.lignes;
        // Each chart drawn twice, for a wide page and for a phone.
        EXPECT_EQ(occurrences(s, "<rect "), 2 * static_cast<std::size_t>(c.points)) << c.lignes;
        EXPECT_NE(s.find("Rapport d&#39;analyse du fichier acc\xC3\xA8s.log"), std::string::npos);
        EXPECT_NE(s.find("Fichiers charg\xC3\xA9s"), std::string::npos);
        // Self-contained: nothing fetched, no script.
        EXPECT_EQ(s.find("<script"), std::string::npos);
        EXPECT_EQ(s.find(" src="), std::string::npos);
        EXPECT_EQ(s.find(" href="), std::string::npos);
    }
}

TEST(Export, TablesDansUnDossier) {
    const test::DossierTemporaire temporaire;
    const std::string dossier = temporaire.fichier("tables");
    DonneesRapport d;
    d.tables = {table(3, 0), table(2, 0)};
    d.tables[1].fichier = "g.csv";
    std::size_t faites = 0;
    ecrireTablesCsv(dossier, d, [&](std::size_t k, std::size_t total) {
        faites = k;
        EXPECT_EQ(total, 2u);
    });
    EXPECT_EQ(faites, 2u);
    std::ifstream f(dossier + "/g.csv", std::ios::binary);
    std::stringstream lu;
    lu << f.rdbuf();
    EXPECT_EQ(lireCsv(lu.str().substr(3)).size(), 3u);
    // A file where the folder should be is refused, and stays as it was.
    const std::string fichier = dossier + "/f.csv";
    EXPECT_THROW(ecrireTablesCsv(fichier, d), ErreurFichier);
    EXPECT_TRUE(std::filesystem::is_regular_file(fichier));
}

// Log text reaches the report as UTF-8 when it is (browsers send that), as Windows-1252 otherwise,
// never with a raw NUL; a file name that is not UTF-8 is repaired; the whole page is UTF-8.
TEST(Export, TexteDuJournalEnUtf8) {
    TableExportee t;
    t.titre = "Provenance des visites";
    t.entetes = {"Page de provenance", "Occurences"};
    t.numeriques = {false, true};
    std::string accents;
    for (int k = 0; k < 40; ++k) accents += "\xC3\xA9";
    t.lignes = {{"http://exemple.fr/caf\xC3\xA9", "3"},
                {"http://exemple.fr/caf\xE9", "2"},
                {std::string("a\0b", 3), "1"},
                {accents, "1"}};
    t.points = 4;
    t.valeurs = {3, 2, 1, 1};
    const std::vector<std::string> attendus = {"http://exemple.fr/caf\xC3\xA9",
                                               "http://exemple.fr/caf\xC3\xA9",
                                               "a\xEF\xBF\xBD"
                                               "b",
                                               accents};
    const std::string csv = produit([&](const Ecrivain& e) { produireCsv(t, e); });
    EXPECT_EQ(csv.find('\0'), std::string::npos);
    const auto lu = lireCsv(csv.substr(3));
    ASSERT_EQ(lu.size(), attendus.size() + 1);
    for (std::size_t k = 0; k < attendus.size(); ++k) EXPECT_EQ(lu[k + 1][0], attendus[k]);

    DonneesRapport d;
    d.nomJournal = "acc\xE8s.log";  // a name written in Latin-1 on a UTF-8 system
    d.tables = {t};
    const std::string html = produit([&](const Ecrivain& e) { produireHtml(d, e); });
    EXPECT_TRUE(estUtf8(html));
    EXPECT_EQ(html.find('\0'), std::string::npos);
    EXPECT_NE(html.find("du fichier acc\xEF\xBF\xBDs.log"), std::string::npos);
    EXPECT_EQ(occurrences(html, "<td>http://exemple.fr/caf\xC3\xA9<td>"), 2u);
    // The chart's label: 37 whole characters and an ellipsis.
    EXPECT_NE(html.find(">" + accents.substr(0, 74) + "\xE2\x80\xA6</text>"), std::string::npos);
}

TEST(Export, NomsDesTables) {
    std::vector<std::string> noms;
    for (const auto& t : tablesDeLAnalyse(TablesAnalyse{})) noms.push_back(t.fichier);
    Audience a;
    a.avecPays = true;
    for (const auto& t : tablesComplements(Complements{}, &a)) {
        if (!t.fichier.empty()) noms.push_back(t.fichier);
    }
    TablesEnPlus enPlus;
    enPlus.hotes.push_back({"h", 1, 1, 1.0});
    enPlus.temps.push_back({"/", 1, 1, 1, 1, 1});
    for (const auto& t : tablesEnPlus(enPlus)) noms.push_back(t.fichier);
    for (const auto& t : tablesEntrees(TablesEntrees{})) noms.push_back(t.fichier);
    // The overview and the activity first; the readable browsers and robots apart.
    noms.insert(noms.begin(), {"resume.csv", "activite.csv"});
    noms.insert(noms.end(), {"navigateurs.csv", "robots-agents.csv"});
    noms.push_back("filtre.csv");  // beside the tables, when a filter made them
    EXPECT_EQ(nomsTablesCsv(), noms);
}

TEST(Export, DatesEtNombresEnFrancais) {
    const char* const mois[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* const francais[] = {"janvier",   "f\303\251vrier", "mars",     "avril",
                                    "mai",       "juin",           "juillet",  "ao\303\273t",
                                    "septembre", "octobre",        "novembre", "d\303\251cembre"};
    for (int m = 0; m < 12; ++m) {
        DonneesRapport d;
        d.sommaire.present = true;
        d.sommaire.premiereDate = std::string("05/") + mois[m] + "/2015:10:00:00";
        d.sommaire.derniereDate = std::string("31/") + mois[m] + "/2015 23:59:59";  // no such day
        d.sommaire.clients = 1234567;
        TableExportee t;
        t.titre = "T";
        t.entetes = {"a", "b", "c"};
        t.numeriques = {false, true, true};
        t.lignes = {{"/x", "1234567", "99,3 Ko"}, {"/y", "-12", "-"}};
        d.tables = {t};
        const std::string s = produit([&](const Ecrivain& e) { produireHtml(d, e); });
        EXPECT_NE(s.find(std::string("<td>5 ") + francais[m] + " 2015 \xC3\xA0 10:00:00</td>"),
                  std::string::npos)
            << mois[m];
        // A date that is none stays as written.
        if (m == 1) {
            EXPECT_NE(s.find("<td>31/Feb/2015 23:59:59</td>"), std::string::npos);
        }
        EXPECT_NE(s.find("<td>1 234 567</td>"), std::string::npos);
        // The numbers' columns right-aligned by their table's class.
        EXPECT_NE(s.find("<table class=\"n2 n3\">"), std::string::npos);
        EXPECT_NE(s.find("<td>1 234 567<td>99,3 Ko\n"), std::string::npos);
        EXPECT_NE(s.find("<td>-12<td>-\n"), std::string::npos);
    }
}

TEST(Export, ApercuEgalAuxTables) {
    // The sample analysed with the Compléments: each card is what its table sums.
    const std::string texte = test::lireFichier(KESTRANE_ACCES_5000);
    OptionsAnalyse o;
    o.complements = true;
    ResultatAnalyse r;
    ASSERT_EQ(analyserJournal(Journal::depuisTexte(texte), o, r), IssueAnalyse::terminee);
    const DonneesRapport d = donneesRapport(r);
    const auto somme = [&](const char* fichier,
                           const std::function<bool(const std::string&)>& garder) {
        int64_t n = 0;
        for (const TableExportee& t : d.tables) {
            if (t.fichier != fichier) continue;
            for (const auto& l : t.lignes) {
                if (garder(l[0])) n += std::stoll(l[1]);
            }
        }
        return n;
    };
    const auto tout = [](const std::string&) { return true; };
    ASSERT_TRUE(d.apercu.present);
    EXPECT_EQ(d.apercu.octets, somme("taux-chargement.csv", tout));
    EXPECT_EQ(*d.apercu.introuvables,
              somme("codes-retour.csv", [](const std::string& c) { return c == "404"; }));
    EXPECT_EQ(*d.apercu.erreurs,
              somme("codes-retour.csv", [](const std::string& c) { return c[0] == '5'; }));
    EXPECT_EQ(d.lignes, somme("jours.csv", tout));
    EXPECT_EQ(*d.apercu.visiteurs, r.audience->visiteurs);
    EXPECT_GT(*d.apercu.introuvables, 0);
    EXPECT_EQ(d.apercu.premiere,
              "20 d\xC3\xA9"
              "cembre 2023 \xC3\xA0 00:17:49");
    EXPECT_EQ(d.apercu.derniere, "18 janvier 2024 \xC3\xA0 23:56:33");
}

namespace {

// The sample (or the lines of it that `garder` keeps) analysed with readable results.
ResultatAnalyse analyseLisible(bool complements,
                               const std::function<bool(std::string_view)>& garder = {}) {
    std::string texte = test::lireFichier(KESTRANE_ACCES_5000);
    if (garder) {
        std::string gardees;
        std::istringstream lignes(texte);
        for (std::string l; std::getline(lignes, l);) {
            if (garder(l)) gardees += l + "\n";
        }
        texte = gardees;
    }
    OptionsAnalyse o;
    o.resultatsLisibles = true;
    o.complements = complements;
    ResultatAnalyse r;
    EXPECT_EQ(analyserJournal(Journal::depuisTexte(texte), o, r), IssueAnalyse::terminee);
    return r;
}

// Every CSV file of a report, by name, read back.
std::map<std::string, test::LignesCsv> fichiersCsv(const DonneesRapport& d) {
    const test::DossierTemporaire temporaire;
    const std::string dossier = temporaire.fichier("csv");
    ecrireTablesCsv(dossier, d);
    std::map<std::string, test::LignesCsv> fichiers;
    for (const auto& f : std::filesystem::directory_iterator(dossier)) {
        fichiers[f.path().filename().string()] = lireCsv(test::lireFichier(f.path()).substr(3));
    }
    return fichiers;
}

// The bounds of a share written "12,3 %" (12.25 to 12.35), "< 0,1 %" (0 to 0.05).
std::pair<double, double> bornesPart(std::string texte) {
    if (texte.rfind("< ", 0) == 0) return {0.0, 0.05};
    std::replace(texte.begin(), texte.end(), ',', '.');
    const double v = std::stod(texte);
    return {v - 0.05, v + 0.05};
}

}  // namespace

// The readable report's tables: each share column adds up to 100 % within its rounding, each
// family is the sum of its versions, robots are apart from the browsers, and the browsers and
// robots together hold every line.
TEST(Export, PartsFamillesEtRobots) {
    const ResultatAnalyse r = analyseLisible(false);
    const DonneesRapport d = donneesRapport(r);
    const auto fichiers = fichiersCsv(d);
    const std::string html = produit([&](const Ecrivain& e) { produireHtml(d, e); });
    std::size_t avecParts = 0;
    for (const auto& [nom, lignes] : fichiers) {
        const auto p = std::find(lignes.at(0).begin(), lignes.at(0).end(), "Part");
        if (p == lignes[0].end()) continue;
        ++avecParts;
        const auto colonne = static_cast<std::size_t>(p - lignes[0].begin());
        // Each share is its count's part of the column's sum, rounded to a tenth; so the shares
        // add up to 100 % within their roundings. Counts written in units ("2,0 Ko"): the sum.
        double total = 0, bas = 0, haut = 0;
        bool comptes = true;
        for (std::size_t k = 1; k < lignes.size(); ++k) {
            const std::string& n = lignes[k].at(colonne - 1);
            comptes = comptes && n.find_first_not_of("0123456789") == std::string::npos;
            if (comptes) total += std::stod(n);
        }
        for (std::size_t k = 1; k < lignes.size(); ++k) {
            const auto [min, max] = bornesPart(lignes[k].at(colonne));
            bas += min;
            haut += max;
            if (!comptes) continue;
            const double vraie = 100.0 * std::stod(lignes[k][colonne - 1]) / total;
            EXPECT_GE(vraie, min - 1e-9) << nom << " " << lignes[k][0];
            EXPECT_LE(vraie, max + 1e-9) << nom << " " << lignes[k][0];
        }
        EXPECT_LE(bas, 100.0 + 1e-6) << nom;
        EXPECT_GE(haut, 100.0 - 1e-6) << nom;
    }
    EXPECT_EQ(avecParts, 9u);  // the eight tables, browsers and robots apart
    int64_t navigateursEtRobots = 0;
    for (const char* fichier : {"systemes.csv", "navigateurs.csv", "robots-agents.csv"}) {
        const auto t = std::find_if(d.tables.begin(), d.tables.end(),
                                    [&](const TableExportee& x) { return x.fichier == fichier; });
        ASSERT_NE(t, d.tables.end()) << fichier;
        ASSERT_EQ(t->debutsVersions.size(), t->familles.size() + 1);
        int64_t toutes = 0;
        for (std::size_t k = 0; k < t->familles.size(); ++k) {
            int64_t versions = 0;
            for (std::size_t v = t->debutsVersions[k]; v < t->debutsVersions[k + 1]; ++v) {
                EXPECT_EQ(t->versions[v][0], t->familles[k][0]);
                versions += std::stoll(t->versions[v][2]);
            }
            EXPECT_EQ(std::stoll(t->familles[k][1]), versions) << t->familles[k][0];
            if (k > 0) {
                EXPECT_GE(std::stoll(t->familles[k - 1][1]), versions);
            }
            toutes += versions;
        }
        if (std::string(fichier) == "systemes.csv") {
            EXPECT_EQ(toutes, d.lignes);
            // "Windows XP" is a version of Windows, as "Windows 10" is.
            EXPECT_TRUE(std::any_of(t->versions.begin(), t->versions.end(), [](const auto& v) {
                return v[0] == "Windows" && v[1] == "XP";
            }));
        } else {
            navigateursEtRobots += toutes;
        }
        // The file holds the versions, in the page's order.
        EXPECT_EQ(fichiers.at(fichier).size(), t->versions.size() + 1);
        // The chart draws the families, with their counts.
        EXPECT_NE(html.find("text-anchor=\"end\">" + t->familles[0][0] +
                            "</text><rect x=\"260\" "
                            "y=\"5\" width=\"410\" height=\"16\"/><text x=\"674\" y=\"17\">" +
                            nombreFrancais(std::stoll(t->familles[0][1]))),
                  std::string::npos)
            << fichier;
    }
    EXPECT_EQ(navigateursEtRobots, d.lignes);
    ASSERT_FALSE(r.lisibles.robots.empty());
    const auto& navigateurs = fichiers.at("navigateurs.csv");
    for (const rapportStat& robot : r.lisibles.robots) {
        const std::string nom = robot.libelle;
        if (nom == "Inconnu") continue;  // agents the catalogue names nothing, robots or not
        EXPECT_TRUE(std::none_of(navigateurs.begin(), navigateurs.end(), [&](const auto& l) {
            return l[0] + (l[1].empty() ? "" : " " + l[1]) == nom;
        })) << nom;
    }
    EXPECT_TRUE(std::any_of(fichiers.at("robots-agents.csv").begin(),
                            fichiers.at("robots-agents.csv").end(),
                            [](const auto& l) { return l[0] == "Googlebot"; }));
}

// resume.csv holds the overview cards' figures, and the activity chart's days add up to the
// requests, in the page's points as in activite.csv, with the audience's visitors of each day.
TEST(Export, ResumeEtActiviteParJour) {
    for (const bool complements : {false, true}) {
        const ResultatAnalyse r = analyseLisible(complements);
        const DonneesRapport d = donneesRapport(r);
        const auto fichiers = fichiersCsv(d);
        const std::string html = produit([&](const Ecrivain& e) { produireHtml(d, e); });
        // The cards: value then caption.
        std::map<std::string, std::string> cartes;
        for (std::size_t p = html.find("<div class=\"carte\">"); p != std::string::npos;
             p = html.find("<div class=\"carte\">", p + 1)) {
            const std::size_t v = html.find('>', html.find("<span class=\"v", p)) + 1;
            const std::size_t l = html.find("<span class=\"l\">", v) + 16;
            cartes[html.substr(l, html.find('<', l) - l)] = html.substr(v, html.find('<', v) - v);
        }
        std::map<std::string, std::string> resume;
        for (const auto& l : fichiers.at("resume.csv")) resume[l.at(0)] = l.at(1);
        EXPECT_EQ(cartes.size(), complements ? 9u : 5u);
        for (const auto& [libelle, valeur] : cartes) {
            std::string cle = libelle == "envoy\xC3\xA9s" ? "octets envoy\xC3\xA9s" : libelle;
            cle[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(cle[0])));
            ASSERT_TRUE(resume.count(cle)) << cle;
            const std::string csv = resume[cle];
            if (cle == "Octets envoy\xC3\xA9s") {
                EXPECT_EQ(valeur,
                          utf8Depuis1252(texteNombre(std::stoll(csv), FormatNombre::octets)));
            } else if (std::isdigit(static_cast<unsigned char>(csv[0])) &&
                       csv.find(' ') == std::string::npos) {
                EXPECT_EQ(valeur, nombreFrancais(std::stoll(csv))) << cle;
            } else {
                EXPECT_EQ(valeur, csv) << cle;
            }
        }
        EXPECT_EQ(resume.at("Requ\xC3\xAAtes"), std::to_string(d.lignes));
        // Thirty days, every request in one of them.
        const auto& activite = fichiers.at("activite.csv");
        ASSERT_EQ(activite.size(), 31u);
        int64_t requetes = 0;
        for (std::size_t k = 1; k < activite.size(); ++k) requetes += std::stoll(activite[k][1]);
        EXPECT_EQ(requetes, d.lignes);
        EXPECT_EQ(activite[1][0], "20/12/2023");
        EXPECT_EQ(activite[0].size(), complements ? 3u : 2u);  // visitors with the audience
        if (complements) {
            const auto jours = joursAudience(*r.complements, *r.audience);
            for (std::size_t k = 0; k < jours.size(); ++k) {
                EXPECT_EQ(activite[k + 1][2], std::to_string(jours[k].visiteurs));
            }
        }
        // The area's points: its two feet and a point a day, in both drawings.
        for (const char* dessin : {"graphe etroit activite", "graphe large activite"}) {
            const std::size_t svg = html.find(std::string("<svg class=\"") + dessin);
            ASSERT_NE(svg, std::string::npos) << dessin;
            const std::size_t p = html.find("points=\"", svg) + 8;
            const std::string points = html.substr(p, html.find('"', p) - p);
            EXPECT_EQ(std::count(points.begin(), points.end(), ','), 32) << dessin;
        }
    }
}

// A journal of one day is drawn by hour, its 24 hours adding up to its lines.
TEST(Export, UnJourParHeure) {
    for (const bool complements : {false, true}) {
        const ResultatAnalyse r = analyseLisible(
            complements, [](std::string_view l) { return l.find("[24/Dec/2023") != l.npos; });
        const DonneesRapport d = donneesRapport(r);
        ASSERT_GT(d.lignes, 0);
        EXPECT_EQ(d.activite.titre, "Requ\xEAtes par heure");
        ASSERT_EQ(d.activite.lignes.size(), 24u);
        int64_t n = 0;
        for (const auto& l : d.activite.lignes) n += std::stoll(l[1]);
        EXPECT_EQ(n, d.lignes);
        EXPECT_EQ(d.activite.lignes[13][0], "13 h");
    }
}

// Every table has a caption and headers that say what they head; every chart, a title and a
// text alternative that its aria-labelledby names, by ids unique in the page.
TEST(Export, PageAccessible) {
    const ResultatAnalyse r = analyseLisible(true);
    const std::string html =
        produit([&](const Ecrivain& e) { produireHtml(donneesRapport(r), e); });
    EXPECT_EQ(occurrences(html, "<table"), occurrences(html, "<caption>"));
    EXPECT_EQ(occurrences(html, "<th>"), 0u);
    EXPECT_EQ(occurrences(html, "<th "),
              occurrences(html, "<th scope=\"col\">") + occurrences(html, "<th scope=\"row\">"));
    std::set<std::string> ids;
    std::size_t graphes = 0;
    for (std::size_t p = html.find("<svg "); p != std::string::npos;
         p = html.find("<svg ", p + 1)) {
        ++graphes;
        const std::size_t a = html.find("aria-labelledby=\"", p) + 17;
        std::istringstream noms(html.substr(a, html.find('"', a) - a));
        const std::size_t fin = html.find("</svg>", p);
        for (std::string id; noms >> id;) {
            EXPECT_TRUE(ids.insert(id).second) << id;
            const std::size_t balise = html.find(" id=\"" + id + "\">", p);
            ASSERT_LT(balise, fin) << id;
            // The title or the description holds some text.
            EXPECT_NE(html[balise + id.size() + 7], '<') << id;
        }
    }
    EXPECT_GE(graphes, 20u);
    EXPECT_EQ(ids.size(), 2 * graphes);
}
