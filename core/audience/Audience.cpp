#include "core/audience/Audience.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <functional>
#include <unordered_map>

#include "core/audience/Referents.h"
#include "log/Calendrier.h"

namespace kestrane {

namespace {

constexpr uint32_t kAucune = UINT32_MAX;
constexpr int64_t kSecondesParJour = 86400;

int64_t jourDe(int64_t secondes) {
    return (secondes >= 0 ? secondes : secondes - (kSecondesParJour - 1)) / kSecondesParJour;
}

// Keys numbered in order of first appearance.
template <typename Cle>
class IndexOrdonne {
  public:
    uint32_t trouverOuAjouter(const Cle& cle, bool& nouveau) {
        const auto [it, ajoute] = index_.try_emplace(cle, static_cast<uint32_t>(cles_.size()));
        if (ajoute) cles_.push_back(cle);
        nouveau = ajoute;
        return it->second;
    }
    uint32_t trouverOuAjouter(const Cle& cle) {
        bool nouveau;
        return trouverOuAjouter(cle, nouveau);
    }
    std::size_t taille() const { return cles_.size(); }
    const Cle& cle(std::size_t n) const { return cles_[n]; }

  private:
    std::unordered_map<Cle, uint32_t> index_;
    std::vector<Cle> cles_;
};

// A table being built: rows by name in order of first appearance.
class Table {
  public:
    // The row's number: rows move as others are added.
    uint32_t numero(const std::string& nom) {
        bool nouveau;
        const uint32_t n = index_.trouverOuAjouter(nom, nouveau);
        if (nouveau) lignes_.push_back({nom, 0, 0, 0});
        return n;
    }
    LigneAudience& ligne(const std::string& nom) { return lignes_[numero(nom)]; }
    LigneAudience& operator[](uint32_t n) { return lignes_[n]; }
    // Largest first, equal counts in order of first appearance, the catch-all last.
    std::vector<LigneAudience> liste(std::string_view dernier = {}) && {
        std::stable_sort(lignes_.begin(), lignes_.end(),
                         [dernier](const LigneAudience& a, const LigneAudience& b) {
                             const bool da = !dernier.empty() && a.nom == dernier;
                             const bool db = !dernier.empty() && b.nom == dernier;
                             if (da != db) return db;
                             return a.requetes > b.requetes;
                         });
        return std::move(lignes_);
    }

  private:
    IndexOrdonne<std::string> index_;
    std::vector<LigneAudience> lignes_;
};

bool nombre(std::string_view s, std::size_t debut, std::size_t n, int32_t& valeur) {
    int32_t v = 0;
    for (std::size_t k = debut; k < debut + n; ++k) {
        if (s[k] < '0' || s[k] > '9') return false;
        v = v * 10 + (s[k] - '0');
    }
    valeur = v;
    return true;
}

struct Date {
    int32_t annee = 0, mois = 0, jour = 0;
};

// "17/May/2015" into its date and its day number.
bool lireDate(std::string_view texte, Date& d, int64_t& numero) {
    if (texte.size() != 11 || texte[2] != '/' || texte[6] != '/' || !nombre(texte, 0, 2, d.jour) ||
        !nombre(texte, 7, 4, d.annee)) {
        return false;
    }
    d.mois = moisAbrege(texte.substr(3, 3));
    if (d.mois == 0 || d.jour < 1 || d.jour > joursDuMois(d.annee, d.mois)) return false;
    numero = joursDepuisEpoque(d.annee, d.mois, d.jour);
    return true;
}

// "10:05:03" into seconds since midnight.
bool lireHeure(std::string_view texte, int64_t& secondes) {
    int32_t h, m, s;
    if (texte.size() != 8 || texte[2] != ':' || texte[5] != ':' || !nombre(texte, 0, 2, h) ||
        !nombre(texte, 3, 2, m) || !nombre(texte, 6, 2, s) || h > 23 || m > 59 || s > 59) {
        return false;
    }
    secondes = h * 3600 + m * 60 + s;
    return true;
}

bool methodeValide(std::string_view m) {
    if (m.empty() || m.size() > 20) return false;
    for (const char c : m) {
        if (!((c >= 'A' && c <= 'Z') || c == '-' || c == '_')) return false;
    }
    return true;
}

bool protocoleValide(std::string_view p) {
    if (p.size() < 6 || p.size() > 10 || p.substr(0, 5) != "HTTP/" || p[5] < '0' || p[5] > '9') {
        return false;
    }
    for (const char c : p.substr(6)) {
        if (!((c >= '0' && c <= '9') || c == '.')) return false;
    }
    return true;
}

// Requests and bytes per short name (methods, protocols: a handful of names).
struct ComptesCourts {
    struct Compte {
        std::string_view nom;
        int64_t requetes = 0, octets = 0;
    };
    std::vector<Compte> comptes;

    void compter(std::string_view nom, int64_t requetes, int64_t octets) {
        for (Compte& c : comptes) {
            if (c.nom == nom) {
                c.requetes += requetes;
                c.octets += octets;
                return;
            }
        }
        comptes.push_back({nom, requetes, octets});
    }
    void ajouter(const ComptesCourts& b) {
        for (const Compte& c : b.comptes) compter(c.nom, c.requetes, c.octets);
    }
    std::vector<LigneAudience> liste() const {
        Table t;
        for (const Compte& c : comptes) {
            LigneAudience& l = t.ligne(std::string(c.nom));
            l.requetes += c.requetes;
            l.octets += c.octets;
        }
        return std::move(t).liste(kAutre);
    }
};

}  // namespace

bool couperRequete(std::string_view requete, std::string_view& methode,
                   std::string_view& protocole) {
    const std::size_t premier = requete.find(' ');
    const std::size_t dernier = requete.rfind(' ');
    if (premier == std::string_view::npos || dernier <= premier + 1) return false;
    const std::string_view m = requete.substr(0, premier);
    const std::string_view p = requete.substr(dernier + 1);
    if (!methodeValide(m) || !protocoleValide(p)) return false;
    methode = m;
    protocole = p;
    return true;
}

double Audience::dureeMoyenneVisite() const {
    return visites > 0 ? static_cast<double>(dureeVisites) / static_cast<double>(visites) : 0;
}

double Audience::requetesParVisite() const {
    return visites > 0 ? static_cast<double>(requetesDatees) / static_cast<double>(visites) : 0;
}

struct ComptesAudience::Tranche {
    // A visit: the first and last request times of a run of a visitor's requests whose gaps are
    // under kEcartVisite. A visitor's visits form a list from the latest back, in `visites`.
    struct Visite {
        int64_t debut, fin;
        uint32_t precedente;
    };
    // A client address: the numbers of a dotted IPv4 address, or its text (IPv6, a host name,
    // numbers out of range).
    struct CleClient {
        bool ipv4 = false;
        uint32_t v4 = 0;
        std::string_view texte;
    };
    // The agent a client sent last and the visitor (client + agent) it made: a client keeps
    // its agent from one request to the next, so the agent's text is compared, not hashed.
    struct Client {
        std::string_view agent;
        uint32_t visiteur = kAucune;
    };
    struct Visiteur {
        uint32_t client, agent;
        uint32_t derniere = kAucune;  // latest visit
        int64_t requetes = 0, octets = 0;
    };
    struct Autorite {
        std::string hote;  // hoteDeLAutorite, empty for none
        bool moteur = false;
        int64_t requetes = 0;
    };

    // The journal's bytes: an agent is read from where its browser's text starts.
    const char* debutTampon = nullptr;
    const char* finTampon = nullptr;

    int64_t requetes = 0, octets = 0, requetesDatees = 0;

    std::unordered_map<uint32_t, uint32_t> clientsIPv4;
    std::unordered_map<std::string_view, uint32_t> clientsTexte;
    std::deque<std::string> adressesGardees;
    std::vector<CleClient> cles;
    std::vector<Client> clients;
    bool dernierIPv4 = false;
    uint32_t dernierV4 = 0, dernierClient = 0;

    IndexOrdonne<std::string_view> agents;
    std::unordered_map<uint64_t, uint32_t> indexVisiteurs;
    std::vector<Visiteur> visiteurs;
    std::vector<Visite> visites;

    std::string_view dateDerniere;
    bool dateValide = false;
    int64_t jourDernier = 0;
    std::unordered_map<int64_t, Date> dates;

    IndexOrdonne<std::string_view> autorites;
    std::vector<Autorite> comptesAutorites;
    IndexOrdonne<std::string_view> recherches;
    std::vector<int64_t> comptesRecherches;

    ComptesCourts methodes, protocoles;

    bool dansTampon(const char* p) const {
        return std::greater_equal<const char*>()(p, debutTampon) &&
               std::less<const char*>()(p, finTampon);
    }

    // The whole agent of a record, from the start of its browser's text to the closing quote
    // or the end of the line. A record's browser is its agent before the last "(".
    std::string_view agentComplet(std::string_view navigateur) const {
        const char* p = navigateur.data();
        if (!dansTampon(p)) return navigateur;  // "-", a constant of the parser
        const char* q = p;
        while (q < finTampon && *q != '"' && *q != '\n' && *q != '\r') ++q;
        return {p, static_cast<std::size_t>(q - p)};
    }

    bool memeAgent(std::string_view agent, std::string_view navigateur) const {
        const char* p = navigateur.data();
        if (!dansTampon(p)) return agent == navigateur;
        const std::size_t n = agent.size();
        if (static_cast<std::size_t>(finTampon - p) < n || std::memcmp(p, agent.data(), n) != 0) {
            return false;
        }
        return p + n == finTampon || p[n] == '"' || p[n] == '\n' || p[n] == '\r';
    }

    uint32_t nouveauClient(const CleClient& cle) {
        cles.push_back(cle);
        clients.push_back({});
        return static_cast<uint32_t>(clients.size() - 1);
    }

    uint32_t clientTexte(std::string_view texte, bool garder) {
        const auto it = clientsTexte.find(texte);
        if (it != clientsTexte.end()) return it->second;
        if (garder) texte = adressesGardees.emplace_back(texte);
        CleClient cle;
        cle.texte = texte;
        const uint32_t n = nouveauClient(cle);
        clientsTexte.emplace(texte, n);
        return n;
    }

    uint32_t clientIPv4(uint32_t v4) {
        if (dernierIPv4 && v4 == dernierV4) return dernierClient;
        const auto it = clientsIPv4.find(v4);
        uint32_t n;
        if (it != clientsIPv4.end()) {
            n = it->second;
        } else {
            CleClient cle;
            cle.ipv4 = true;
            cle.v4 = v4;
            n = nouveauClient(cle);
            clientsIPv4.emplace(v4, n);
        }
        dernierIPv4 = true;
        dernierV4 = v4;
        dernierClient = n;
        return n;
    }

    uint32_t client(const RLog& r) {
        if (r.adresse.empty()) {
            const auto octet = [](int32_t v) { return v >= 0 && v <= 255; };
            if (octet(r.ip1) && octet(r.ip2) && octet(r.ip3) && octet(r.ip4)) {
                return clientIPv4(static_cast<uint32_t>(r.ip1) << 24 |
                                  static_cast<uint32_t>(r.ip2) << 16 |
                                  static_cast<uint32_t>(r.ip3) << 8 | static_cast<uint32_t>(r.ip4));
            }
            const std::string texte = adresseIP(r);
            return clientTexte(texte, true);
        }
        return clientTexte(r.adresse, false);
    }

    uint32_t visiteur(uint32_t c, std::string_view navigateur) {
        Client& cl = clients[c];
        if (cl.visiteur != kAucune && memeAgent(cl.agent, navigateur)) return cl.visiteur;
        const std::string_view agent = agentComplet(navigateur);
        const uint32_t a = agents.trouverOuAjouter(agent);
        cl.agent = agents.cle(a);
        cl.visiteur = visiteurDe(c, a);
        return cl.visiteur;
    }

    uint32_t visiteurDe(uint32_t c, uint32_t a) {
        const uint64_t cle = static_cast<uint64_t>(c) << 32 | a;
        const auto [it, nouveau] =
            indexVisiteurs.try_emplace(cle, static_cast<uint32_t>(visiteurs.size()));
        if (nouveau) visiteurs.push_back({c, a});
        return it->second;
    }

    // Adds the requests from `debut` to `fin` (one request when equal, or a visit already made)
    // to a visitor's visits, joining those less than kEcartVisite apart.
    void ajouterVisite(Visiteur& v, int64_t debut, int64_t fin) {
        uint32_t suivante = kAucune;  // the visit after the current one in time
        uint32_t k = v.derniere;
        // Lines come nearly in time order: the latest visit is nearly always the one.
        while (k != kAucune && visites[k].debut - fin >= kEcartVisite) {
            suivante = k;
            k = visites[k].precedente;
        }
        if (k == kAucune || debut - visites[k].fin >= kEcartVisite) {
            visites.push_back({debut, fin, k});
            const auto n = static_cast<uint32_t>(visites.size() - 1);
            (suivante == kAucune ? v.derniere : visites[suivante].precedente) = n;
            return;
        }
        Visite& j = visites[k];
        j.debut = std::min(j.debut, debut);
        j.fin = std::max(j.fin, fin);
        // The earlier visits it now reaches join it.
        uint32_t p = j.precedente;
        while (p != kAucune && j.debut - visites[p].fin < kEcartVisite) {
            j.debut = std::min(j.debut, visites[p].debut);
            p = visites[p].precedente;
        }
        j.precedente = p;
    }

    bool instant(const RLog& r, int64_t& t) {
        if (dateDerniere.data() == nullptr || r.date != dateDerniere) {
            dateDerniere = r.date;
            Date d;
            dateValide = lireDate(r.date, d, jourDernier);
            if (dateValide) dates.try_emplace(jourDernier, d);
        }
        int64_t secondes;
        if (!dateValide || !lireHeure(r.heure, secondes)) return false;
        t = jourDernier * kSecondesParJour + secondes;
        return true;
    }

    void referent(std::string_view referent) {
        if (referent.size() == 1 && referent[0] == '-') return;
        const std::string_view autorite = autoriteReferent(referent);
        if (autorite.empty()) return;
        bool nouveau;
        const uint32_t n = autorites.trouverOuAjouter(autorite, nouveau);
        if (nouveau) {
            Autorite a;
            a.hote = hoteDeLAutorite(autorite);
            a.moteur = moteurRecherche(a.hote);
            comptesAutorites.push_back(std::move(a));
        }
        Autorite& a = comptesAutorites[n];
        ++a.requetes;
        if (!a.moteur) return;
        const std::string_view valeur = rechercheBrute(referent);
        if (valeur.empty()) return;
        const uint32_t t = recherches.trouverOuAjouter(valeur, nouveau);
        if (nouveau) comptesRecherches.push_back(0);
        ++comptesRecherches[t];
    }

    void lire(const RLog& r) {
        ++requetes;
        octets += r.chargement;
        Visiteur& v = visiteurs[visiteur(client(r), r.navigateur)];
        ++v.requetes;
        v.octets += r.chargement;
        int64_t t;
        if (instant(r, t)) {
            ++requetesDatees;
            ajouterVisite(v, t, t);
        }
        referent(r.pagePrecedente);
        std::string_view methode = kAutre, protocole = kAutre;
        couperRequete(r.requete, methode, protocole);
        methodes.compter(methode, 1, r.chargement);
        protocoles.compter(protocole, 1, r.chargement);
    }

    // The visits of a visitor, earliest first.
    void visitesDe(const Visiteur& v, std::vector<Visite>& liste) const {
        liste.clear();
        for (uint32_t k = v.derniere; k != kAucune; k = visites[k].precedente) {
            liste.push_back(visites[k]);
        }
        std::reverse(liste.begin(), liste.end());
    }

    // Adds the counts of the stretch that follows this one in the journal.
    void ajouter(Tranche& b) {
        requetes += b.requetes;
        octets += b.octets;
        requetesDatees += b.requetesDatees;

        std::vector<uint32_t> clientDe(b.clients.size());
        for (std::size_t k = 0; k < b.cles.size(); ++k) {
            const CleClient& c = b.cles[k];
            clientDe[k] = c.ipv4 ? clientIPv4(c.v4) : clientTexte(c.texte, true);
        }
        std::vector<uint32_t> agentDe(b.agents.taille());
        for (std::size_t k = 0; k < b.agents.taille(); ++k) {
            agentDe[k] = agents.trouverOuAjouter(b.agents.cle(k));
        }
        std::vector<Visite> liste;
        for (const Visiteur& vb : b.visiteurs) {
            Visiteur& va = visiteurs[visiteurDe(clientDe[vb.client], agentDe[vb.agent])];
            va.requetes += vb.requetes;
            va.octets += vb.octets;
            b.visitesDe(vb, liste);
            for (const Visite& x : liste) ajouterVisite(va, x.debut, x.fin);
        }
        for (const auto& [jour, date] : b.dates) dates.try_emplace(jour, date);

        for (std::size_t k = 0; k < b.autorites.taille(); ++k) {
            bool nouveau;
            const uint32_t n = autorites.trouverOuAjouter(b.autorites.cle(k), nouveau);
            if (nouveau)
                comptesAutorites.push_back(std::move(b.comptesAutorites[k]));
            else
                comptesAutorites[n].requetes += b.comptesAutorites[k].requetes;
        }
        for (std::size_t k = 0; k < b.recherches.taille(); ++k) {
            bool nouveau;
            const uint32_t n = recherches.trouverOuAjouter(b.recherches.cle(k), nouveau);
            if (nouveau) comptesRecherches.push_back(0);
            comptesRecherches[n] += b.comptesRecherches[k];
        }
        methodes.ajouter(b.methodes);
        protocoles.ajouter(b.protocoles);
    }
};

ComptesAudience::ComptesAudience(ReglagesAudience reglages) : reglages_(std::move(reglages)) {}
ComptesAudience::~ComptesAudience() = default;

void ComptesAudience::commencer(const Journal& journal, int nbTranches, bool /*souple*/) {
    journal_ = journal;
    const std::string_view octets = journal_.octets();
    tranches_.clear();
    for (int k = 0; k < nbTranches; ++k) {
        auto t = std::make_unique<Tranche>();
        t->debutTampon = octets.data();
        t->finTampon = octets.data() + octets.size();
        tranches_.push_back(std::move(t));
    }
    complet_ = false;
}

void ComptesAudience::lire(int tranche, const RLog& r) {
    tranches_[static_cast<std::size_t>(tranche)]->lire(r);
}

void ComptesAudience::terminer() {
    complet_ = true;
}

void ComptesAudience::vider() {
    tranches_.clear();
    journal_ = Journal();
    complet_ = false;
}

Audience ComptesAudience::resultat() {
    Audience a;
    if (tranches_.empty()) return a;
    Tranche& t = *tranches_[0];
    for (std::size_t k = 1; k < tranches_.size(); ++k) t.ajouter(*tranches_[k]);
    tranches_.resize(1);

    a.requetes = t.requetes;
    a.octets = t.octets;
    a.requetesDatees = t.requetesDatees;

    // Countries: one lookup per distinct address, one name per database record.
    const BasePays* base = reglages_.base.get();
    a.avecPays = base != nullptr;
    Table pays;
    std::vector<uint32_t> paysDuClient;
    if (base) {
        std::unordered_map<int64_t, std::string> noms;
        paysDuClient.reserve(t.cles.size());
        for (const Tranche::CleClient& c : t.cles) {
            const int64_t fiche = c.ipv4 ? base->ficheIPv4(c.v4) : base->fiche(c.texte);
            auto it = noms.find(fiche);
            if (it == noms.end()) {
                std::string nom = base->nomPays(fiche);
                if (nom.empty()) nom = std::string(kPaysInconnu);
                it = noms.emplace(fiche, std::move(nom)).first;
            }
            paysDuClient.push_back(pays.numero(it->second));
        }
    }

    // Robots: the catalogue and the rule asked once per distinct agent.
    Table robots;
    std::vector<uint32_t> robotDeLAgent(t.agents.taille(), kAucune);
    for (std::size_t k = 0; k < t.agents.taille(); ++k) {
        std::string nom;
        if (reconnaitreRobot(reglages_.catalogue, t.agents.cle(k), nom)) {
            robotDeLAgent[k] = robots.numero(nom);
        }
    }

    std::unordered_map<int64_t, JourAudience> jours;
    std::vector<Tranche::Visite> liste;
    for (const Tranche::Visiteur& v : t.visiteurs) {
        int64_t vus = 0;  // the visitor's days
        int64_t dernierJour = INT64_MIN;
        t.visitesDe(v, liste);
        for (const Tranche::Visite& x : liste) {
            ++a.visites;
            a.dureeVisites += x.fin - x.debut;
            const int64_t premier = jourDe(x.debut), fin = jourDe(x.fin);
            ++jours[premier].visites;
            // A visit spanning days has a request on each (its gaps are shorter than a day).
            for (int64_t j = std::max(premier, dernierJour + 1); j <= fin; ++j) {
                ++jours[j].visiteurs;
                ++vus;
            }
            dernierJour = std::max(dernierJour, fin);
        }
        a.visiteurs += vus;
        if (robotDeLAgent[v.agent] != kAucune) {
            LigneAudience& r = robots[robotDeLAgent[v.agent]];
            r.requetes += v.requetes;
            r.octets += v.octets;
            a.requetesRobots += v.requetes;
            a.octetsRobots += v.octets;
        }
        if (base) {
            LigneAudience& p = pays[paysDuClient[v.client]];
            p.requetes += v.requetes;
            p.octets += v.octets;
            p.visiteurs += vus;
        }
    }
    std::vector<int64_t> numeros;
    numeros.reserve(jours.size());
    for (const auto& [n, j] : jours) numeros.push_back(n);
    std::sort(numeros.begin(), numeros.end());
    for (const int64_t n : numeros) {
        JourAudience j = jours[n];
        const Date& d = t.dates.at(n);
        j.annee = d.annee;
        j.mois = d.mois;
        j.jour = d.jour;
        a.jours.push_back(j);
    }

    Table sites;
    for (std::size_t k = 0; k < t.autorites.taille(); ++k) {
        const Tranche::Autorite& x = t.comptesAutorites[k];
        if (!x.hote.empty()) sites.ligne(x.hote).requetes += x.requetes;
    }
    Table recherches;
    for (std::size_t k = 0; k < t.recherches.taille(); ++k) {
        const std::string termes = termesRecherche(t.recherches.cle(k));
        if (!termes.empty()) recherches.ligne(termes).requetes += t.comptesRecherches[k];
    }

    a.sitesReferents = std::move(sites).liste();
    a.recherches = std::move(recherches).liste();
    a.robots = std::move(robots).liste();
    a.methodes = t.methodes.liste();
    a.protocoles = t.protocoles.liste();
    a.pays = std::move(pays).liste(kPaysInconnu);
    return a;
}

}  // namespace kestrane
