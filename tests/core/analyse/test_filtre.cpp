// The filter of an analysis (Filtre.h): the filtered analysis against the unfiltered analysis of
// the journal cut beforehand by a plain predicate written here, on both roads; formats, periods,
// a filter keeping nothing (its reading: test_filtre_lecture.cpp).
#include <arpa/inet.h>
#include <fnmatch.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "core/analyse/AnalyseFlux.h"
#include "core/analyse/Filtre.h"
#include "core/analyse/Lisibles.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/audience/Audience.h"
#include "core/audience/BasePays.h"
#include "core/audience/Referents.h"
#include "core/audience/Robots.h"
#include "core/catalogue/CatalogueAgents.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Journal.h"
#include "tests/commun/OutilsTests.h"
#include "tests/commun/ResultatEnTexte.h"
#include "tests/core/audience/EcrivainMmdb.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;

// Lines the sample lacks: IPv6 clients (one IPv4-mapped), a host name, robots of the catalogue
// and of the rule, static files of every case, search engines' referrers, a late hour.
std::string lignesEnPlus() {
    const char* clients[] = {"2001:db8::1",  "2001:db8:ffff::7", "::ffff:66.249.66.1",
                             "2a01:cb00::2", "hote.exemple.fr",  "66.249.66.1",
                             "10.1.2.3"};
    const char* requetes[] = {"GET /style.CSS HTTP/1.1",     "GET /app.js?v=2 HTTP/1.1",
                              "POST /wp-login.php HTTP/1.0", "GET /blog/ HTTP/2.0",
                              "GET /img/a.webp HTTP/1.1",    "HEAD / HTTP/1.1"};
    const char* agents[] = {
        "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
        "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0", "curl/8.5.0",
        "MonCrawler/1.0 (spider)",
        "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/120.0.0.0 Safari/537.36"};
    const char* referents[] = {"-", "https://www.google.fr/search?q=velo+rouge",
                               "https://WWW.Bing.com/search?q=Velo%20Rouge",
                               "http://exemple.org/page"};
    std::string t;
    for (int i = 0; i < 140; ++i) {
        char ligne[600];
        std::snprintf(ligne, sizeof ligne,
                      "%s - - [%02d/Jan/2024:%02d:%02d:00 +0100] \"%s\" %d %d \"%s\" \"%s\"\n",
                      clients[i % 7], 1 + i % 18, (i * 5) % 24, i % 60, requetes[i % 6],
                      i % 4 ? 200 : 404, 100 + i, referents[i % 4], agents[i % 5]);
        t += ligne;
    }
    return t;
}

// --- The plain reference: what each expression keeps, written without the filter's machinery.

struct Ligne {
    RLog r;
    std::string_view agent, chemin;
};

bool estRobot(std::string_view agent) {
    std::string nom;
    return reconnaitreRobot(robotsDuCatalogue(), agent, nom);
}

bool estStatique(std::string_view chemin) {
    std::string c(chemin.substr(0, chemin.find_first_of("?#")));
    c = c.substr(c.rfind('/') + 1);
    const std::size_t point = c.rfind('.');
    if (point == std::string::npos) return false;
    std::string e = c.substr(point + 1);
    for (char& x : e) x = static_cast<char>(std::tolower(static_cast<unsigned char>(x)));
    for (const char* s : {"css", "js", "mjs", "png", "jpg", "jpeg", "gif", "webp", "avif", "svg",
                          "ico", "bmp", "woff", "woff2", "ttf", "otf", "eot", "map"}) {
        if (e == s) return true;
    }
    return false;
}

// The client in the network `reseau`/`bits` (IPv4-mapped IPv6 and IPv4 as one).
bool dansReseau(const RLog& r, const char* reseau, int bits) {
    const std::string client = adresseIP(r);
    uint8_t a[16] = {}, b[16] = {};
    const auto lire = [](const std::string& t, uint8_t* o, int& n) {
        if (t.find(':') == std::string::npos) {
            o[10] = o[11] = 0xFF;
            n += 96;
            return inet_pton(AF_INET, t.c_str(), o + 12) == 1;
        }
        return inet_pton(AF_INET6, t.c_str(), o) == 1;
    };
    int inutile = 0, n = bits;
    if (!lire(client, a, inutile) || !lire(reseau, b, n)) return false;
    for (int k = 0; k < n; ++k) {
        if (((a[k / 8] >> (7 - k % 8)) & 1) != ((b[k / 8] >> (7 - k % 8)) & 1)) return false;
    }
    return true;
}

bool dateEntre(const RLog& r, int64_t de, int64_t a) {
    int64_t j;
    return lireJour(r.date, j) && j >= de && j <= a;
}

int heureDe(const RLog& r) {
    return std::atoi(std::string(r.heure.substr(0, 2)).c_str());
}

std::string methodeDe(const RLog& r, bool protocole = false) {
    std::string_view m = kAutre, p = kAutre;
    couperRequete(r.requete, m, p);
    return std::string(protocole ? p : m);
}

struct CasFiltre {
    const char* expression;
    std::function<bool(const Ligne&)> garde;
};

std::vector<CasFiltre> lesCas() {
    const CatalogueAgents& cat = CatalogueAgents::partage();
    const int64_t j24 = joursDepuisEpoque(2023, 12, 24), j26 = joursDepuisEpoque(2023, 12, 26);
    return {
        {"-robot", [](const Ligne& l) { return !estRobot(l.agent); }},
        {"robot", [](const Ligne& l) { return estRobot(l.agent); }},
        {"statique", [](const Ligne& l) { return estStatique(l.chemin); }},
        {"-statique -robot",
         [](const Ligne& l) { return !estStatique(l.chemin) && !estRobot(l.agent); }},
        {"statut:404", [](const Ligne& l) { return l.r.codeRenvoye == 404; }},
        {"statut:3xx ou statut:404",
         [](const Ligne& l) { return l.r.codeRenvoye / 100 == 3 || l.r.codeRenvoye == 404; }},
        {"ip:66.249.0.0/16", [](const Ligne& l) { return dansReseau(l.r, "66.249.0.0", 16); }},
        {"ip:2001:db8::/32", [](const Ligne& l) { return dansReseau(l.r, "2001:db8::", 32); }},
        {"ip:::ffff:66.249.66.1",
         [](const Ligne& l) { return dansReseau(l.r, "66.249.66.1", 32); }},
        {"-ip:0.0.0.0/0", [](const Ligne& l) { return adresseIP(l.r) == "hote.exemple.fr"; }},
        {"ip:hote.exemple.fr", [](const Ligne& l) { return adresseIP(l.r) == "hote.exemple.fr"; }},
        {"chemin:/wp-*",
         [](const Ligne& l) { return fnmatch("/wp-*", std::string(l.chemin).c_str(), 0) == 0; }},
        {"chemin:~.php", [](const Ligne& l) { return l.chemin.find(".php") != l.chemin.npos; }},
        {"chemin:=/", [](const Ligne& l) { return l.chemin == "/"; }},
        {"methode:post", [](const Ligne& l) { return methodeDe(l.r) == "POST"; }},
        {"protocole:HTTP/1.0 | methode:HEAD",
         [](const Ligne& l) {
             return methodeDe(l.r, true) == "HTTP/1.0" || methodeDe(l.r) == "HEAD";
         }},
        {"navigateur:Firefox",
         [&cat](const Ligne& l) { return cat.classerNavigateur(l.agent).famille == "Firefox"; }},
        {"systeme:\"Windows *\"",
         [&cat](const Ligne& l) {
             return fnmatch("windows *", cat.classerSysteme(l.agent).famille.c_str(),
                            FNM_CASEFOLD) == 0 ||
                    fnmatch("windows *", cat.classerSysteme(l.agent).nom.c_str(), FNM_CASEFOLD) ==
                        0;
         }},
        {"jour:2023-12-24..2023-12-26", [=](const Ligne& l) { return dateEntre(l.r, j24, j26); }},
        {"heure:8..12", [](const Ligne& l) { return heureDe(l.r) >= 8 && heureDe(l.r) <= 12; }},
        {"heure:22..2", [](const Ligne& l) { return heureDe(l.r) >= 22 || heureDe(l.r) <= 2; }},
        {"site:google.fr",
         [](const Ligne& l) { return hoteReferent(l.r.pagePrecedente) == "google.fr"; }},
        {"recherche:\"velo rouge\"",
         [](const Ligne& l) {
             return moteurRecherche(hoteReferent(l.r.pagePrecedente)) &&
                    termesRecherche(rechercheBrute(l.r.pagePrecedente)) == "velo rouge";
         }},
        {"provenance:-", [](const Ligne& l) { return l.r.pagePrecedente == "-"; }},
        {"(statut:2xx | statut:304) -statique methode:GET -(ip:10.0.0.0/8 ou robot)",
         [](const Ligne& l) {
             const int c = l.r.codeRenvoye;
             return (c / 100 == 2 || c == 304) && !estStatique(l.chemin) &&
                    methodeDe(l.r) == "GET" &&
                    !(dansReseau(l.r, "10.0.0.0", 8) || estRobot(l.agent));
         }},
    };
}

// The lines of `texte` the predicate keeps (a line that does not read is kept), and their numbers.
std::string couper(const std::string& texte, const std::function<bool(const Ligne&)>& garde,
                   std::vector<std::size_t>* numeros = nullptr) {
    const Journal j = Journal::depuisTexte(texte);
    std::string gardees;
    for (std::size_t i = 0; i < j.nbLignes(); ++i) {
        Ligne l;
        std::string_view fautif;
        const bool lue = analyserLigneSouple(j.ligne(i), l.r, fautif, CoupeAgent::agentEntier);
        l.agent = l.r.navigateur;
        l.chemin = cheminRequete(l.r.requete);
        if (lue && !garde(l)) continue;
        gardees.append(j.ligne(i)).append("\n");
        if (numeros) numeros->push_back(i);
    }
    return gardees;
}

using Dossier = test::DossierTemporaire;

TEST(Filtre, LAnalyseFiltreeEstCelleDuJournalCoupeParLaReference) {
    const std::string texte = test::lireFichier(KESTRANE_ACCES_5000) + lignesEnPlus();
    const Journal journal = Journal::depuisTexte(texte);
    Dossier d;
    const std::string chemin = d.ecrire("acces.log", texte);
    OptionsAnalyse options;
    options.ignorerNonConformes = true;  // IPv6 and host names
    options.complements = true;
    options.resultatsLisibles = true;
    for (const CasFiltre& c : lesCas()) {
        SCOPED_TRACE(c.expression);
        const std::string coupe = couper(texte, c.garde);
        const Journal reference = Journal::depuisTexte(coupe);
        ASSERT_GT(reference.nbLignes(), 1u);
        ASSERT_LT(reference.nbLignes(), journal.nbLignes());
        ResultatAnalyse attendu, filtre, flux;
        ASSERT_EQ(analyserJournal(reference, options, attendu), IssueAnalyse::terminee);
        OptionsAnalyse avec = options;
        avec.filtre = std::make_shared<const Filtre>(Filtre::lire(c.expression));
        ASSERT_EQ(analyserJournal(journal, avec, filtre), IssueAnalyse::terminee);
        EXPECT_EQ(test::resultatEnTexte(filtre, false), test::resultatEnTexte(attendu, false));
        EXPECT_EQ(filtre.horsFiltre, journal.nbLignes() - reference.nbLignes());
        EXPECT_EQ(filtre.horsPeriode, 0u);
        EXPECT_EQ(filtre.lignesJournal, journal.nbLignes());
        // The stream road: the same outputs, in small blocks and in one.
        for (const std::size_t bloc : {std::size_t{100000}, std::size_t{1} << 22}) {
            BilanFlux bilan;
            OptionsFlux o;
            o.tailleBloc = bloc;
            ASSERT_EQ(analyserFlux({chemin}, avec, flux, bilan, o), IssueAnalyse::terminee);
            EXPECT_EQ(test::resultatEnTexte(flux, false), test::resultatEnTexte(filtre, false))
                << "bloc " << bloc;
            EXPECT_EQ(flux.horsFiltre, filtre.horsFiltre);
            EXPECT_EQ(bilan.lignesAnalysees, reference.nbLignes());
        }
    }
}

// The detail view names each kept line by its number in the journal loaded: on one thread, and
// on both past 65,536 lines, each half's numbers in order.
TEST(Filtre, ChaqueLigneGardeeGardeSonNumero) {
    const std::string echantillon = test::lireFichier(KESTRANE_ACCES_5000) + lignesEnPlus();
    OptionsAnalyse options;
    options.ignorerNonConformes = true;
    for (const int fois : {1, 15}) {
        std::string texte;
        for (int k = 0; k < fois; ++k) texte += echantillon;
        for (const CasFiltre& c : {lesCas().front(), lesCas().back()}) {
            SCOPED_TRACE(c.expression);
            std::vector<std::size_t> attendus;
            couper(texte, c.garde, &attendus);
            options.filtre = std::make_shared<const Filtre>(Filtre::lire(c.expression));
            ResultatAnalyse r;
            const Journal journal = Journal::depuisTexte(texte);
            ASSERT_EQ(analyserJournal(journal, options, r), IssueAnalyse::terminee);
            ASSERT_TRUE(r.numerosGardes);
            EXPECT_EQ(*r.numerosGardes, attendus) << fois;
        }
    }
    // Without a filter, no numbers: the detail view is the one of every line.
    ResultatAnalyse r;
    options.filtre = nullptr;
    ASSERT_EQ(analyserJournal(Journal::depuisTexte(echantillon), options, r),
              IssueAnalyse::terminee);
    EXPECT_FALSE(r.numerosGardes);
}

TEST(Filtre, SansLectureSoupleEtAvecUnePeriode) {
    const std::string texte = test::lireFichier(KESTRANE_ACCES_5000);
    const Journal journal = Journal::depuisTexte(texte);
    OptionsAnalyse options;
    options.periode.active = true;
    lireInstant("24/Dec/2023", "00:00:00", options.periode.debut);
    lireInstant("31/Dec/2023", "23:59:59", options.periode.fin);
    std::size_t horsPeriode = 0;
    const Journal periode = lignesDeLaPeriode(journal, options.periode, horsPeriode);
    const std::string dansLaPeriode(periode.octets());
    Dossier d;
    const std::string chemin = d.ecrire("acces.log", texte);
    for (const CasFiltre& c : lesCas()) {
        const std::string coupe = couper(dansLaPeriode, c.garde);
        if (Journal::depuisTexte(coupe).nbLignes() < 2) continue;
        SCOPED_TRACE(c.expression);
        ResultatAnalyse attendu, filtre;
        OptionsAnalyse sans;
        ASSERT_EQ(analyserJournal(Journal::depuisTexte(coupe), sans, attendu),
                  IssueAnalyse::terminee);
        OptionsAnalyse avec = options;
        avec.filtre = std::make_shared<const Filtre>(Filtre::lire(c.expression));
        ASSERT_EQ(analyserJournal(journal, avec, filtre), IssueAnalyse::terminee);
        EXPECT_EQ(test::resultatEnTexte(filtre, false), test::resultatEnTexte(attendu, false));
        // The stream, raw tables and readable ones: the record read once for both.
        for (const bool lisibles : {false, true}) {
            OptionsAnalyse o = avec;
            o.resultatsLisibles = lisibles;
            ResultatAnalyse charge, flux;
            BilanFlux bilan;
            ASSERT_EQ(analyserJournal(journal, o, charge), IssueAnalyse::terminee);
            ASSERT_EQ(analyserFlux({chemin}, o, flux, bilan), IssueAnalyse::terminee);
            EXPECT_EQ(test::resultatEnTexte(flux, false), test::resultatEnTexte(charge, false))
                << lisibles;
            EXPECT_EQ(flux.horsFiltre, charge.horsFiltre);
            EXPECT_EQ(flux.horsPeriode, charge.horsPeriode);
        }
        // Outside the period first: those lines are not the filter's.
        EXPECT_EQ(filtre.horsPeriode, horsPeriode);
        EXPECT_EQ(filtre.horsFiltre + horsPeriode + filtre.journal.nbLignes(), journal.nbLignes());
    }
}

TEST(Filtre, LHoteVirtuelDesFormatsQuiLeDonnent) {
    const std::string echantillon = test::lireFichier(KESTRANE_ACCES_5000);
    const Journal j = Journal::depuisTexte(echantillon);
    std::string tout, deB;
    for (std::size_t i = 0; i < j.nbLignes(); ++i) {
        const std::string ligne =
            (i % 3 ? "www.a.fr:80 " : "WWW.B.fr:443 ") + std::string(j.ligne(i)) + "\n";
        tout += ligne;
        if (i % 3 == 0) deB += ligne;
    }
    OptionsAnalyse options;
    options.format = FormatJournal::propose(TypeFormat::HoteVirtuel);
    options.complements = true;
    options.resultatsLisibles = true;
    ResultatAnalyse attendu, filtre;
    ASSERT_EQ(analyserJournal(Journal::depuisTexte(deB), options, attendu), IssueAnalyse::terminee);
    options.filtre = std::make_shared<const Filtre>(Filtre::lire("-hote:www.a.fr"));
    ASSERT_EQ(analyserJournal(Journal::depuisTexte(tout), options, filtre), IssueAnalyse::terminee);
    EXPECT_EQ(test::resultatEnTexte(filtre, false), test::resultatEnTexte(attendu, false));
    EXPECT_EQ(filtre.enPlus.hotes.size(), 1u);
    EXPECT_EQ(filtre.horsFiltre, j.nbLignes() - attendu.journal.nbLignes());
}

TEST(Filtre, LePaysParSonCodeOuSonNom) {
    Dossier d;
    test::EcrivainMmdb e(6);
    e.ajouter("1.2.3.0/24", test::paysMmdb("FR", {{"en", "France"}, {"fr", "France"}}));
    e.ajouter("5.6.0.0/16", test::paysMmdb("US", {{"fr", "\xC3\x89tats-Unis"}}));
    e.ajouter("5.6.7.0/24", test::paysMmdb("CA", {{"fr", "Canada"}}, true));
    e.ajouter("2001:db8::/32", test::paysMmdb("JP", {{"fr", "Japon"}}));
    const std::string chemin = d.ecrire("pays.mmdb", e.octets());
    const auto base = std::make_shared<const BasePays>(chemin);
    EXPECT_EQ(base->codePays(base->fiche("5.6.7.8")), "CA");
    const char* clients[] = {"1.2.3.4", "5.6.1.1", "5.6.7.8", "2001:db8::9", "9.9.9.9"};
    std::string texte;
    for (int i = 0; i < 50; ++i) {
        texte += std::string(clients[i % 5]) +
                 " - - [01/Jan/2024:10:00:00 +0100] \"GET /x HTTP/1.1\" 200 1 \"-\" \"curl/8\"\n";
    }
    OptionsAnalyse options;
    options.ignorerNonConformes = true;
    options.complements = true;
    options.basePays = base;
    const std::pair<const char*, std::size_t> cas[] = {{"pays:fr", 10},
                                                       {"pays:France", 10},
                                                       {"pays:\xC3\x89tats-Unis", 10},
                                                       {"pays:CA", 10},
                                                       {"pays:JP ou pays:US", 20},
                                                       {"pays:Inconnu", 10},
                                                       {"-pays:FR", 40},
                                                       {"pays:*a*", 40}};
    for (const auto& [expression, gardees] : cas) {
        options.filtre = std::make_shared<const Filtre>(Filtre::lire(expression));
        ResultatAnalyse r;
        ASSERT_EQ(analyserJournal(Journal::depuisTexte(texte), options, r), IssueAnalyse::terminee)
            << expression;
        EXPECT_EQ(r.journal.nbLignes(), gardees) << expression;
    }
}

TEST(Filtre, UnFiltreQuiNeGardeRienLeDitSansToucherAuResultat) {
    const Journal journal = Journal::depuisTexte(test::lireFichier(KESTRANE_ACCES_5000));
    OptionsAnalyse options;
    options.filtre = std::make_shared<const Filtre>(Filtre::lire("statut:999"));
    ResultatAnalyse r;
    r.lignesJournal = 42;
    EXPECT_EQ(analyserJournal(journal, options, r), IssueAnalyse::filtreVide);
    EXPECT_EQ(r.lignesJournal, 42u);
    Dossier d;
    BilanFlux bilan;
    EXPECT_EQ(analyserFlux({d.ecrire("a.log", journal.octets())}, options, r, bilan),
              IssueAnalyse::filtreVide);
    // An empty filter is no filter.
    options.filtre = std::make_shared<const Filtre>(Filtre::lire("  "));
    EXPECT_EQ(analyserJournal(journal, options, r), IssueAnalyse::terminee);
    EXPECT_EQ(r.filtre, nullptr);
    EXPECT_EQ(r.horsFiltre, 0u);
    // A country without a database.
    options.filtre = std::make_shared<const Filtre>(Filtre::lire("pays:FR"));
    EXPECT_THROW(analyserJournal(journal, options, r), ErreurKestrane);
}

}  // namespace
}  // namespace kestrane
