#include "core/audience/Audience.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "core/audience/Index.h"
#include "core/audience/Referents.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Erreur.h"
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

constexpr uint32_t kAucune = UINT32_MAX;
constexpr int64_t kSecondesParJour = 86400;

int64_t jourDe(int64_t secondes) {
    return (secondes >= 0 ? secondes : secondes - (kSecondesParJour - 1)) / kSecondesParJour;
}

// Byte totals are checked like the statistics' ("Débordement d'entier"): a line may claim any
// 64-bit amount.
void ajouterOctets(int64_t& total, int64_t octets) {
    total = ajouterVerifie64(total, octets);
}

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
    IndexTextes index_;
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

// Two texts of a few bytes (a date, a method) compared without a library call.
bool memesCourts(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k] != b[k]) return false;
    }
    return true;
}

// Requests and bytes per short name (methods, protocols: a handful of names).
struct ComptesCourts {
    struct Compte {
        std::string nom;  // a copy: short, read on every line
        int64_t requetes = 0, octets = 0;
    };
    std::vector<Compte> comptes;

    std::size_t dernier = 0;

    void compter(std::string_view nom, int64_t requetes, int64_t octets) {
        if (dernier >= comptes.size() || !memesCourts(comptes[dernier].nom, nom)) {
            dernier = 0;
            while (dernier < comptes.size() && !memesCourts(comptes[dernier].nom, nom)) ++dernier;
            if (dernier == comptes.size()) comptes.push_back({std::string(nom), 0, 0});
        }
        comptes[dernier].requetes += requetes;
        ajouterOctets(comptes[dernier].octets, octets);
    }
    void ajouter(const ComptesCourts& b) {
        for (const Compte& c : b.comptes) compter(c.nom, c.requetes, c.octets);
    }
    std::vector<LigneAudience> liste() const {
        Table t;
        for (const Compte& c : comptes) {
            LigneAudience& l = t.ligne(c.nom);
            l.requetes += c.requetes;
            ajouterOctets(l.octets, c.octets);
        }
        return std::move(t).liste(kAutre);
    }
};

// Referrers counted per authority as written and per search value as written: hosts and terms
// are made once per distinct text, after the pass.
class ComptesReferents {
  public:
    void compter(std::string_view referent, int64_t requetes) {
        if (referent.size() == 1 && referent[0] == '-') return;
        const std::string_view autorite = autoriteReferent(referent);
        if (autorite.empty()) return;
        // Lines in a row often come from one site (a visitor's pages).
        uint32_t n = derniere_;
        if (n == kAucune || autorites_.cle(n) != autorite) {
            bool nouveau;
            n = autorites_.trouverOuAjouter(autorite, nouveau);
            if (nouveau) {
                Autorite a;
                a.hote = hoteDeLAutorite(autorite);
                a.moteur = moteurRecherche(a.hote);
                comptes_.push_back(std::move(a));
            }
            derniere_ = n;
        }
        Autorite& a = comptes_[n];
        a.requetes += requetes;
        if (!a.moteur) return;
        const std::string_view valeur = rechercheBrute(referent);
        if (valeur.empty()) return;
        bool nouveau;
        const uint32_t t = recherches_.trouverOuAjouter(valeur, nouveau);
        if (nouveau) comptesRecherches_.push_back(0);
        comptesRecherches_[t] += requetes;
    }

    // Adds the counts of a later stretch.
    void ajouter(ComptesReferents& b) {
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

    void tables(Audience& a) const {
        Table sites;
        for (const Autorite& x : comptes_) {
            if (!x.hote.empty()) sites.ligne(x.hote).requetes += x.requetes;
        }
        Table recherches;
        for (std::size_t k = 0; k < recherches_.taille(); ++k) {
            const std::string termes = termesRecherche(recherches_.cle(k));
            if (!termes.empty()) recherches.ligne(termes).requetes += comptesRecherches_[k];
        }
        a.sitesReferents = std::move(sites).liste();
        a.recherches = std::move(recherches).liste();
    }

  private:
    struct Autorite {
        std::string hote;  // hoteDeLAutorite, empty for none
        bool moteur = false;
        int64_t requetes = 0;
    };
    IndexTextes autorites_;
    std::vector<Autorite> comptes_;
    uint32_t derniere_ = kAucune;
    IndexTextes recherches_;
    std::vector<int64_t> comptesRecherches_;
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
    // What a client's next line needs: the agent it sent last and the visitor (client + agent)
    // that made. A client keeps its agent from one request to the next, so the agent of a line
    // is compared with that one (a copy, in cache) rather than hashed.
    struct Dernier {
        uint32_t agent = kAucune;
        uint32_t visiteur = kAucune;
    };
    // An IPv4 client, with its Dernier beside it in its slot.
    struct ClientIPv4 {
        uint32_t numero = 0;
        Dernier dernier;
    };
    // A client address: the numbers of a dotted IPv4 address, or its text (IPv6, a host name,
    // numbers out of range).
    struct CleClient {
        bool ipv4 = false;
        uint32_t v4 = 0;
        std::string_view texte;
    };
    // A visit: the first and last request times of a run of a visitor's requests whose gaps are
    // under kEcartVisite. A visitor keeps its latest visit and links the earlier ones, from the
    // latest back; a visit joined into another stays in `visites`, without a visitor.
    struct Visite {
        int64_t debut, fin;
        uint32_t precedente;
        uint32_t visiteur;
    };
    struct Visiteur {
        int64_t debut = 0, fin = 0;  // the latest visit, when there is one
        int64_t requetes = 0, octets = 0;
        uint32_t precedentes = kAucune;
        uint32_t client = 0, agent = 0;
        int32_t dernierJour = INT32_MIN;  // the day last entered in joursVus
        bool visite = false;
    };
    // A line whose client and visitor are being brought from memory: its slot is asked for when
    // the line is read, its visitor when the next one is, and it is counted on the one after.
    // Clients and agents are numbered when their line's visitor is found, in line order
    // whatever the kind of address.
    struct EnAttente {
        std::string_view navigateur, adresse;
        int64_t instant = 0, octets = 0;
        int32_t ip[4] = {};
        uint32_t v4 = 0;
        uint32_t visiteur = kAucune;
        bool ipv4 = false, date = false;
    };

    bool avecReferents = true;
    // The journal's bytes: an agent is read from where its browser's text starts.
    const char* debutTampon = nullptr;
    const char* finTampon = nullptr;

    int64_t requetes = 0, octets = 0, requetesDatees = 0;

    TableEntiers<ClientIPv4> clientsIPv4;
    IndexTextes clientsTexte;
    std::vector<Dernier> derniersTexte;
    std::vector<uint32_t> numerosTexte;  // text clients among all clients
    TableauBloc<CleClient> cles;

    IndexTextes agents;
    TableEntiers<uint32_t> indexVisiteurs;
    TableauBloc<Visiteur> visiteurs;
    TableauBloc<Visite> visites;
    // (visitor << 32 | day): the days each visitor made a request, entered when a visitor's day
    // changes (late lines may enter one twice).
    TableauBloc<uint64_t> joursVus;

    std::string_view dateDerniere;
    bool dateValide = false;
    int64_t jourDernier = 0;
    std::unordered_map<int64_t, Date> dates;

    ComptesReferents referents;

    ComptesCourts methodes, protocoles;

    EnAttente attente[2];  // [0] the line before the last, [1] the last
    int nbAttente = 0;

    bool dansTampon(const char* p) const {
        return std::greater_equal<const char*>()(p, debutTampon) &&
               std::less<const char*>()(p, finTampon);
    }

    // The whole agent of a record, from the start of its browser's text to the closing quote
    // or the end of the line. A record's browser is its agent before the last "(".
    std::string_view agentComplet(std::string_view navigateur) const {
        const char* p = navigateur.data();
        if (!dansTampon(p)) return navigateur;  // "-", a constant of the parser
        const auto reste = static_cast<std::size_t>(finTampon - p);
        const char* guillemet = trouverOctet(p, reste, '"');
        std::size_t n = guillemet ? static_cast<std::size_t>(guillemet - p) : reste;
        // Without a closing quote the agent runs to the end of its line.
        for (const char fin : {'\n', '\r'}) {
            if (const char* saut = trouverOctet(p, n, fin)) n = static_cast<std::size_t>(saut - p);
        }
        return {p, n};
    }

    bool memeAgent(uint32_t a, std::string_view navigateur) const {
        const std::string_view agent = agents.cle(a);
        const char* p = navigateur.data();
        if (!dansTampon(p)) return agent == navigateur;
        const std::size_t n = agent.size();
        if (static_cast<std::size_t>(finTampon - p) < n || std::memcmp(p, agent.data(), n) != 0) {
            return false;
        }
        return p + n == finTampon || p[n] == '"' || p[n] == '\n' || p[n] == '\r';
    }

    ClientIPv4& clientIPv4(uint32_t v4) {
        bool nouveau;
        ClientIPv4& c = clientsIPv4.trouverOuAjouter(v4, nouveau);
        if (nouveau) {
            CleClient cle;
            cle.ipv4 = true;
            cle.v4 = v4;
            cles.push_back(cle);
            c.numero = static_cast<uint32_t>(cles.size() - 1);
        }
        return c;
    }

    // The client of a text address, and its Dernier.
    uint32_t clientTexte(std::string_view texte, Dernier*& dernier) {
        bool nouveau;
        const uint32_t n = clientsTexte.trouverOuAjouter(texte, nouveau);
        if (nouveau) {
            CleClient cle;
            cle.texte = clientsTexte.cle(n);
            cles.push_back(cle);
            numerosTexte.push_back(static_cast<uint32_t>(cles.size() - 1));
            derniersTexte.emplace_back();
        }
        dernier = &derniersTexte[n];
        return numerosTexte[n];
    }

    uint32_t client(const CleClient& c) {
        if (c.ipv4) return clientIPv4(c.v4).numero;
        Dernier* d;
        return clientTexte(c.texte, d);
    }

    uint32_t visiteurDe(uint32_t client, uint32_t agent) {
        const uint64_t cle = static_cast<uint64_t>(client) << 32 | agent;
        bool nouveau;
        uint32_t& n = indexVisiteurs.trouverOuAjouter(cle, nouveau);
        if (nouveau) {
            n = static_cast<uint32_t>(visiteurs.size());
            Visiteur v;
            v.client = client;
            v.agent = agent;
            visiteurs.push_back(v);
        }
        return n;
    }

    uint32_t visiteur(uint32_t client, Dernier& d, std::string_view navigateur) {
        if (d.agent != kAucune && memeAgent(d.agent, navigateur)) return d.visiteur;
        d.agent = agents.trouverOuAjouter(agentComplet(navigateur));
        d.visiteur = visiteurDe(client, d.agent);
        return d.visiteur;
    }

    // The key of a dotted IPv4 client; false for a client written otherwise.
    static bool cleIPv4(const RLog& r, uint32_t& v4) {
        const auto octet = [](int32_t v) { return v >= 0 && v <= 255; };
        if (!r.adresse.empty() || !octet(r.ip1) || !octet(r.ip2) || !octet(r.ip3) ||
            !octet(r.ip4)) {
            return false;
        }
        v4 = static_cast<uint32_t>(r.ip1) << 24 | static_cast<uint32_t>(r.ip2) << 16 |
             static_cast<uint32_t>(r.ip3) << 8 | static_cast<uint32_t>(r.ip4);
        return true;
    }

    // Adds the requests from `debut` to `fin` (one request when equal, or a visit already made)
    // to a visitor's visits, joining those less than kEcartVisite apart.
    void ajouterVisite(uint32_t n, int64_t debut, int64_t fin) {
        Visiteur& v = visiteurs[n];
        if (!v.visite) {
            v.debut = debut;
            v.fin = fin;
            v.visite = true;
        } else if (debut - v.fin >= kEcartVisite) {
            // After the latest visit: the usual case, lines coming nearly in time order.
            visites.push_back({v.debut, v.fin, v.precedentes, n});
            v.precedentes = static_cast<uint32_t>(visites.size() - 1);
            v.debut = debut;
            v.fin = fin;
        } else if (v.debut - fin < kEcartVisite) {
            v.debut = std::min(v.debut, debut);
            v.fin = std::max(v.fin, fin);
            v.precedentes = joindre(v.debut, v.precedentes);
        } else {
            ajouterAvant(v.precedentes, n, debut, fin);
        }
    }

    // The earlier visits that a visit starting at `debut` now reaches are joined into it;
    // returns what remains of the list, `debut` lowered to the earliest joined.
    uint32_t joindre(int64_t& debut, uint32_t liste) {
        while (liste != kAucune && debut - visites[liste].fin < kEcartVisite) {
            debut = std::min(debut, visites[liste].debut);
            visites[liste].visiteur = kAucune;
            liste = visites[liste].precedente;
        }
        return liste;
    }

    // Adds requests to a list of visits, the latest first: the visits later than them by
    // kEcartVisite or more are passed over, the one they reach takes them, with the earlier
    // ones it then reaches.
    void ajouterAvant(uint32_t& tete, uint32_t n, int64_t debut, int64_t fin) {
        uint32_t suivante = kAucune;  // the visit after the place, in time
        uint32_t k = tete;
        while (k != kAucune && visites[k].debut - fin >= kEcartVisite) {
            suivante = k;
            k = visites[k].precedente;
        }
        if (k == kAucune || debut - visites[k].fin >= kEcartVisite) {
            visites.push_back({debut, fin, k, n});
            (suivante == kAucune ? tete : visites[suivante].precedente) =
                static_cast<uint32_t>(visites.size() - 1);
            return;
        }
        int64_t d = std::min(visites[k].debut, debut);
        const uint32_t reste = joindre(d, visites[k].precedente);
        visites[k].debut = d;
        visites[k].fin = std::max(visites[k].fin, fin);
        visites[k].precedente = reste;
    }

    void noterJour(uint32_t n, int32_t jour) {
        Visiteur& v = visiteurs[n];
        if (v.dernierJour == jour) return;
        v.dernierJour = jour;
        joursVus.push_back(static_cast<uint64_t>(n) << 32 | static_cast<uint32_t>(jour));
    }

    bool instant(const RLog& r, int64_t& t) {
        if (dateDerniere.data() == nullptr || !memesCourts(r.date, dateDerniere)) {
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

    // The visitor of a waiting line, once its client's slot is in memory.
    void trouverVisiteur(EnAttente& e) {
        if (e.ipv4) {
            ClientIPv4& c = clientIPv4(e.v4);
            e.visiteur = visiteur(c.numero, c.dernier, e.navigateur);
        } else {
            Dernier* d;
            uint32_t client;
            if (e.adresse.empty()) {
                std::string texte;
                ajouterAdresseIP(texte, e.ip[0], e.ip[1], e.ip[2], e.ip[3]);
                client = clientTexte(texte, d);
            } else {
                client = clientTexte(e.adresse, d);
            }
            e.visiteur = visiteur(client, *d, e.navigateur);
        }
        __builtin_prefetch(&visiteurs[e.visiteur]);
    }

    void compter(const EnAttente& e) {
        Visiteur& v = visiteurs[e.visiteur];
        ++v.requetes;
        ajouterOctets(v.octets, e.octets);
        if (!e.date) return;
        const auto jour = static_cast<int32_t>(jourDe(e.instant));
        if (v.dernierJour != jour) noterJour(e.visiteur, jour);
        ajouterVisite(e.visiteur, e.instant, e.instant);
    }

    void lire(const RLog& r) {
        EnAttente e;
        e.navigateur = r.navigateur;
        e.octets = r.chargement;
        e.date = instant(r, e.instant);
        e.ipv4 = cleIPv4(r, e.v4);
        if (e.ipv4) {
            clientsIPv4.precharger(e.v4);
        } else {
            e.adresse = r.adresse;
            e.ip[0] = r.ip1, e.ip[1] = r.ip2, e.ip[2] = r.ip3, e.ip[3] = r.ip4;
        }
        ++requetes;
        ajouterOctets(octets, r.chargement);
        if (e.date) ++requetesDatees;
        std::string_view methode = kAutre, protocole = kAutre;
        couperRequete(r.requete, methode, protocole);
        methodes.compter(methode, 1, r.chargement);
        protocoles.compter(protocole, 1, r.chargement);
        if (avecReferents) referents.compter(r.pagePrecedente, 1);

        if (nbAttente >= 1) trouverVisiteur(attente[nbAttente - 1]);
        if (nbAttente == 2) compter(attente[0]);
        if (nbAttente == 2) {
            attente[0] = attente[1];
            attente[1] = e;
        } else {
            attente[nbAttente++] = e;
        }
    }

    // Counts the lines still waiting.
    void achever() {
        if (nbAttente >= 1) trouverVisiteur(attente[nbAttente - 1]);
        for (int k = 0; k < nbAttente; ++k) compter(attente[k]);
        nbAttente = 0;
    }

    // Adds the counts of the stretch that follows this one in the journal.
    void ajouter(Tranche& b) {
        requetes += b.requetes;
        ajouterOctets(octets, b.octets);
        requetesDatees += b.requetesDatees;

        std::vector<uint32_t> clientDe(b.cles.size());
        for (std::size_t k = 0; k < b.cles.size(); ++k) clientDe[k] = client(b.cles[k]);
        std::vector<uint32_t> agentDe(b.agents.taille());
        for (std::size_t k = 0; k < b.agents.taille(); ++k) {
            agentDe[k] = agents.trouverOuAjouter(b.agents.cle(k));
        }
        std::vector<uint32_t> visiteurDeB(b.visiteurs.size());
        for (std::size_t k = 0; k < b.visiteurs.size(); ++k) {
            const Visiteur& vb = b.visiteurs[k];
            const uint32_t n = visiteurDe(clientDe[vb.client], agentDe[vb.agent]);
            visiteurDeB[k] = n;
            visiteurs[n].requetes += vb.requetes;
            ajouterOctets(visiteurs[n].octets, vb.octets);
            if (vb.visite) ajouterVisite(n, vb.debut, vb.fin);
        }
        // Visits join whatever order they come in: the earlier ones in their order in memory.
        for (const Visite& x : b.visites) {
            if (x.visiteur != kAucune) ajouterVisite(visiteurDeB[x.visiteur], x.debut, x.fin);
        }
        for (const uint64_t j : b.joursVus) {
            joursVus.push_back(static_cast<uint64_t>(visiteurDeB[j >> 32]) << 32 |
                               (j & 0xFFFFFFFF));
        }
        for (const auto& [jour, date] : b.dates) dates.try_emplace(jour, date);

        referents.ajouter(b.referents);
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
        t->avecReferents = reglages_.referentsParLigne;
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

void compterReferents(Audience& audience,
                      const std::vector<std::pair<std::string_view, int64_t>>& referents) {
    ComptesReferents c;
    for (const auto& [referent, requetes] : referents) c.compter(referent, requetes);
    c.tables(audience);
}

Audience ComptesAudience::resultat() {
    Audience a;
    if (tranches_.empty()) return a;
    for (auto& t : tranches_) t->achever();
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
        std::unordered_map<int64_t, uint32_t> numeros;
        paysDuClient.reserve(t.cles.size());
        for (const Tranche::CleClient& c : t.cles) {
            const int64_t fiche = c.ipv4 ? base->ficheIPv4(c.v4) : base->fiche(c.texte);
            auto it = numeros.find(fiche);
            if (it == numeros.end()) {
                std::string nom = base->nomPays(fiche);
                if (nom.empty()) nom = std::string(kPaysInconnu);
                it = numeros.emplace(fiche, pays.numero(nom)).first;
            }
            paysDuClient.push_back(it->second);
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
    const auto visite = [&](int64_t debut, int64_t fin) {
        ++a.visites;
        a.dureeVisites += fin - debut;
        ++jours[jourDe(debut)].visites;
    };
    for (const Tranche::Visiteur& v : t.visiteurs) {
        if (v.visite) visite(v.debut, v.fin);
        if (robotDeLAgent[v.agent] != kAucune) {
            LigneAudience& r = robots[robotDeLAgent[v.agent]];
            r.requetes += v.requetes;
            ajouterOctets(r.octets, v.octets);
            a.requetesRobots += v.requetes;
            ajouterOctets(a.octetsRobots, v.octets);
        }
        if (base) {
            LigneAudience& p = pays[paysDuClient[v.client]];
            p.requetes += v.requetes;
            ajouterOctets(p.octets, v.octets);
        }
    }
    for (const Tranche::Visite& x : t.visites) {
        if (x.visiteur != kAucune) visite(x.debut, x.fin);
    }
    std::sort(t.joursVus.begin(), t.joursVus.end());
    t.joursVus.resize(static_cast<std::size_t>(std::unique(t.joursVus.begin(), t.joursVus.end()) -
                                               t.joursVus.begin()));
    for (const uint64_t j : t.joursVus) {
        ++jours[static_cast<int32_t>(j & 0xFFFFFFFF)].visiteurs;
        ++a.visiteurs;
        if (base) ++pays[paysDuClient[t.visiteurs[j >> 32].client]].visiteurs;
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

    if (reglages_.referentsParLigne) t.referents.tables(a);
    a.robots = std::move(robots).liste();
    a.methodes = t.methodes.liste();
    a.protocoles = t.protocoles.liste();
    a.pays = std::move(pays).liste(kPaysInconnu);
    return a;
}

}  // namespace kestrane
