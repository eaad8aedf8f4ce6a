#include <algorithm>
#include <atomic>
#include <string>
#include <unordered_map>

#include "core/audience/Audience.h"
#include "core/audience/InterneAudience.h"
#include "core/audience/Referents.h"
#include "core/audience/Visites.h"
#include "core/journal/DeuxFils.h"
#include "core/lecture/IndexCles.h"

namespace kestrane {

// The end of the pass: the stretches merged in journal order, the robots named, the countries
// looked up (beside the merge on another thread when there are many) and the tables made.

using namespace interne;

namespace {

// Sorts values address << 32 | visitor by address, keeping the visitors' order within an
// address: four stable passes over the address's bytes.
void trierParAdresse(std::vector<uint64_t>& valeurs) {
    std::vector<uint64_t> tampon(valeurs.size());
    for (int decalage = 32; decalage < 64; decalage += 8) {
        std::size_t places[257] = {};
        for (const uint64_t x : valeurs) ++places[((x >> decalage) & 255) + 1];
        for (int k = 0; k < 256; ++k) places[k + 1] += places[k];
        for (const uint64_t x : valeurs) tampon[places[(x >> decalage) & 255]++] = x;
        valeurs.swap(tampon);
    }
}

// Below this many IPv4 clients their countries are looked up after the merge rather than beside
// it: a thread would cost more than the lookups.
constexpr std::size_t kSeuilPaysDeuxFils = 4096;
// Nor below this many distinct agents for the robots' names.
constexpr std::size_t kSeuilRobotsDeuxFils = 256;

// The database record of each visitor of `clients` (address << 32 | visitor, in increasing
// visitor order, visitors below `nbVisiteurs`), -1 for the others: the database is asked once
// per distinct address, in address order (once per network it holds).
std::vector<int64_t> fichesDesClients(const BasePays& base, std::vector<uint64_t> clients,
                                      uint32_t nbVisiteurs) {
    trierParAdresse(clients);
    std::vector<uint32_t> adresses;
    adresses.reserve(clients.size());
    for (const uint64_t x : clients) {
        const auto a = static_cast<uint32_t>(x >> 32);
        if (adresses.empty() || adresses.back() != a) adresses.push_back(a);
    }
    const std::vector<int64_t> fichesAdresses = base.fichesIPv4(adresses);
    std::vector<int64_t> fiches(nbVisiteurs, -1);
    std::size_t k = 0;
    for (const uint64_t x : clients) {
        if (adresses[k] != static_cast<uint32_t>(x >> 32)) ++k;
        fiches[static_cast<uint32_t>(x)] = fichesAdresses[k];
    }
    return fiches;
}

}  // namespace

void ComptesReferents::ajouter(ComptesReferents& b) {
    for (std::size_t k = 0; k < b.autorites_.taille(); ++k) {
        bool nouveau;
        const uint32_t n = autorites_.trouverOuAjouter(b.autorites_.cle(k), nouveau);
        if (nouveau) {
            comptes_.push_back(std::move(b.comptes_[k]));
        } else {
            comptes_[n].requetes += b.comptes_[k].requetes;
        }
    }
    for (std::size_t k = 0; k < b.recherches_.taille(); ++k) {
        bool nouveau;
        const uint32_t n = recherches_.trouverOuAjouter(b.recherches_.cle(k), nouveau);
        if (nouveau) comptesRecherches_.push_back(0);
        comptesRecherches_[n] += b.comptesRecherches_[k];
    }
}

void ComptesReferents::tables(Audience& a, bool trier) const {
    Table sites;
    for (const Autorite& x : comptes_) {
        if (!x.hote.empty()) sites.ligne(x.hote).requetes += x.requetes;
    }
    Table recherches;
    for (std::size_t k = 0; k < recherches_.taille(); ++k) {
        std::string termes = termesRecherche(recherches_.cle(k));
        if (!termes.empty()) {
            recherches.ligne(std::move(termes)).requetes += comptesRecherches_[k];
        }
    }
    a.sitesReferents = std::move(sites).liste({}, trier);
    a.recherches = std::move(recherches).liste({}, trier);
}

void ComptesAudience::Tranche::ajouterClientsIPv4(std::vector<uint64_t>& clients,
                                                  uint32_t premier) const {
    const auto nb = static_cast<uint32_t>(visites.nbVisiteurs());
    for (uint32_t n = 0; n < nb; ++n) {
        const Visiteur& v = visites.visiteur(n);
        if (!v.texte) clients.push_back(uint64_t{v.client} << 32 | (premier + n));
    }
}

std::vector<LigneAudience> ComptesAudience::Tranche::pays(const BasePays& base,
                                                          const ComptesVisites::Totaux& totaux,
                                                          const std::vector<int64_t>& ficheDe,
                                                          bool trier) {
    const auto nb = static_cast<uint32_t>(visites.nbVisiteurs());
    std::unordered_map<uint32_t, int64_t> fichesTextes;
    Table table;
    std::unordered_map<int64_t, uint32_t> ligneDeLaFiche;
    int64_t derniereFiche = 0;
    uint32_t derniereLigne = kAucune;
    for (uint32_t n = 0; n < nb; ++n) {
        const Visiteur& v = visites.visiteur(n);
        int64_t fiche;
        if (v.texte) {
            auto it = fichesTextes.find(v.client);
            if (it == fichesTextes.end()) {
                it = fichesTextes.emplace(v.client, base.fiche(clientsTexte.cle(v.client))).first;
            }
            fiche = it->second;
        } else {
            fiche = ficheDe[n];
        }
        if (derniereLigne == kAucune || fiche != derniereFiche) {
            auto it = ligneDeLaFiche.find(fiche);
            if (it == ligneDeLaFiche.end()) {
                std::string nom = base.nomPays(fiche);
                if (nom.empty()) nom = std::string(kPaysInconnu);
                it = ligneDeLaFiche.emplace(fiche, table.numero(std::move(nom))).first;
            }
            derniereFiche = fiche;
            derniereLigne = it->second;
        }
        LigneAudience& l = table[derniereLigne];
        l.requetes += v.requetes;
        ajouterOctets(l.octets, v.octets);
        l.visiteurs += totaux.joursParVisiteur[n];
    }
    return std::move(table).liste(kPaysInconnu, trier);
}

std::vector<uint32_t> ComptesAudience::Tranche::ajouter(Tranche& b, bool suite) {
    requetes += b.requetes;
    ajouterOctets(octets, b.octets);
    requetesDatees += b.requetesDatees;

    const std::vector<uint32_t> agentDe = agents.ajouter(b.agents);
    std::vector<uint32_t> texteDe(b.clientsTexte.taille());
    for (std::size_t k = 0; k < b.clientsTexte.taille(); ++k) {
        texteDe[k] = numero(clientsTexte, b.clientsTexte.cle(k));
    }
    for (const auto& [jour, date] : b.dates) dates.try_emplace(jour, date);
    referents.ajouter(b.referents);
    requetesHttp.ajouter(b.requetesHttp);
    return visites.ajouter(b.visites, agentDe, texteDe, suite);
}

void ComptesAudience::nommerRobots(const Tranche& t, std::vector<Robot>& robots,
                                   std::atomic<std::size_t>& suivant) const {
    for (std::size_t k = suivant++; k < robots.size(); k = suivant++) {
        robots[k].robot = reconnaitreRobot(reglages_.catalogue, t.agents.cle(k), robots[k].nom);
    }
}

// Robots: the requests and bytes of each agent named a robot, in order of the agents.
void ComptesAudience::compterRobots(const Tranche& t, std::vector<Robot>& robots,
                                    Audience& a) const {
    struct Compte {
        int64_t requetes = 0, octets = 0;
    };
    std::vector<Compte> parAgent(t.agents.taille());
    for (uint32_t n = 0; n < t.visites.nbVisiteurs(); ++n) {
        const Visiteur& v = t.visites.visiteur(n);
        Compte& c = parAgent[v.agent];
        c.requetes += v.requetes;
        ajouterOctets(c.octets, v.octets);
    }
    Table table;
    for (std::size_t k = 0; k < t.agents.taille(); ++k) {
        if (!robots[k].robot) continue;
        LigneAudience& r = table.ligne(std::move(robots[k].nom));
        r.requetes += parAgent[k].requetes;
        ajouterOctets(r.octets, parAgent[k].octets);
        a.requetesRobots += parAgent[k].requetes;
        ajouterOctets(a.octetsRobots, parAgent[k].octets);
    }
    a.robots = std::move(table).liste({}, !reglages_.ordreDApparition);
}

Audience ComptesAudience::resultat() {
    Audience a;
    if (tranches_.empty()) return a;
    for (auto& t : tranches_) t->achever();
    Tranche& t = *tranches_[0];

    // The countries of the IPv4 clients are looked up on another thread while the stretches
    // merge, for the visitors as each stretch numbers them, one numbering after the other.
    const BasePays* base = reglages_.base.get();
    std::vector<uint32_t> premiers;
    uint32_t nbVisiteurs = 0;
    for (const auto& u : tranches_) {
        premiers.push_back(nbVisiteurs);
        nbVisiteurs += static_cast<uint32_t>(u->visites.nbVisiteurs());
    }
    std::vector<uint64_t> clients;
    if (base) {
        clients.reserve(nbVisiteurs);
        for (std::size_t k = 0; k < tranches_.size(); ++k) {
            tranches_[k]->ajouterClientsIPv4(clients, premiers[k]);
        }
    }
    std::vector<int64_t> fiches;
    // For each stretch after the first: the merged number of its visitors, and the number of
    // visitors before it was merged.
    std::vector<std::vector<uint32_t>> visiteursDe(tranches_.size());
    std::vector<uint32_t> nbAvant(tranches_.size());
    ComptesVisites::Totaux totaux;
    // The agents are numbered as the merge will number them, so that both threads name the
    // robots among them, each agent once, whichever thread is free first (the catalogue costs
    // tens of microseconds an agent).
    for (std::size_t k = 1; k < tranches_.size(); ++k) {
        t.agents.ajouter(tranches_[k]->agents);
    }
    std::vector<Robot> robots(t.agents.taille());
    std::atomic<std::size_t> suivant = 0;
    enParallele((base != nullptr && clients.size() >= kSeuilPaysDeuxFils) ||
                    robots.size() >= kSeuilRobotsDeuxFils,
                [&] {
                    for (std::size_t k = 1; k < tranches_.size(); ++k) {
                        nbAvant[k] = static_cast<uint32_t>(t.visites.nbVisiteurs());
                        visiteursDe[k] = t.ajouter(*tranches_[k]);
                    }
                    totaux = t.visites.totaux();
                    nommerRobots(t, robots, suivant);
                },
                [&] {
                    if (base) fiches = fichesDesClients(*base, std::move(clients), nbVisiteurs);
                    nommerRobots(t, robots, suivant);
                });
    compterRobots(t, robots, a);

    a.requetes = t.requetes;
    a.octets = t.octets;
    a.requetesDatees = t.requetesDatees;

    a.visites = totaux.visites;
    a.dureeVisites = totaux.dureeVisites;
    a.visiteurs = totaux.visiteurs;
    std::vector<int32_t> jours;
    jours.reserve(totaux.visiteursParJour.jours().size());
    for (const auto& [jour, n] : totaux.visiteursParJour.jours()) jours.push_back(jour);
    std::sort(jours.begin(), jours.end());
    for (const int32_t jour : jours) {
        JourAudience j;
        const Date& d = t.dates.at(jour);
        j.annee = d.annee;
        j.mois = d.mois;
        j.jour = d.jour;
        j.visiteurs = totaux.visiteursParJour.jours().at(jour);
        const auto visites = totaux.visitesParJour.jours().find(jour);
        if (visites != totaux.visitesParJour.jours().end()) j.visites = visites->second;
        a.jours.push_back(j);
    }

    a.avecPays = base != nullptr;
    if (base) {
        // The record of each visitor in the merged numbering: the first stretch's visitors keep
        // their numbers, the new ones of each later stretch follow.
        std::vector<int64_t> ficheDe(t.visites.nbVisiteurs(), -1);
        std::copy_n(fiches.begin(), tranches_.size() > 1 ? premiers[1] : nbVisiteurs,
                    ficheDe.begin());
        for (std::size_t k = 1; k < tranches_.size(); ++k) {
            for (uint32_t nb = 0; nb < visiteursDe[k].size(); ++nb) {
                const uint32_t n = visiteursDe[k][nb];
                if (n >= nbAvant[k]) ficheDe[n] = fiches[premiers[k] + nb];
            }
        }
        a.pays = t.pays(*base, totaux, ficheDe, !reglages_.ordreDApparition);
    }
    // As a fold does it: the later stretches start again empty, so that more lines may be read.
    for (std::size_t k = 1; k < tranches_.size(); ++k) {
        tranches_[k] =
            nouvelleTranche({t.debutTampon, static_cast<std::size_t>(t.finTampon - t.debutTampon)},
                            0, static_cast<int>(k));
    }

    if (reglages_.referentsParLigne) t.referents.tables(a, !reglages_.ordreDApparition);
    t.requetesHttp.tables(a, !reglages_.ordreDApparition);
    return a;
}

}  // namespace kestrane
