#include "core/catalogue/CatalogueAgents.h"

#include <atomic>
#include <mutex>
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
    // The device entries that may name an agent's device "Spider" (bits by entry): all of them,
    // and those that do so whatever the agent holds (the others only when it holds "Spider").
    std::vector<uint64_t> robots, robotsSansSpider;

    Moteur() {
        const std::size_t mots = (catalogue::kModelesAppareils.size() + 63) / 64;
        robots.assign(mots, 0);
        robotsSansSpider.assign(mots, 0);
        for (std::size_t i = 0; i < catalogue::kModelesAppareils.size(); ++i) {
            const catalogue::RobotPossible p =
                catalogue::robotPossible(catalogue::kModelesAppareils[i]);
            const uint64_t bit = uint64_t{1} << (i % 64);
            if (p != catalogue::RobotPossible::jamais) robots[i / 64] |= bit;
            if (p == catalogue::RobotPossible::peutEtre) robotsSansSpider[i / 64] |= bit;
        }
    }
};

namespace {

std::string_view partLue(std::string_view agent) {
    return agent.substr(0, kOctetsAgentLus);
}

}  // namespace

CatalogueAgents::CatalogueAgents() : moteur_(std::make_unique<const Moteur>()) {}

CatalogueAgents::~CatalogueAgents() = default;

namespace {
std::atomic<bool> catalogueCompile{false};
}  // namespace

const CatalogueAgents& CatalogueAgents::partage() {
    static const CatalogueAgents catalogue;
    catalogueCompile.store(true, std::memory_order_release);
    return catalogue;
}

bool CatalogueAgents::partageCompile() {
    return catalogueCompile.load(std::memory_order_acquire);
}

Designation CatalogueAgents::classerNavigateur(std::string_view agent) const {
    agent = partLue(agent);
    Groupes groupes;
    return catalogue::designer(moteur_->navigateurs.premier(agent, groupes), groupes);
}

Designation CatalogueAgents::classerSysteme(std::string_view agent) const {
    agent = partLue(agent);
    Groupes groupes;
    return catalogue::designer(moteur_->systemes.premier(agent, groupes), groupes);
}

bool CatalogueAgents::estRobot(std::string_view agent) const {
    agent = partLue(agent);
    // An agent that none of the entries able to name a robot matches is no robot, whichever entry
    // comes first: of some fifty such entries (of 628 in uap-core 0.18.0) only those whose
    // condition the agent meets are run, the robots then looked up as before.
    const bool spider = agent.find("Spider") != std::string_view::npos;
    const bool possible = moteur_->appareils.correspondUneDe(
        agent, spider ? moteur_->robots : moteur_->robotsSansSpider);
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
    agent = partLue(agent);
    auto trouve = entrees_.find(agent);
    if (trouve == entrees_.end())
        trouve = entrees_.emplace(std::string(agent), catalogue_.classer(agent)).first;
    return trouve->second;
}

template <typename T, typename F>
T MemoireAgents::garder(std::string_view agent, std::optional<T> Entree::*champ, F&& calculer) {
    agent = partLue(agent);
    {
        std::shared_lock lecture(verrou_);
        const auto e = entrees_.find(agent);
        if (e != entrees_.end() && e->second.*champ) return *(e->second.*champ);
    }
    // Classified without the lock: the catalogue costs tens of microseconds an agent.
    T valeur = calculer(agent);
    std::unique_lock ecriture(verrou_);
    auto e = entrees_.find(agent);
    if (e == entrees_.end()) {
        if (entrees_.size() >= kAgentsGardes) return valeur;
        e = entrees_.emplace(std::string(agent), Entree()).first;
    }
    if (!(e->second.*champ)) e->second.*champ = valeur;
    return valeur;
}

Designation MemoireAgents::classerNavigateur(std::string_view agent) {
    return garder(agent, &Entree::navigateur,
                  [&](std::string_view a) { return catalogue().classerNavigateur(a); });
}

Designation MemoireAgents::classerSysteme(std::string_view agent) {
    return garder(agent, &Entree::systeme,
                  [&](std::string_view a) { return catalogue().classerSysteme(a); });
}

std::size_t MemoireAgents::taille() {
    std::shared_lock lecture(verrou_);
    return entrees_.size();
}

bool MemoireAgents::estRobot(std::string_view agent) {
    return garder(agent, &Entree::robot,
                  [&](std::string_view a) { return catalogue().estRobot(a); });
}

ClassementAgent MemoireAgents::classer(std::string_view agent) {
    agent = partLue(agent);
    {
        std::shared_lock lecture(verrou_);
        const auto e = entrees_.find(agent);
        if (e != entrees_.end() && e->second.navigateur && e->second.systeme && e->second.robot) {
            return {*e->second.navigateur, *e->second.systeme, *e->second.robot};
        }
    }
    // Each answer the memory lacks is asked for apart, as when it is asked for alone.
    return {classerNavigateur(agent), classerSysteme(agent), estRobot(agent)};
}

}  // namespace kestrane
