#include "core/catalogue/CatalogueAgents.h"

#include <vector>

#include "core/catalogue/Groupes.h"
#include "core/catalogue/ListeExpressions.h"
#include "core/catalogue/ModelesUap.h"

namespace kestrane {

using catalogue::Groupes;
using catalogue::ListeExpressions;

struct CatalogueAgents::Moteur {
    ListeExpressions navigateurs{catalogue::kModelesNavigateurs, true,
                                 &catalogue::kFiltreNavigateurs};
    ListeExpressions systemes{catalogue::kModelesSystemes, true, &catalogue::kFiltreSystemes};
    ListeExpressions appareils{catalogue::kModelesAppareils, true, &catalogue::kFiltreAppareils};
    // The device entries that may name an agent's device "Spider", in list order, and whether
    // only an agent holding "Spider" can make them do so.
    struct EntreeRobot {
        std::size_t numero;
        bool siSpider;
    };
    std::vector<EntreeRobot> entreesRobot;

    Moteur() {
        for (std::size_t i = 0; i < catalogue::kModelesAppareils.size(); ++i) {
            const catalogue::RobotPossible p =
                catalogue::robotPossible(catalogue::kModelesAppareils[i]);
            if (p != catalogue::RobotPossible::jamais)
                entreesRobot.push_back({i, p == catalogue::RobotPossible::siSpiderDansLAgent});
        }
    }
};

CatalogueAgents::CatalogueAgents() : moteur_(std::make_unique<const Moteur>()) {}

CatalogueAgents::~CatalogueAgents() = default;

const CatalogueAgents& CatalogueAgents::partage() {
    static const CatalogueAgents catalogue;
    return catalogue;
}

Designation CatalogueAgents::classerNavigateur(std::string_view agent) const {
    Groupes groupes;
    return catalogue::designer(moteur_->navigateurs.premier(agent, groupes), groupes);
}

Designation CatalogueAgents::classerSysteme(std::string_view agent) const {
    Groupes groupes;
    return catalogue::designer(moteur_->systemes.premier(agent, groupes), groupes);
}

bool CatalogueAgents::estRobot(std::string_view agent) const {
    // An agent that none of the entries able to name a robot matches is no robot, whichever entry
    // comes first: for most agents some fifty expressions to try instead of the whole list
    // (628 in uap-core 0.18.0), the robots then looked up as before.
    // Only those whose condition the agent meets are run.
    const bool spider = agent.find("Spider") != std::string_view::npos;
    thread_local std::vector<uint32_t> candidates;
    moteur_->appareils.candidates(agent, candidates);
    bool possible = false;
    auto c = candidates.begin();
    for (const Moteur::EntreeRobot& e : moteur_->entreesRobot) {
        while (c != candidates.end() && *c < e.numero) ++c;
        if (c == candidates.end()) break;
        if (*c == e.numero && (spider || !e.siSpider) &&
            moteur_->appareils.correspond(e.numero, agent)) {
            possible = true;
            break;
        }
    }
    if (!possible) return false;
    Groupes groupes;
    return catalogue::designeRobot(moteur_->appareils.premier(agent, groupes), groupes);
}

ClassementAgent CatalogueAgents::classer(std::string_view agent) const {
    return {classerNavigateur(agent), classerSysteme(agent), estRobot(agent)};
}

const char* CatalogueAgents::version() {
    return catalogue::kVersionModeles;
}

const ClassementAgent& CacheAgents::classer(std::string_view agent) {
    auto trouve = entrees_.find(agent);
    if (trouve == entrees_.end())
        trouve = entrees_.emplace(std::string(agent), catalogue_.classer(agent)).first;
    return trouve->second;
}

}  // namespace kestrane
