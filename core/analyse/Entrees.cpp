#include "core/analyse/Entrees.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/audience/Audience.h"
#include "core/audience/Referents.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Erreur.h"
#include "core/lecture/IndexCles.h"

namespace kestrane {

namespace {

constexpr uint32_t kSansCle = ClesLigne::kSansCle;
// A referrer entry that names no site ("-", a path alone).
constexpr uint32_t kSansSite = kSansCle - 1;

// A visitor's visits: disjoint, by start, each two more than kEcartVisite apart.
struct Intervalle {
    int64_t debut, fin;
};

// Adds the requests from `debut` to `fin` (one request, or a visit counted elsewhere) to the
// visits `v`, joining those they come near.
void placer(std::vector<Intervalle>& v, int64_t debut, int64_t fin) {
    // Mostly a visitor's requests come in time order.
    if (v.empty() || debut >= v.back().debut) {
        if (!v.empty() && debut - v.back().fin < kEcartVisite) {
            v.back().fin = std::max(v.back().fin, fin);
        } else {
            v.push_back({debut, fin});
        }
        return;
    }
    auto place = std::upper_bound(v.begin(), v.end(), debut,
                                  [](int64_t d, const Intervalle& i) { return d < i.debut; });
    // The insertion may move the visits: their place is taken after it.
    const auto inseree = v.insert(place, {debut, fin});
    auto k = static_cast<std::size_t>(inseree - v.begin());
    if (k > 0 && v[k].debut - v[k - 1].fin < kEcartVisite) {
        v[k - 1].fin = std::max(v[k - 1].fin, v[k].fin);
        v.erase(v.begin() + static_cast<std::ptrdiff_t>(k));
        --k;
    }
    while (k + 1 < v.size() && v[k + 1].debut - v[k].fin < kEcartVisite) {
        v[k].fin = std::max(v[k].fin, v[k + 1].fin);
        v.erase(v.begin() + static_cast<std::ptrdiff_t>(k + 1));
    }
}

uint64_t paire(uint32_t a, uint32_t b) {
    return uint64_t{a} << 32 | b;
}

std::string texteIPv4(uint32_t v4) {
    char s[16];
    std::snprintf(s, sizeof s, "%u.%u.%u.%u", v4 >> 24, v4 >> 16 & 255, v4 >> 8 & 255, v4 & 255);
    return s;
}

// The number of a text, added when new.
uint32_t numeroDe(IndexCles<std::string_view>& index, std::string_view texte) {
    bool nouveau;
    return index.trouverOuAjouter(texte, nouveau);
}

}  // namespace

struct ComptesEntrees::Tranche {
    struct Client {
        // An IPv4 address as its number, or (1 << 32) | the number of its text.
        uint64_t cle = 0;
        int64_t requetes = 0, octets = 0;
        int64_t premiere = INT64_MAX, derniere = INT64_MIN;
        uint32_t dernierVisiteur = kSansCle;
    };
    struct Visiteur {
        uint32_t client = 0, agent = 0;
        // The latest day seen and its visitor-day, which the next request mostly shares.
        int32_t jour = INT32_MIN;
        uint32_t visiteurJour = kSansCle;
        std::vector<Intervalle> visites;
    };
    struct Fichier {
        int64_t requetes = 0, octets = 0;
        int64_t classes[4] = {};
    };

    // Clients written otherwise than as a dotted address, agents, files, sites.
    IndexCles<std::string_view> textesClients, agents, fichiers, sites;
    std::unordered_map<uint64_t, uint32_t> indexClients;
    std::vector<Client> clients;
    std::unordered_map<uint64_t, uint32_t> indexVisiteurs;  // by client and agent
    std::vector<Visiteur> visiteurs;
    std::unordered_map<uint64_t, uint32_t> indexJours;  // by visitor and day
    std::vector<uint64_t> visiteursJours;               // each one's visitor and day
    std::vector<Fichier> comptesFichiers;
    std::vector<int64_t> requetesSites;
    // File and visitor-day, site and visitor-day: who asked for what.
    std::unordered_set<uint64_t> vusFichiers, vusSites;

    // By the statistics' entries of this stretch: clients (dotted, text), agents, files, sites.
    std::vector<uint32_t> parAdresse, parTexte, parAgent, parFichier, parProvenance;

    std::string dateDerniere;
    bool dateValide = false;
    int64_t jourDernier = 0;

    uint32_t client(uint64_t cle) {
        const auto [it, nouveau] =
            indexClients.try_emplace(cle, static_cast<uint32_t>(clients.size()));
        if (nouveau) clients.push_back({cle});
        return it->second;
    }
    uint32_t clientDe(const RLog& r) {
        const auto a = static_cast<uint32_t>(r.ip1), b = static_cast<uint32_t>(r.ip2),
                   c = static_cast<uint32_t>(r.ip3), d = static_cast<uint32_t>(r.ip4);
        if (r.adresse.empty() && (a | b | c | d) <= 255) {
            return client(a << 24 | b << 16 | c << 8 | d);
        }
        const std::string texte = r.adresse.empty()
                                      ? std::to_string(r.ip1) + '.' + std::to_string(r.ip2) + '.' +
                                            std::to_string(r.ip3) + '.' + std::to_string(r.ip4)
                                      : std::string(r.adresse);
        return client(uint64_t{1} << 32 | numeroDe(textesClients, texte));
    }
    uint32_t site(std::string_view referent) {
        if (referent == "-") return kSansSite;
        const std::string hote = hoteReferent(referent);
        if (hote.empty()) return kSansSite;
        bool nouveau;
        const uint32_t n = sites.trouverOuAjouter(hote, nouveau);
        if (nouveau) requetesSites.push_back(0);
        return n;
    }
    uint32_t fichier(std::string_view f) {
        bool nouveau;
        const uint32_t n = fichiers.trouverOuAjouter(f, nouveau);
        if (nouveau) comptesFichiers.emplace_back();
        return n;
    }
    uint32_t visiteur(uint32_t c, uint32_t agent) {
        const uint32_t dernier = clients[c].dernierVisiteur;
        if (dernier != kSansCle && visiteurs[dernier].agent == agent) return dernier;
        const auto [it, nouveau] =
            indexVisiteurs.try_emplace(paire(c, agent), static_cast<uint32_t>(visiteurs.size()));
        if (nouveau) visiteurs.push_back({c, agent, INT32_MIN, kSansCle, {}});
        clients[c].dernierVisiteur = it->second;
        return it->second;
    }
    uint32_t visiteurJour(uint32_t v, int32_t jour) {
        Visiteur& x = visiteurs[v];
        if (x.jour == jour) return x.visiteurJour;
        const uint64_t cle = paire(v, static_cast<uint32_t>(jour));
        const auto [it, nouveau] =
            indexJours.try_emplace(cle, static_cast<uint32_t>(visiteursJours.size()));
        if (nouveau) visiteursJours.push_back(cle);
        x.jour = jour;
        x.visiteurJour = it->second;
        return it->second;
    }
    bool instant(const RLog& r, int64_t& t) {
        // Lines come in runs of one date.
        if (r.date != dateDerniere) {
            dateDerniere.assign(r.date);
            dateValide = lireJour(r.date, jourDernier);
        }
        int64_t secondes;
        if (!dateValide || !lireHeure(r.heure, secondes)) return false;
        t = jourDernier * kSecondesParJour + secondes;
        return true;
    }

    // Adds the counts of `b`, which follow these.
    void ajouter(const Tranche& b);
};

void ComptesEntrees::Tranche::ajouter(const Tranche& b) {
    std::vector<uint32_t> clientDe(b.clients.size()), agentDe(b.agents.taille()),
        fichierDe(b.fichiers.taille()), siteDe(b.sites.taille()), visiteurDe(b.visiteurs.size()),
        jourDe(b.visiteursJours.size());
    for (std::size_t k = 0; k < b.clients.size(); ++k) {
        const Client& x = b.clients[k];
        const uint64_t cle =
            x.cle >> 32 ? uint64_t{1} << 32 |
                              numeroDe(textesClients, b.textesClients.cle(x.cle & UINT32_MAX))
                        : x.cle;
        clientDe[k] = client(cle);
        Client& c = clients[clientDe[k]];
        c.requetes += x.requetes;
        c.octets = ajouterVerifie64(c.octets, x.octets);
        c.premiere = std::min(c.premiere, x.premiere);
        c.derniere = std::max(c.derniere, x.derniere);
    }
    for (std::size_t k = 0; k < agentDe.size(); ++k) agentDe[k] = numeroDe(agents, b.agents.cle(k));
    for (std::size_t k = 0; k < fichierDe.size(); ++k) {
        fichierDe[k] = fichier(b.fichiers.cle(k));
        Fichier& f = comptesFichiers[fichierDe[k]];
        const Fichier& x = b.comptesFichiers[k];
        f.requetes += x.requetes;
        f.octets = ajouterVerifie64(f.octets, x.octets);
        for (int c = 0; c < 4; ++c) f.classes[c] += x.classes[c];
    }
    for (std::size_t k = 0; k < siteDe.size(); ++k) {
        bool nouveau;
        siteDe[k] = sites.trouverOuAjouter(b.sites.cle(k), nouveau);
        if (nouveau) requetesSites.push_back(0);
        requetesSites[siteDe[k]] += b.requetesSites[k];
    }
    for (std::size_t k = 0; k < b.visiteurs.size(); ++k) {
        const Visiteur& x = b.visiteurs[k];
        visiteurDe[k] = visiteur(clientDe[x.client], agentDe[x.agent]);
        std::vector<Intervalle>& v = visiteurs[visiteurDe[k]].visites;
        for (const Intervalle& i : x.visites) placer(v, i.debut, i.fin);
    }
    for (std::size_t k = 0; k < jourDe.size(); ++k) {
        const uint64_t cle = b.visiteursJours[k];
        jourDe[k] = visiteurJour(visiteurDe[cle >> 32], static_cast<int32_t>(cle & UINT32_MAX));
    }
    for (const uint64_t vu : b.vusFichiers) {
        vusFichiers.insert(paire(fichierDe[vu >> 32], jourDe[vu & UINT32_MAX]));
    }
    for (const uint64_t vu : b.vusSites) {
        vusSites.insert(paire(siteDe[vu >> 32], jourDe[vu & UINT32_MAX]));
    }
}

ComptesEntrees::ComptesEntrees() = default;
ComptesEntrees::~ComptesEntrees() = default;

void ComptesEntrees::commencer(const Journal&, int nbTranches, bool) {
    tranches_.clear();
    for (int k = 0; k < nbTranches; ++k) tranches_.push_back(std::make_unique<Tranche>());
}

void ComptesEntrees::lire(int tranche, const RLog& r) {
    Tranche& t = *tranches_[static_cast<std::size_t>(tranche)];
    const ClesLigne* cles = statistiques_ ? &statistiques_->clesLigne(tranche) : nullptr;
    // A text's number here through the statistics' entry when there is one.
    const auto parCle = [&](std::vector<uint32_t>& table, uint32_t cle, const auto& chercher) {
        if (cle == kSansCle) return static_cast<uint32_t>(chercher());
        uint32_t& n = caseParCle(table, cle);
        if (n == kSansCle) n = chercher();
        return n;
    };
    const uint32_t cleClient = cles ? cles->adresse : kSansCle;
    const uint32_t c = parCle(
        cleClient != kSansCle && (cleClient & ClesLigne::kAdresseTexte) ? t.parTexte : t.parAdresse,
        cleClient == kSansCle ? kSansCle : cleClient & ~ClesLigne::kAdresseTexte,
        [&] { return t.clientDe(r); });
    const uint32_t f = parCle(t.parFichier, cles ? cles->fichier : kSansCle,
                              [&] { return t.fichier(r.fichierCharge); });
    const uint32_t s = parCle(t.parProvenance, cles ? cles->provenance : kSansCle,
                              [&] { return t.site(r.pagePrecedente); });

    Tranche::Client& client = t.clients[c];
    ++client.requetes;
    client.octets = ajouterVerifie64(client.octets, r.chargement);
    Tranche::Fichier& fichier = t.comptesFichiers[f];
    ++fichier.requetes;
    fichier.octets = ajouterVerifie64(fichier.octets, r.chargement);
    const int classe = r.codeRenvoye / 100 - 2;
    if (classe >= 0 && classe < 4) ++fichier.classes[classe];
    if (s != kSansSite) ++t.requetesSites[s];

    int64_t instant;
    if (!t.instant(r, instant)) return;
    client.premiere = std::min(client.premiere, instant);
    client.derniere = std::max(client.derniere, instant);
    const uint32_t cleAgent = cles ? cles->agent : kSansCle;
    const uint32_t a = parCle(t.parAgent, cleAgent, [&] {
        if (cleAgent == kSansCle) return numeroDe(t.agents, r.navigateur);
        const SourceClesLigne::AgentEntier e = statistiques_->agentEntier(tranche, cleAgent);
        bool nouveau;
        return t.agents.trouverOuAjouter(e.texte, e.hachage, nouveau);
    });
    const uint32_t v = t.visiteur(c, a);
    placer(t.visiteurs[v].visites, instant, instant);
    const uint32_t vj = t.visiteurJour(v, static_cast<int32_t>(t.jourDernier));
    t.vusFichiers.insert(paire(f, vj));
    if (s != kSansSite) t.vusSites.insert(paire(s, vj));
}

void ComptesEntrees::replier() {
    if (tranches_.size() < 2) return;
    tranches_[0]->ajouter(*tranches_[1]);
    tranches_[1] = std::make_unique<Tranche>();
}

void ComptesEntrees::adopter(LecteurEnregistrements& autre, int tranche) {
    auto& a = dynamic_cast<ComptesEntrees&>(autre);
    std::swap(tranches_.at(1), a.tranches_.at(static_cast<std::size_t>(tranche)));
}

namespace {

// The places of `n` rows by `requetes(k)`, most first, equal counts in their order.
template <typename F>
std::vector<std::size_t> ordre(std::size_t n, const F& requetes) {
    std::vector<std::size_t> o(n);
    std::iota(o.begin(), o.end(), std::size_t{0});
    std::stable_sort(o.begin(), o.end(),
                     [&](std::size_t a, std::size_t b) { return requetes(a) > requetes(b); });
    return o;
}

}  // namespace

TablesEntrees ComptesEntrees::resultat(const BasePays* base) const {
    // The stretches merged into a new one when the second holds lines: the counts stay whole.
    Tranche fusion;
    const Tranche* t = tranches_.empty() ? &fusion : tranches_[0].get();
    if (tranches_.size() > 1 && !tranches_[1]->clients.empty()) {
        fusion.ajouter(*tranches_[0]);
        fusion.ajouter(*tranches_[1]);
        t = &fusion;
    }
    TablesEntrees r;
    std::vector<int64_t> visiteursFichiers(t->comptesFichiers.size()),
        visiteursSites(t->requetesSites.size()), visites(t->clients.size());
    for (const uint64_t vu : t->vusFichiers) ++visiteursFichiers[vu >> 32];
    for (const uint64_t vu : t->vusSites) ++visiteursSites[vu >> 32];
    for (const Tranche::Visiteur& v : t->visiteurs) {
        visites[v.client] += static_cast<int64_t>(v.visites.size());
    }

    for (const std::size_t k : ordre(t->comptesFichiers.size(), [&](std::size_t k) {
             return t->comptesFichiers[k].requetes;
         })) {
        const Tranche::Fichier& f = t->comptesFichiers[k];
        LigneFichierDetail l{std::string(t->fichiers.cle(k)), f.requetes, f.octets,
                             visiteursFichiers[k]};
        std::copy(std::begin(f.classes), std::end(f.classes), l.classes);
        r.parFichier.push_back(std::move(l));
    }
    for (const std::size_t k :
         ordre(t->requetesSites.size(), [&](std::size_t k) { return t->requetesSites[k]; })) {
        r.parSite.push_back({std::string(t->sites.cle(k)), t->requetesSites[k], visiteursSites[k]});
    }

    r.avecPays = base != nullptr;
    std::vector<int64_t> fiches(t->clients.size(), -1);
    if (base) {
        // The dotted addresses asked in increasing order, each database network once.
        std::vector<std::pair<uint32_t, std::size_t>> v4;
        for (std::size_t k = 0; k < t->clients.size(); ++k) {
            const uint64_t cle = t->clients[k].cle;
            if (cle >> 32) {
                fiches[k] = base->fiche(t->textesClients.cle(cle & UINT32_MAX));
            } else {
                v4.emplace_back(static_cast<uint32_t>(cle), k);
            }
        }
        std::sort(v4.begin(), v4.end());
        std::vector<uint32_t> adresses;
        for (const auto& [a, k] : v4) adresses.push_back(a);
        const std::vector<int64_t> f = base->fichesIPv4(adresses);
        for (std::size_t i = 0; i < v4.size(); ++i) fiches[v4[i].second] = f[i];
    }
    std::unordered_map<int64_t, std::string> noms;
    for (const std::size_t k :
         ordre(t->clients.size(), [&](std::size_t k) { return t->clients[k].requetes; })) {
        const Tranche::Client& c = t->clients[k];
        LigneAdresseDetail l;
        l.adresse = c.cle >> 32 ? std::string(t->textesClients.cle(c.cle & UINT32_MAX))
                                : texteIPv4(static_cast<uint32_t>(c.cle));
        l.requetes = c.requetes;
        l.octets = c.octets;
        l.visites = visites[k];
        l.date = c.premiere != INT64_MAX;
        if (l.date) {
            l.premiere = c.premiere;
            l.derniere = c.derniere;
        }
        if (fiches[k] >= 0) {
            const auto [it, nouveau] = noms.try_emplace(fiches[k]);
            if (nouveau) it->second = base->nomPays(fiches[k]);
            l.pays = it->second;
        }
        r.parAdresse.push_back(std::move(l));
    }
    return r;
}

std::string texteDateHeure(int64_t secondes) {
    const int64_t jour = jourDeLInstant(secondes);
    const int64_t s = secondes - jour * kSecondesParJour;
    int32_t a, m, j;
    dateDuJour(jour, a, m, j);
    char texte[40];
    std::snprintf(texte, sizeof texte, "%04d-%02d-%02d %02d:%02d:%02d", a, m, j,
                  static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                  static_cast<int>(s % 60));
    return texte;
}

}  // namespace kestrane
