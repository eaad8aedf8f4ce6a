// The whole agents of the readers that follow the statistics' counts, kept as views where a
// lasting copy already exists.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/lecture/IndexAgents.h"

namespace kestrane {
namespace {

// The whole agents of each stretch as the statistics' counts hold them, and where a fold put the
// agent entries of stretch 1.
class StatistiquesFactices : public SourceClesLigne {
  public:
    std::vector<std::string> agents, agents1;
    std::vector<uint32_t> replies;
    ClesLigne cles;

    const ClesLigne& clesLigne(int) const override { return cles; }
    AgentEntier agentEntier(int tranche, uint32_t agent) const override {
        const std::string& a = (tranche == 0 ? agents : agents1).at(agent);
        return {a, hacher(a)};
    }
    uint32_t agentReplie(uint32_t agent) const override {
        return agent < replies.size() ? replies[agent] : ClesLigne::kSansCle;
    }
};

// Whether `texte` lies within `octets` (pointers of other buffers compared safely).
bool dans(std::string_view texte, const std::string& octets) {
    return std::greater_equal<const char*>()(texte.data(), octets.data()) &&
           std::less_equal<const char*>()(texte.data() + texte.size(),
                                          octets.data() + octets.size());
}

struct CasAgent {
    const char* nom;
    IndexAgents::Garde garde;
    std::string agent;  // copied into the bytes read unless `ailleurs`
    bool ailleurs;
    uint32_t entree;  // the statistics' agent entry of the line
    enum { tampon, statistiques, copie } garde_attendue;
};

TEST(IndexAgents, VuesOuCopieSelonOuLAgentDure) {
    StatistiquesFactices s;
    s.agents = {"Mozilla/5.0 (X11) Firefox/1", "curl/8 \\\"x\\\" (souple)", "court"};
    using G = IndexAgents::Garde;
    const std::vector<CasAgent> cas = {
        {"journal loaded: a view", G::journal, "Mozilla/5.0 (X11) Firefox/1", false, 0,
         CasAgent::tampon},
        {"journal loaded, text elsewhere: a copy", G::journal, "Opera/9", true, 0, CasAgent::copie},
        {"stream, statistics' agent: a view of it", G::statistiques, "Mozilla/5.0 (X11) Firefox/1",
         false, 0, CasAgent::statistiques},
        {"stream, agent cut short of the statistics' one: a view of its start", G::statistiques,
         "curl/8 \\", false, 1, CasAgent::statistiques},
        {"stream, other bytes than the statistics' agent: a copy", G::statistiques, "curl/9", false,
         1, CasAgent::copie},
        {"stream, longer than the statistics' agent: a copy", G::statistiques, "courtes", false, 2,
         CasAgent::copie},
        {"stream, no statistics' agent: a copy", G::statistiques, "court", false,
         ClesLigne::kSansCle, CasAgent::copie},
        {"stream, empty agent without entry", G::statistiques, "", false, 2, CasAgent::copie},
        {"stream's block: a view until the fold", G::bloc, "Wget/1.0", false, ClesLigne::kSansCle,
         CasAgent::tampon},
        {"stream's block, text elsewhere: a copy", G::bloc, "-", true, 0, CasAgent::copie},
    };
    for (const CasAgent& c : cas) {
        SCOPED_TRACE(c.nom);
        std::string octets = "x \"" + c.agent + "\" y";
        const std::string ailleurs = c.agent;
        const std::string_view agent = c.ailleurs
                                           ? std::string_view(ailleurs)
                                           : std::string_view(octets).substr(3, c.agent.size());
        IndexAgents index;
        index.regler(c.garde, &s, 0);
        index.tampon(octets.data(), octets.data() + octets.size());
        const uint32_t n = index.numero(agent, c.entree);
        EXPECT_EQ(n, 0u);
        EXPECT_EQ(index.numero(agent, c.entree), 0u);  // found again
        EXPECT_EQ(index.numero(ailleurs), 0u);         // kept under the text's own hash
        ASSERT_EQ(index.taille(), 1u);
        const std::string_view garde = index.cle(0);
        EXPECT_EQ(garde, c.agent);
        if (c.agent.empty()) continue;
        switch (c.garde_attendue) {
            case CasAgent::tampon:
                EXPECT_EQ(garde.data(), agent.data());
                break;
            case CasAgent::statistiques:
                EXPECT_EQ(garde.data(), s.agents[c.entree].data());
                break;
            case CasAgent::copie:
                EXPECT_FALSE(dans(garde, octets) || dans(garde, ailleurs) ||
                             (c.entree < s.agents.size() && dans(garde, s.agents[c.entree])));
                break;
        }
    }
}

TEST(IndexAgents, RepliDuBlocSurLesAgentsDesStatistiques) {
    // Stretch 1 of a stream keeps views into its block; its fold numbers its agents after stretch
    // 0's, as views into the statistics' agents where the statistics' own fold put them, or as
    // copies, before the block's bytes are written over.
    StatistiquesFactices s;
    s.agents = {"A/1 (vu avant)", std::string(2000, 'L') + "a", std::string(2000, 'L') + "b\rZ"};
    s.agents1 = {std::string(2000, 'L') + "b\rZ", std::string(2000, 'L') + "a", "A/1 (vu avant)"};
    IndexAgents zero, un;
    zero.regler(IndexAgents::Garde::statistiques, &s, 0);
    un.regler(IndexAgents::Garde::bloc, &s, 1);
    EXPECT_EQ(zero.numero("A/1 (vu avant)", 0), 0u);
    std::string bloc =
        std::string(2000, 'L') + "b|" + std::string(2000, 'L') + "a|A/1 (vu avant)|B/2";
    un.tampon(bloc.data(), bloc.data() + bloc.size());
    const std::string_view vue(bloc);
    // Their statistics' entries in stretch 1: 0 ("Lb\rZ"), 1 ("La"), 2 ("A/1"), none for B/2.
    EXPECT_EQ(un.numero(vue.substr(0, 2001), 0), 0u);
    EXPECT_EQ(un.numero(vue.substr(2002, 2001), 1), 1u);
    EXPECT_EQ(un.numero(vue.substr(4004, 14), 2), 2u);
    EXPECT_EQ(un.numero(vue.substr(4019, 3)), 3u);
    s.replies = {2, 1, 0};
    EXPECT_EQ(zero.ajouter(un), (std::vector<uint32_t>{1, 2, 0, 3}));
    bloc.assign(bloc.size(), '#');
    const std::vector<std::string> attendus = {"A/1 (vu avant)", std::string(2000, 'L') + "b",
                                               std::string(2000, 'L') + "a", "B/2"};
    ASSERT_EQ(zero.taille(), attendus.size());
    for (std::size_t k = 0; k < attendus.size(); ++k) EXPECT_EQ(zero.cle(k), attendus[k]) << k;
    EXPECT_EQ(zero.cle(1).data(), s.agents[2].data());
    EXPECT_EQ(zero.cle(2).data(), s.agents[1].data());
    EXPECT_EQ(zero.numero(std::string(2000, 'L') + "a"), 2u);
    EXPECT_EQ(zero.numero(std::string(2000, 'L') + "b"), 1u);
}

}  // namespace
}  // namespace kestrane
