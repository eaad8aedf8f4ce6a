// Agents longer than the catalogue reads, through the whole analysis: the readable tables count
// agents by their first kOctetsAgentLus bytes and the audience keeps each agent once as a view of
// another copy, yet two agents that differ only after those bytes stay two agents and two
// visitors, loaded or streamed, however a stream's blocks and stretches cut the lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/analyse/AnalyseFlux.h"
#include "core/analyse/Complements.h"
#include "core/analyse/Lisibles.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/catalogue/CatalogueAgents.h"
#include "tests/commun/JournalAudience.h"
#include "tests/core/audience/OutilsAudience.h"

namespace kestrane {
namespace {

// Two starts of other names.
const std::string kFirefox = test::kFirefox;
const std::string kCurl = "curl/8.4.0 (x86_64-pc-linux-gnu)";

// `debut` padded with blanks to the bytes the catalogue reads, then `suite`.
std::string agentLong(const std::string& debut, const std::string& suite = "") {
    std::string agent = debut;
    agent.resize(kOctetsAgentLus, ' ');
    return agent + suite;
}

std::string ligne(const char* ip, const char* heure, const std::string& agent) {
    return test::ligneAudience(ip, std::string("06/Dec/2006:") + heure, "-", agent);
}

// One client with four agents of one start (the start alone, two that differ after it, and one
// whose escaped quote ends it for the audience and the readable counts: two such that differ
// after it are one agent, two to the statistics when the lines that do not conform are skipped),
// others with a long agent of another start and a short one.
std::vector<std::string> lesLignes() {
    return {
        ligne("1.1.1.1", "10:00:00", agentLong(kFirefox, "a")),
        ligne("1.1.1.1", "10:01:00", agentLong(kFirefox, "b")),
        ligne("1.1.1.1", "10:02:00", agentLong(kFirefox)),
        ligne("2.2.2.2", "10:03:00", agentLong(kCurl, "x")),
        ligne("1.1.1.1", "10:04:00", agentLong(kFirefox, "a")),
        ligne("1.1.1.1", "10:05:00", agentLong(kFirefox, "a\\\"Z")),
        ligne("2.2.2.2", "10:06:00", kFirefox),
        ligne("3.3.3.3", "10:07:00", agentLong(kFirefox, "b")),
        ligne("1.1.1.1", "10:08:00", agentLong(kFirefox, "b")),
        ligne("1.1.1.1", "10:09:00", agentLong(kFirefox, "a\\\"Y")),
    };
}

std::string texteDe(const std::vector<std::string>& lignes) {
    std::string texte;
    for (const std::string& l : lignes) texte += l + "\n";
    return texte;
}

// Four of Firefox's start, curl's and the short one; the same client's four of Firefox's start,
// and one visitor for each other client and agent.
constexpr std::size_t kAgentsDistincts = 6;
constexpr int64_t kVisiteurs = 7;

std::string decrire(const ResultatAnalyse& r) {
    std::string s;
    for (const auto* t : {&r.tables.statOS, &r.tables.statNav, &r.tables.statIP}) {
        for (const rapportStat& e : *t) s += e.libelle + "=" + std::to_string(e.nombre) + ";";
        s += '\n';
    }
    s += std::to_string(r.lisibles.agentsDistincts) + '\n';
    if (r.audience) s += test::texteAudience(*r.audience);
    return s;
}

struct Options {
    const char* nom;
    bool lisibles, complements;
};

TEST(AgentsLongsAnalyse, DistinctsApresLeurDebutChargesOuEnFlux) {
    const std::string texte = texteDe(lesLignes());
    const std::filesystem::path chemin = std::filesystem::temp_directory_path() /
                                         ("kestrane-agents-longs-" + std::to_string(getpid()));
    std::ofstream(chemin, std::ios::binary) << texte;
    const CatalogueAgents& catalogue = CatalogueAgents::partage();
    const Options lesOptions[] = {{"readable, with the Compléments", true, true},
                                  {"readable", true, false},
                                  {"raw, with the Compléments", false, true}};
    for (const Options& o : lesOptions) {
        for (const bool souple : {false, true}) {
            SCOPED_TRACE(std::string(o.nom) + (souple ? ", lenient" : ""));
            OptionsAnalyse options;
            options.resultatsLisibles = o.lisibles;
            options.complements = o.complements;
            options.ignorerNonConformes = souple;
            ResultatAnalyse charge, flux;
            ASSERT_EQ(analyserJournal(Journal::depuisTexte(texte), options, charge),
                      IssueAnalyse::terminee);
            BilanFlux bilan;
            ASSERT_EQ(analyserFlux({chemin.string()}, options, flux, bilan),
                      IssueAnalyse::terminee);
            EXPECT_EQ(decrire(flux), decrire(charge));
            if (o.lisibles) {
                EXPECT_EQ(charge.lisibles.agentsDistincts, kAgentsDistincts);
                // Named by their start: the long agents of Firefox's start and the short one.
                const tableauRapportStat& nav = charge.tables.statNav;
                ASSERT_EQ(nav.size(), 2u);
                EXPECT_EQ(nav[0].libelle, catalogue.classerNavigateur(kFirefox).nom);
                EXPECT_EQ(nav[0].nombre, 9);
                EXPECT_EQ(nav[1].libelle, catalogue.classerNavigateur(kCurl).nom);
                EXPECT_EQ(nav[1].nombre, 1);
            }
            if (o.complements) {
                ASSERT_TRUE(charge.audience);
                EXPECT_EQ(charge.audience->visiteurs, kVisiteurs);
            }
        }
    }
    std::filesystem::remove(chemin);
}

// The readers of a stream as analyserFlux lines them up, over lines in blocks of `taille`, the
// first `premiers` of each block read as stretch 0, each block's bytes written over once folded.
ResultatAnalyse enBlocs(const std::vector<std::string>& lignes, std::size_t taille,
                        std::size_t premiers, bool souple) {
    ComptesJournal comptes;
    ComptesAudience audience({robotsDuCatalogue(), nullptr, false});
    ComptesLisibles lisibles;
    audience.suivre(&comptes);
    comptes.agentsEntiers(true);
    comptes.sansAgents(true);
    lisibles.suivre(&comptes);
    LecteursEnSerie serie({&comptes, &audience, &lisibles});
    serie.commencer(Journal(), 2, souple);
    for (std::size_t debut = 0; debut < lignes.size(); debut += taille) {
        std::string octets;
        std::vector<std::size_t> places;
        for (std::size_t i = debut; i < std::min(debut + taille, lignes.size()); ++i) {
            places.push_back(octets.size());
            octets += lignes[i] + "\n";
        }
        serie.bloc(octets);
        for (std::size_t k = 0; k < places.size(); ++k) {
            const std::string_view ligne =
                std::string_view(octets).substr(places[k], lignes[debut + k].size());
            EXPECT_TRUE(lireLigne(ligne, &serie, k < premiers ? 0 : 1,
                                  souple ? examinerLigne : nullptr, nullptr, coupePour(&serie)));
        }
        serie.replier();
        octets.assign(octets.size(), '#');
    }
    serie.terminer();
    ResultatAnalyse r;
    EXPECT_TRUE(tablesDesComptes(comptes, lignes.size(), 1, r.tables));
    r.audience = audienceEtReferents(audience, r.tables.statPrecedent);
    rendreLisibles(r.tables, lisibles, 1, r.lisibles);
    return r;
}

TEST(AgentsLongsAnalyse, BlocsEtTronconsDUnFlux) {
    const std::vector<std::string> lignes = lesLignes();
    for (const bool souple : {false, true}) {
        OptionsAnalyse options;
        options.resultatsLisibles = options.complements = true;
        options.ignorerNonConformes = souple;
        ResultatAnalyse charge;
        ASSERT_EQ(analyserJournal(Journal::depuisTexte(texteDe(lignes)), options, charge),
                  IssueAnalyse::terminee);
        for (std::size_t taille = 1; taille <= lignes.size(); ++taille) {
            for (std::size_t premiers = 0; premiers <= taille; ++premiers) {
                EXPECT_EQ(decrire(enBlocs(lignes, taille, premiers, souple)), decrire(charge))
                    << "blocks of " << taille << " lines, " << premiers << " in stretch 0"
                    << (souple ? ", lenient" : "");
            }
        }
    }
}

}  // namespace
}  // namespace kestrane
