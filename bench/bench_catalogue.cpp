// bench_catalogue [--runs N]: the user-agent catalogue (uap-core's regexes.yaml) matched by two
// expression libraries of Debian 12, PCRE2 (with its JIT, and without it) and RE2 (one expression
// after the other, and as one RE2::Set that finds the first matching entry in a single pass),
// then the library kestrane_catalogue itself. For each engine: which of the catalogue's
// expressions it refuses, the time to compile the whole catalogue, the time per distinct agent
// with the catalogue just compiled (cold) and on a second pass (warm), the share of the
// catalogue's published test cases it passes, and agents built to make a backtracking engine
// work hard.
//
// Agents: the distinct user agents of ../shared/samples/apache-combined-10k.log, of the bundled
// samples/acces-5000.log and of the published cases in ../shared/uap-core-tests (the shared ones
// are skipped when absent).

#include <re2/re2.h>
#include <re2/set.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/Mesures.h"
#include "core/catalogue/CatalogueAgents.h"
#include "core/catalogue/Groupes.h"
#include "core/catalogue/ListeExpressions.h"
#include "core/catalogue/ModelesUap.h"
#include "tests/core/catalogue/CasPublies.h"

using namespace kestrane;
using namespace kestrane::catalogue;

namespace {

// ---- The engines: each finds the first entry of one list that matches, and its groups. PCRE2's
// is the library's own (ListeExpressions); RE2's is written here the same way. ----

RE2::Options optionsRe2(bool sansCasse) {
    RE2::Options o;
    o.set_encoding(RE2::Options::EncodingLatin1);  // the agent's bytes, whatever they encode
    o.set_log_errors(false);
    o.set_case_sensitive(!sansCasse);
    return o;
}

// Captures of expression e over the agent.
bool capturer(const RE2& e, std::string_view agent, Groupes& groupes) {
    re2::StringPiece sous[10];
    const int n = std::min(e.NumberOfCapturingGroups() + 1, 10);
    if (!e.Match(re2::StringPiece(agent.data(), agent.size()), 0, agent.size(), RE2::UNANCHORED,
                 sous, n))
        return false;
    groupes = {};
    for (int g = 0; g < n; ++g)
        if (sous[g].data()) groupes[g] = std::string_view(sous[g].data(), sous[g].size());
    return true;
}

class ListeRe2 {
  public:
    ListeRe2(std::span<const ModeleUap> modeles, bool ensemble) : modeles_(modeles) {
        RE2::Options o = optionsRe2(false);
        // The set's automaton covers every entry at once: room for its states.
        o.set_max_mem(int64_t{256} << 20);
        if (ensemble) ensemble_ = std::make_unique<RE2::Set>(o, RE2::UNANCHORED);
        for (const ModeleUap& m : modeles) {
            expressions_.push_back(std::make_unique<RE2>(m.expression, optionsRe2(m.sansCasse)));
            if (!expressions_.back()->ok()) refusees_.push_back(m.expression);
            if (ensemble_) {
                // The set has one set of options: the entries without case say so inline. A
                // refused entry is replaced by one that never matches, to keep the numbering.
                std::string e = m.sansCasse ? std::string("(?i)") + m.expression : m.expression;
                if (!expressions_.back()->ok()) e = "[^\\x00-\\xff]";
                ensemble_->Add(e, nullptr);
            }
        }
        if (ensemble_ && !ensemble_->Compile()) refusees_.push_back("(the set)");
    }

    const ModeleUap* premier(std::string_view agent, Groupes& groupes) {
        if (ensemble_) {
            trouves_.clear();
            if (!ensemble_->Match(re2::StringPiece(agent.data(), agent.size()), &trouves_))
                return nullptr;
            const int i = *std::min_element(trouves_.begin(), trouves_.end());
            return capturer(*expressions_[i], agent, groupes) ? &modeles_[i] : nullptr;
        }
        for (std::size_t i = 0; i < expressions_.size(); ++i)
            if (expressions_[i]->ok() && capturer(*expressions_[i], agent, groupes))
                return &modeles_[i];
        return nullptr;
    }

    std::vector<std::string> refusees_;

  private:
    std::span<const ModeleUap> modeles_;
    std::vector<std::unique_ptr<RE2>> expressions_;
    std::unique_ptr<RE2::Set> ensemble_;
    std::vector<int> trouves_;
};

// The three lists compiled by one engine.
template <typename Liste>
struct Jeu {
    Liste navigateurs, systemes, appareils;

    template <typename... Options>
    explicit Jeu(Options... options)
        : navigateurs(kModelesNavigateurs, options...),
          systemes(kModelesSystemes, options...),
          appareils(kModelesAppareils, options...) {}

    Designation navigateur(std::string_view agent) {
        Groupes g;
        const ModeleUap* m = navigateurs.premier(agent, g);
        return designer(m, g);
    }
    Designation systeme(std::string_view agent) {
        Groupes g;
        const ModeleUap* m = systemes.premier(agent, g);
        return designer(m, g);
    }
    ClassementAgent classer(std::string_view agent) {
        Groupes g;
        const ModeleUap* m = appareils.premier(agent, g);
        return {navigateur(agent), systeme(agent), designeRobot(m, g)};
    }
};

using JeuPcre2 = Jeu<ListeExpressions>;
using JeuRe2 = Jeu<ListeRe2>;

// ---- The agents ----

struct Lot {
    std::string nom;
    std::vector<std::string> agents;  // distinct, in order of first appearance
    std::vector<std::string> lignes;  // every line's agent, for a journal
};

void ajouter(Lot& lot, std::set<std::string>& vus, std::string agent) {
    if (vus.insert(agent).second) lot.agents.push_back(agent);
}

// The user agents of a journal in the combined format: the text between the last two quotes of
// each line.
Lot agentsDuJournal(const std::string& nom, const std::string& chemin) {
    Lot lot{nom, {}, {}};
    std::ifstream fichier(chemin, std::ios::binary);
    std::set<std::string> vus;
    std::string ligne;
    while (std::getline(fichier, ligne)) {
        const std::size_t fin = ligne.rfind('"');
        if (fin == std::string::npos || fin == 0) continue;
        const std::size_t debut = ligne.rfind('"', fin - 1);
        if (debut == std::string::npos) continue;
        lot.lignes.push_back(ligne.substr(debut + 1, fin - debut - 1));
        ajouter(lot, vus, lot.lignes.back());
    }
    return lot;
}

Lot agentsDesCas(const std::string& nom, const std::vector<CasPublie>& cas) {
    Lot lot{nom, {}, {}};
    std::set<std::string> vus;
    for (const CasPublie& c : cas) ajouter(lot, vus, c.agent);
    return lot;
}

// Agents no browser sends, made for the expressions that can backtrack: long runs of what their
// repeated classes accept, without the text that would end a match early.
Lot agentsDifficiles() {
    Lot lot{"hard agents (1 and 10 KB)", {}, {}};
    for (std::size_t longueur : {1000u, 10000u}) {
        std::string lettres(longueur, 'a'), mobiles, fenetres;
        while (mobiles.size() < longueur) mobiles += "Android; iPhone; Windows CE; ";
        while (fenetres.size() < longueur) fenetres += "Windows NT 10.0; ";
        for (const std::string& a :
             {"Mozilla/5.0 (" + lettres + ")", std::string(longueur, ' ') + "Bot",
              "Mozilla/5.0 (" + mobiles + "x)", fenetres})
            lot.agents.push_back(a);
    }
    return lot;
}

// ---- Measuring ----

struct Resultat {
    std::string moteur;
    Mesure compilation;
    std::vector<Mesure> froid, chaud;  // per lot: seconds per agent
    double partUa = -1, partOs = -1;
};

// The share of the cases whose family and major version `lire` gives as expected, in percent.
template <typename Lire>
double part(const std::vector<CasPublie>& cas, Lire lire) {
    if (cas.empty()) return -1;
    std::size_t bons = 0;
    for (const CasPublie& c : cas) {
        const Designation d = lire(c.agent);
        bons += d.famille == c.famille && d.majeure == c.majeure;
    }
    return 100.0 * static_cast<double>(bons) / static_cast<double>(cas.size());
}

double parAgent(double secondes, const Lot& lot) {
    return secondes / static_cast<double>(lot.agents.size());
}

// One run of an engine: the compilation, then each lot on a catalogue just compiled (cold, as an
// analysis starts) and the same agents again (warm).
template <typename J, typename... Options>
void mesurerMoteur(Resultat& r, const std::vector<Lot>& lots, Options... options) {
    r.froid.resize(lots.size());
    r.chaud.resize(lots.size());
    r.compilation.secondes.push_back(chronometrer([&] { J jeu(options...); }));
    for (std::size_t l = 0; l < lots.size(); ++l) {
        J jeu(options...);
        const auto tout = [&] {
            for (const std::string& a : lots[l].agents) jeu.classer(a);
        };
        r.froid[l].secondes.push_back(parAgent(chronometrer(tout), lots[l]));
        r.chaud[l].secondes.push_back(parAgent(chronometrer(tout), lots[l]));
    }
}

template <typename J, typename... Options>
void mesurerParts(Resultat& r, const std::vector<CasPublie>& casUa,
                  const std::vector<CasPublie>& casOs, Options... options) {
    J jeu(options...);
    r.partUa = part(casUa, [&](const std::string& a) { return jeu.navigateur(a); });
    r.partOs = part(casOs, [&](const std::string& a) { return jeu.systeme(a); });
}

// The engines' verdicts on the catalogue: what RE2 refuses (PCRE2 refusing one would have raised
// an error) and the agents the two name differently.
void comparer(const std::vector<Lot>& lots) {
    JeuPcre2 pcre2(true);
    JeuRe2 re2(false);
    std::printf("\nExpressions refused: PCRE2 0, RE2 %zu\n", re2.navigateurs.refusees_.size() +
                                                                 re2.systemes.refusees_.size() +
                                                                 re2.appareils.refusees_.size());
    for (const ListeRe2* liste : {&re2.navigateurs, &re2.systemes, &re2.appareils})
        for (const std::string& e : liste->refusees_)
            std::printf("  RE2 refuses %.100s\n", e.c_str());
    std::size_t differences = 0, total = 0;
    for (const Lot& lot : lots)
        for (const std::string& a : lot.agents) {
            const ClassementAgent p = pcre2.classer(a), r = re2.classer(a);
            ++total;
            if (p.navigateur.nom == r.navigateur.nom && p.systeme.nom == r.systeme.nom &&
                p.robot == r.robot)
                continue;
            if (++differences <= 5)
                std::printf("  %.80s\n    PCRE2 %s | %s | %d, RE2 %s | %s | %d\n", a.c_str(),
                            p.navigateur.nom.c_str(), p.systeme.nom.c_str(), p.robot,
                            r.navigateur.nom.c_str(), r.systeme.nom.c_str(), r.robot);
        }
    std::printf("Agents named differently by PCRE2 and RE2: %zu of %zu\n", differences, total);
}

// The library as an analysis will use it: its catalogue's compilation, then every line of a
// journal through a cache, cold (catalogue just built, cache empty), on one thread and with the
// lines cut in two halves, each with its cache on its own thread.
struct Bibliotheque {
    Mesure construction;
    std::vector<Mesure> un, deux;  // per journal
    std::vector<std::size_t> robots;
};

void mesurerBibliotheque(Bibliotheque& b, const std::vector<Lot>& journaux) {
    b.construction.secondes.push_back(chronometrer([] { CatalogueAgents c; }));
    b.un.resize(journaux.size());
    b.deux.resize(journaux.size());
    b.robots.assign(journaux.size(), 0);
    for (std::size_t j = 0; j < journaux.size(); ++j) {
        const std::vector<std::string>& lignes = journaux[j].lignes;
        const CatalogueAgents catalogue;
        b.un[j].secondes.push_back(chronometrer([&] {
            CacheAgents cache(catalogue);
            for (const std::string& a : lignes) b.robots[j] += cache.classer(a).robot;
        }));
        const CatalogueAgents autre;
        b.deux[j].secondes.push_back(chronometrer([&] {
            const auto moitie = [&](std::size_t debut, std::size_t fin) {
                CacheAgents cache(autre);
                for (std::size_t i = debut; i < fin; ++i) cache.classer(lignes[i]);
            };
            std::thread fil(moitie, lignes.size() / 2, lignes.size());
            moitie(0, lignes.size() / 2);
            fil.join();
        }));
    }
}

void afficherBibliotheque(const Bibliotheque& b, const std::vector<Lot>& journaux) {
    std::printf("\nkestrane_catalogue (PCRE2 JIT), seconds\n%-42s %10s %10s %10s %10s\n", "step",
                "first", "median", "min", "max");
    afficher("CatalogueAgents()", b.construction);
    for (std::size_t j = 0; j < journaux.size(); ++j) {
        std::printf("%s: %zu lines, %zu distinct agents, %zu lines from robots\n",
                    journaux[j].nom.c_str(), journaux[j].lignes.size(), journaux[j].agents.size(),
                    b.robots[j]);
        afficher("  every line, one cache", b.un[j]);
        afficher("  every line, two halves on two threads", b.deux[j]);
        std::printf("  per distinct agent, one cache (median): %.1f microseconds\n",
                    parAgent(b.un[j].mediane(), journaux[j]) * 1e6);
    }
}

}  // namespace

int main(int argc, char** argv) {
    long lignesInutiles = 0, runs = 5;
    if (!lireArguments(argc, argv, lignesInutiles, runs) || lignesInutiles != 0) {
        std::fprintf(stderr, "usage: %s [--runs N]   (5 runs)\n", argv[0]);
        return 2;
    }
    const std::string partage = std::string(KESTRANE_RACINE) + "/../shared";
    const std::vector<CasPublie> casUa = lireCasPublies(partage + "/uap-core-tests/test_ua.yaml");
    const std::vector<CasPublie> casOs = lireCasPublies(partage + "/uap-core-tests/test_os.yaml");
    std::vector<Lot> lots;
    lots.push_back(agentsDuJournal("acces-5000.log",
                                   std::string(KESTRANE_RACINE) + "/samples/acces-5000.log"));
    Lot reel =
        agentsDuJournal("apache-combined-10k.log", partage + "/samples/apache-combined-10k.log");
    if (!reel.agents.empty()) lots.push_back(std::move(reel));
    if (!casUa.empty()) lots.push_back(agentsDesCas("test_ua.yaml", casUa));
    if (!casOs.empty()) lots.push_back(agentsDesCas("test_os.yaml", casOs));
    lots.push_back(agentsDifficiles());

    std::printf("uap-core %s: %zu browser, %zu system, %zu device entries; %ld runs, %u threads\n",
                kVersionModeles, kModelesNavigateurs.size(), kModelesSystemes.size(),
                kModelesAppareils.size(), runs, std::thread::hardware_concurrency());
    std::printf("load average: %s\n", chargeMachine().c_str());
    for (const Lot& lot : lots)
        std::printf("  %-26s %5zu distinct agents\n", lot.nom.c_str(), lot.agents.size());

    comparer(lots);
    std::vector<Lot> journaux;
    for (const Lot& lot : lots)
        if (!lot.lignes.empty()) journaux.push_back(lot);
    // Every run measures every engine and the library in turn, so that a change of the machine's
    // load weighs on all alike.
    std::vector<Resultat> resultats = {{"PCRE2 JIT", {}, {}, {}},
                                       {"PCRE2 interpreter", {}, {}, {}},
                                       {"RE2 one by one", {}, {}, {}},
                                       {"RE2::Set + RE2", {}, {}, {}}};
    Bibliotheque bibliotheque;
    for (long k = 0; k < runs; ++k) {
        mesurerMoteur<JeuPcre2>(resultats[0], lots, true);
        mesurerMoteur<JeuPcre2>(resultats[1], lots, false);
        mesurerMoteur<JeuRe2>(resultats[2], lots, false);
        mesurerMoteur<JeuRe2>(resultats[3], lots, true);
        mesurerBibliotheque(bibliotheque, journaux);
    }
    mesurerParts<JeuPcre2>(resultats[0], casUa, casOs, true);
    mesurerParts<JeuPcre2>(resultats[1], casUa, casOs, false);
    mesurerParts<JeuRe2>(resultats[2], casUa, casOs, false);
    mesurerParts<JeuRe2>(resultats[3], casUa, casOs, true);

    std::printf("\nCompiling the three lists (seconds)\n%-42s %10s %10s %10s %10s\n", "engine",
                "first", "median", "min", "max");
    for (const Resultat& r : resultats) afficher(r.moteur.c_str(), r.compilation);
    for (std::size_t l = 0; l < lots.size(); ++l) {
        std::printf("\nPer distinct agent, %s (microseconds, median)\n%-22s %10s %10s\n",
                    lots[l].nom.c_str(), "engine", "cold", "warm");
        for (const Resultat& r : resultats)
            std::printf("%-22s %10.1f %10.1f\n", r.moteur.c_str(), r.froid[l].mediane() * 1e6,
                        r.chaud[l].mediane() * 1e6);
    }
    if (!casUa.empty() && !casOs.empty()) {
        std::printf(
            "\nPublished cases passed (family and major): test_ua.yaml %zu cases, "
            "test_os.yaml %zu\n",
            casUa.size(), casOs.size());
        for (const Resultat& r : resultats)
            std::printf("%-22s %8.2f %% %8.2f %%\n", r.moteur.c_str(), r.partUa, r.partOs);
    }
    afficherBibliotheque(bibliotheque, journaux);
    std::printf("load average at the end: %s\n", chargeMachine().c_str());
    return 0;
}
