#include "core/catalogue/CatalogueAgents.h"

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
