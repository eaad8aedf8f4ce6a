// The figures per loaded file, referring site and client address against a plain recount of the
// generated requests: visitors as a client, an agent and a day, visits split at gaps of 30
// minutes or more in time order, lines out of order, dates that do not read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/analyse/ServiceAnalyse.h"
#include "core/journal/Journal.h"

namespace kestrane {
namespace {

struct Requete {
    std::string client, agent, fichier, site;  // site: the host expected, empty for none
    int64_t instant = 0;                       // seconds since 1970, -1: a date that does not read
    int code = 200;
    int64_t octets = 0;
};

struct Journee {
    std::string texte;
    std::vector<Requete> requetes;
};

Journee generer(std::size_t n, unsigned graine) {
    static const char* const kAgents[] = {"Mozilla/5.0 (X11; Linux) Firefox/121.0",
                                          "Googlebot/2.1 (+http://www.google.com/bot.html)",
                                          "curl/7.29.0"};
    static const std::pair<const char*, const char*> kReferents[] = {
        {"-", ""},
        {"https://www.google.fr/search?q=caf%C3%A9", "google.fr"},
        {"http://Exemple.org:8080/page", "exemple.org"},
        {"/interne.html", ""}};
    static const int kCodes[] = {200, 206, 301, 304, 404, 500, 503, 101};
    std::mt19937 alea(graine);
    Journee j;
    // 2005-10-10 22:00:00; steps of 0 to 40 minutes, exactly 30 minutes and 29:59 among them.
    int64_t t = 1128981600;
    static const int64_t kPas[] = {0, 1, 60, 1799, 1800, 2400, 300};
    for (std::size_t i = 0; i < n; ++i) {
        t += kPas[alea() % 7] / (alea() % 3 + 1) * (alea() % 3 == 0 ? 1 : 0);
        Requete r;
        r.client = "10.0." + std::to_string(alea() % 3) + '.' + std::to_string(alea() % 4);
        r.agent = kAgents[alea() % 3];
        r.fichier = "/p" + std::to_string(alea() % 9);
        const auto& [referent, site] = kReferents[alea() % 4];
        r.site = site;
        r.code = kCodes[alea() % 8];
        r.octets = alea() % 5 ? alea() % 5000 : 0;
        r.instant = alea() % 50 ? t : -1;
        char quand[40];
        if (r.instant >= 0) {
            const int64_t jour = r.instant / 86400 - 13066, s = r.instant % 86400;  // from Oct 10
            std::snprintf(quand, sizeof quand, "%02d/Oct/2005:%02d:%02d:%02d",
                          static_cast<int>(10 + jour), static_cast<int>(s / 3600),
                          static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
        } else {
            std::snprintf(quand, sizeof quand, "31/Feb/2005:10:00:00");
        }
        j.texte += r.client + " - - [" + quand + " +0200] \"GET " + r.fichier + " HTTP/1.1\" " +
                   std::to_string(r.code) + ' ' +
                   (r.octets ? std::to_string(r.octets) : std::string("-")) + " \"" + referent +
                   "\" \"" + r.agent + "\"\n";
        j.requetes.push_back(std::move(r));
    }
    return j;
}

// The tables recounted from the requests, in the product's order.
TablesEntrees recompter(const std::vector<Requete>& requetes) {
    std::map<std::string, LigneFichierDetail> fichiers;
    std::map<std::string, LigneSiteDetail> sites;
    std::map<std::string, LigneAdresseDetail> adresses;
    std::map<std::string, std::set<std::tuple<std::string, std::string, int64_t>>> vusF, vusS;
    std::map<std::pair<std::string, std::string>, std::vector<int64_t>> temps;
    std::vector<std::string> ordreF, ordreS, ordreA;
    for (const Requete& r : requetes) {
        if (!fichiers.count(r.fichier)) ordreF.push_back(r.fichier);
        LigneFichierDetail& f = fichiers[r.fichier];
        f.fichier = r.fichier;
        ++f.requetes;
        f.octets += r.octets;
        if (r.code >= 200 && r.code < 600) ++f.classes[r.code / 100 - 2];
        if (!adresses.count(r.client)) ordreA.push_back(r.client);
        LigneAdresseDetail& a = adresses[r.client];
        a.adresse = r.client;
        ++a.requetes;
        a.octets += r.octets;
        if (!r.site.empty()) {
            if (!sites.count(r.site)) ordreS.push_back(r.site);
            sites[r.site].site = r.site;
            ++sites[r.site].requetes;
        }
        if (r.instant < 0) continue;
        a.premiere = a.date ? std::min(a.premiere, r.instant) : r.instant;
        a.derniere = a.date ? std::max(a.derniere, r.instant) : r.instant;
        a.date = true;
        const auto visiteur = std::make_tuple(r.client, r.agent, r.instant / 86400);
        vusF[r.fichier].insert(visiteur);
        if (!r.site.empty()) vusS[r.site].insert(visiteur);
        temps[{r.client, r.agent}].push_back(r.instant);
    }
    for (auto& [cle, t] : temps) {
        std::sort(t.begin(), t.end());
        for (std::size_t k = 0; k < t.size(); ++k) {
            adresses[cle.first].visites += k == 0 || t[k] - t[k - 1] >= 30 * 60;
        }
    }
    TablesEntrees e;
    for (const auto& f : ordreF) {
        e.parFichier.push_back(fichiers[f]);
        e.parFichier.back().visiteurs = static_cast<int64_t>(vusF[f].size());
    }
    for (const auto& s : ordreS) {
        e.parSite.push_back(sites[s]);
        e.parSite.back().visiteurs = static_cast<int64_t>(vusS[s].size());
    }
    for (const auto& a : ordreA) e.parAdresse.push_back(adresses[a]);
    const auto parRequetes = [](auto& v) {
        std::stable_sort(v.begin(), v.end(),
                         [](const auto& x, const auto& y) { return x.requetes > y.requetes; });
    };
    parRequetes(e.parFichier);
    parRequetes(e.parSite);
    parRequetes(e.parAdresse);
    return e;
}

std::string decrire(const TablesEntrees& e) {
    std::string s;
    for (const auto& f : e.parFichier) {
        s += f.fichier + ' ' + std::to_string(f.requetes) + ' ' + std::to_string(f.octets) + ' ' +
             std::to_string(f.visiteurs);
        for (const int64_t c : f.classes) s += ' ' + std::to_string(c);
        s += '\n';
    }
    for (const auto& l : e.parSite) {
        s += l.site + ' ' + std::to_string(l.requetes) + ' ' + std::to_string(l.visiteurs) + '\n';
    }
    for (const auto& a : e.parAdresse) {
        s += a.adresse + ' ' + std::to_string(a.requetes) + ' ' + std::to_string(a.octets) + ' ' +
             std::to_string(a.visites) + ' ' +
             (a.date ? texteDateHeure(a.premiere) + ' ' + texteDateHeure(a.derniere) : "-") + ' ' +
             a.pays + '\n';
    }
    return s;
}

TEST(Entrees, EgalesAUnRecompteDesRequetes) {
    for (const unsigned graine : {1u, 2u, 3u}) {
        SCOPED_TRACE(graine);
        Journee j = generer(3000, graine);
        // A few neighbours out of order: a server writes a request when it ends.
        for (std::size_t i = 1; i + 1 < j.requetes.size(); i += 41) {
            std::swap(j.requetes[i], j.requetes[i + 1]);
        }
        std::string texte;
        {
            std::vector<std::string> lignes;
            std::size_t debut = 0;
            for (std::size_t k = j.texte.find('\n'); k != std::string::npos;
                 debut = k + 1, k = j.texte.find('\n', debut)) {
                lignes.push_back(j.texte.substr(debut, k + 1 - debut));
            }
            for (std::size_t i = 1; i + 1 < lignes.size(); i += 41) {
                std::swap(lignes[i], lignes[i + 1]);
            }
            for (const auto& l : lignes) texte += l;
        }
        for (const bool lisibles : {false, true}) {
            OptionsAnalyse o;
            o.complements = true;
            o.detailEntrees = true;
            o.resultatsLisibles = lisibles;
            ResultatAnalyse r;
            ASSERT_EQ(analyserJournal(Journal::depuisTexte(texte), o, r), IssueAnalyse::terminee);
            ASSERT_TRUE(r.entrees);
            EXPECT_EQ(decrire(*r.entrees), decrire(recompter(j.requetes)));
            // The same sites and visits as the audience's.
            ASSERT_EQ(r.entrees->parSite.size(), r.audience->sitesReferents.size());
            for (std::size_t k = 0; k < r.entrees->parSite.size(); ++k) {
                EXPECT_EQ(r.entrees->parSite[k].site, r.audience->sitesReferents[k].nom);
                EXPECT_EQ(r.entrees->parSite[k].requetes, r.audience->sitesReferents[k].requetes);
            }
            int64_t visites = 0;
            for (const auto& a : r.entrees->parAdresse) visites += a.visites;
            EXPECT_EQ(visites, r.audience->visites);
        }
        OptionsAnalyse sans;
        sans.complements = true;
        ResultatAnalyse r;
        ASSERT_EQ(analyserJournal(Journal::depuisTexte(texte), sans, r), IssueAnalyse::terminee);
        EXPECT_FALSE(r.entrees) << "sans l'option, rien de compté";
    }
}

TEST(Entrees, TexteInstant) {
    EXPECT_EQ(texteDateHeure(0), "1970-01-01 00:00:00");
    EXPECT_EQ(texteDateHeure(1128981600 + 3 * 3600 + 61), "2005-10-11 01:01:01");
    EXPECT_EQ(texteDateHeure(-1), "1969-12-31 23:59:59");
}

}  // namespace
}  // namespace kestrane
