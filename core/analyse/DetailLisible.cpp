#include "core/analyse/DetailLisible.h"

#include "core/analyse/Lisibles.h"
#include "core/catalogue/CatalogueAgents.h"
#include "core/lecture/FinAgent.h"
#include "core/lecture/TableauLog.h"

namespace kestrane {

std::string_view agentDuRecord(const RLog& r, std::string_view ligne, const ChampsEnPlus* plus) {
    const char* debut = ligne.data();
    const char* fin = ligne.data() + ligne.size();
    RLog copie;
    const RLog& lu = plus ? agentLisible(r, *plus, debut, fin, copie) : r;
    const char* p = lu.navigateur.data();
    if (!dansOctets(p, debut, fin)) return lu.navigateur;
    return {p, longueurAgent(p, static_cast<std::size_t>(fin - p))};
}

DetailsLisibles::DetailsLisibles(bool sansAgent) : sansAgent_(sansAgent) {}
DetailsLisibles::~DetailsLisibles() = default;

void DetailsLisibles::ajouter(std::string& sortie, const RLog& r, std::string_view agent) {
    if (sansAgent_) {
        RLog sans = r;
        sans.navigateur = sans.systeme = kPasDAgent;
        ajouterDetailLog(sortie, sans);
        return;
    }
    if (!cache_) cache_ = std::make_unique<CacheAgents>();
    const ClassementAgent& c = cache_->classer(agent);
    RLog nomme = r;
    nomme.navigateur = c.navigateur.nom;
    nomme.systeme = c.systeme.nom;
    ajouterDetailLog(sortie, nomme);
}

}  // namespace kestrane
