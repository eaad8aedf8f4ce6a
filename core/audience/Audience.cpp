#include "core/audience/Audience.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <tuple>
#include <unordered_map>

#include "core/audience/Referents.h"
#include "core/audience/TableauBloc.h"
#include "core/audience/Visites.h"
#include "core/journal/Calendrier.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/UString.h"

namespace kestrane {

namespace {

// Byte totals are checked like the statistics' ("Débordement d'entier"): a line may claim any
// 64-bit amount.
void ajouterOctets(int64_t& total, int64_t octets) {
    total = ajouterVerifie64(total, octets);
}

// The number of a text, added when new.
uint32_t numero(IndexCles<std::string_view>& index, std::string_view texte) {
    bool nouveau;
    return index.trouverOuAjouter(texte, nouveau);
}

// A table being built: rows by name in order of first appearance.
class Table {
  public:
    // The row's number: rows move as others are added.
    uint32_t numero(std::string nom) {
        bool nouveau;
        const uint32_t n = index_.trouverOuAjouter(nom, nouveau);
        if (nouveau) lignes_.push_back({std::move(nom), 0, 0, 0});
        return n;
    }
    LigneAudience& ligne(std::string nom) { return lignes_[numero(std::move(nom))]; }
    LigneAudience& operator[](uint32_t n) { return lignes_[n]; }
    // Largest first, equal counts in order of first appearance, the catch-all last. The rows'
    // places are sorted, and each row moved once.
    std::vector<LigneAudience> liste(std::string_view dernier = {}) && {
        struct Place {
            bool derniere;
            int64_t requetes;
            uint32_t numero;
            bool operator<(const Place& p) const {
                if (derniere != p.derniere) return p.derniere;
                if (requetes != p.requetes) return requetes > p.requetes;
                return numero < p.numero;
            }
        };
        std::vector<Place> places;
        places.reserve(lignes_.size());
        for (uint32_t n = 0; n < lignes_.size(); ++n) {
            const LigneAudience& l = lignes_[n];
            places.push_back({!dernier.empty() && l.nom == dernier, l.requetes, n});
        }
        std::sort(places.begin(), places.end());
        std::vector<LigneAudience> liste;
        liste.reserve(lignes_.size());
        for (const Place& p : places) liste.push_back(std::move(lignes_[p.numero]));
        return liste;
    }

  private:
    IndexCles<std::string_view> index_;
    std::vector<LigneAudience> lignes_;
};

struct Date {
    int32_t annee = 0, mois = 0, jour = 0;
};

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
        std::string nom;  // a copy: short, read on every line
        int64_t requetes = 0, octets = 0;
    };
    std::vector<Compte> comptes;

    // Returns the name's place in `comptes`.
    std::size_t compter(std::string_view nom, int64_t requetes, int64_t octets) {
        std::size_t n = 0;
        while (n < comptes.size() && !memesOctets(comptes[n].nom, nom)) ++n;
        if (n == comptes.size()) comptes.push_back({std::string(nom), 0, 0});
        ajouterA(n, requetes, octets);
        return n;
    }
    void ajouterA(std::size_t n, int64_t requetes, int64_t octets) {
        comptes[n].requetes += requetes;
        ajouterOctets(comptes[n].octets, octets);
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
            std::string termes = termesRecherche(recherches_.cle(k));
            if (!termes.empty()) {
                recherches.ligne(std::move(termes)).requetes += comptesRecherches_[k];
            }
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
    IndexCles<std::string_view> autorites_;
    std::vector<Autorite> comptes_;
    uint32_t derniere_ = kAucune;
    IndexCles<std::string_view> recherches_;
    std::vector<int64_t> comptesRecherches_;
};

// Requests and bytes per method and per protocol. A request is first compared with the methods
// and protocols already seen (a handful), as 8-byte patterns of its first and last bytes: cutting
// it is for the few that none begins or ends.
class RequetesHttp {
  public:
    void compter(std::string_view requete, int64_t octets) {
        const std::size_t n = requete.size();
        if (n >= 8) {
            uint64_t debut, fin;
            std::memcpy(&debut, requete.data(), 8);
            std::memcpy(&fin, requete.data() + n - 8, 8);
            const Motif* m = trouver(methodes_, debut);
            const Motif* p = m ? trouver(protocoles_, fin) : nullptr;
            // Neither a method nor a protocol holds a blank: the method ends at the first blank
            // and the protocol starts after the last one, with something between them.
            if (p && n > m->taille + p->taille + 2 &&
                (p->taille < 8 || requete[n - p->taille - 1] == ' ')) {
                comptesMethodes_.ajouterA(m->compte, 1, octets);
                comptesProtocoles_.ajouterA(p->compte, 1, octets);
                return;
            }
        }
        std::string_view methode = kAutre, protocole = kAutre;
        const bool coupee = couperRequete(requete, methode, protocole);
        const std::size_t m = comptesMethodes_.compter(methode, 1, octets);
        const std::size_t p = comptesProtocoles_.compter(protocole, 1, octets);
        if (coupee) {
            retenir(methodes_, methode, m, true);
            retenir(protocoles_, protocole, p, false);
        }
    }
    void ajouter(const RequetesHttp& b) {
        comptesMethodes_.ajouter(b.comptesMethodes_);
        comptesProtocoles_.ajouter(b.comptesProtocoles_);
    }
    void tables(Audience& a) const {
        a.methodes = comptesMethodes_.liste();
        a.protocoles = comptesProtocoles_.liste();
    }

  private:
    // A method and the blank after it, as the first 8 bytes of a request show them, or a
    // protocol and the blank before it (the protocol alone when 8 bytes long) as the last 8.
    struct Motif {
        uint64_t octets, masque;
        std::size_t taille;  // the name's
        std::size_t compte;  // its place in the counts
    };

    static const Motif* trouver(const std::vector<Motif>& motifs, uint64_t octets) {
        for (const Motif& m : motifs) {
            if ((octets & m.masque) == m.octets) return &m;
        }
        return nullptr;
    }

    static void retenir(std::vector<Motif>& motifs, std::string_view nom, std::size_t compte,
                        bool methode) {
        const std::size_t n = nom.size();
        if (n > (methode ? 7 : 8)) return;
        for (const Motif& m : motifs) {
            if (m.compte == compte) return;
        }
        unsigned char octets[8] = {}, masque[8] = {};
        const std::size_t avecBlanc = std::min<std::size_t>(n + 1, 8);
        const std::size_t place = methode ? 0 : 8 - avecBlanc;
        std::string texte = methode ? std::string(nom) + ' ' : ' ' + std::string(nom);
        if (!methode && n == 8) texte.erase(0, 1);
        std::memcpy(octets + place, texte.data(), avecBlanc);
        std::memset(masque + place, 0xFF, avecBlanc);
        Motif m{0, 0, n, compte};
        std::memcpy(&m.octets, octets, 8);
        std::memcpy(&m.masque, masque, 8);
        motifs.push_back(m);
    }

    ComptesCourts comptesMethodes_, comptesProtocoles_;
    std::vector<Motif> methodes_, protocoles_;
};

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
    // A line whose visitor is being brought from memory: its client's place in the index is
    // asked for when the line is read, its client's first visitor when the next one is, and it
    // is counted on the line after.
    struct EnAttente {
        std::string_view navigateur, adresse;
        int64_t instant = 0, octets = 0;
        int32_t jour = 0;  // of `instant`
        int32_t ip[4] = {};
        uint32_t client = 0;          // the IPv4 address, or the number of the client's text
        uint32_t candidat = kAucune;  // the client's first visitor, if it has one
        bool texte = false, date = false;
    };
    bool avecReferents = true;
    // The journal's bytes: an agent is read from where its browser's text starts.
    const char* debutTampon = nullptr;
    const char* finTampon = nullptr;

    int64_t requetes = 0, octets = 0, requetesDatees = 0;

    ComptesVisites visites;
    IndexCles<std::string_view>
        clientsTexte;  // the clients written otherwise than as an IPv4 address
    IndexCles<std::string_view> agents;

    std::string_view dateDerniere;
    bool dateValide = false;
    int64_t jourDernier = 0;
    std::unordered_map<int64_t, Date> dates;

    ComptesReferents referents;
    RequetesHttp requetesHttp;

    // The lines waiting, in a ring: from attente[premier], nbAttente of them (at most 2 between
    // lines), the next one written in place rather than copied along.
    EnAttente attente[4];
    unsigned premier = 0, nbAttente = 0;
    EnAttente& enAttente(unsigned k) { return attente[(premier + k) & 3]; }

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
        if (static_cast<std::size_t>(finTampon - p) < n) return false;
        // An agent is mostly long: the library compares it with the widest instructions the
        // processor has.
        if (n > 32 ? std::memcmp(p, agent.data(), n) != 0 : !memesOctets({p, n}, agent)) {
            return false;
        }
        return p + n == finTampon || p[n] == '"' || p[n] == '\n' || p[n] == '\r';
    }

    // The key of a dotted IPv4 client; false for a client written otherwise.
    static bool cleIPv4(const RLog& r, uint32_t& v4) {
        // A number below zero wraps above 255.
        const auto a = static_cast<uint32_t>(r.ip1), b = static_cast<uint32_t>(r.ip2),
                   c = static_cast<uint32_t>(r.ip3), d = static_cast<uint32_t>(r.ip4);
        if (!r.adresse.empty() || (a | b | c | d) > 255) return false;
        v4 = a << 24 | b << 16 | c << 8 | d;
        return true;
    }

    bool instant(const RLog& r, int64_t& t) {
        if (dateDerniere.data() == nullptr || !memesOctets(r.date, dateDerniere)) {
            dateDerniere = r.date;
            Date d;
            dateValide = lireDate(r.date, d.annee, d.mois, d.jour);
            if (dateValide) {
                jourDernier = joursDepuisEpoque(d.annee, d.mois, d.jour);
                dates.try_emplace(jourDernier, d);
            }
        }
        int64_t secondes;
        if (!dateValide || !lireHeure(r.heure, secondes)) return false;
        t = jourDernier * kSecondesParJour + secondes;
        return true;
    }

    // A waiting line's client, and its first visitor brought from memory.
    void preparer(EnAttente& e) {
        if (e.texte) {
            if (e.adresse.empty()) {
                std::string t;
                ajouterAdresseIP(t, e.ip[0], e.ip[1], e.ip[2], e.ip[3]);
                e.client = numero(clientsTexte, t);
            } else {
                e.client = numero(clientsTexte, e.adresse);
            }
        }
        e.candidat = visites.index(e.texte).trouver(e.client, [](uint32_t) { return true; });
        if (e.candidat != kAucune) visites.precharger(e.candidat);
    }

    // The visitor of a prepared line, added when new. The first visitor of its client is
    // mostly the one; the line before may have added it since.
    uint32_t visiteur(const EnAttente& e) {
        const auto meme = [&](uint32_t agent) { return memeAgent(agent, e.navigateur); };
        if (e.candidat != kAucune && meme(visites.visiteur(e.candidat).agent)) return e.candidat;
        const uint32_t n = visites.trouver(e.texte, e.client, meme);
        if (n != kAucune) return n;
        return visites.ajouter(e.texte, e.client, numero(agents, agentComplet(e.navigateur)));
    }

    void compter(const EnAttente& e) {
        const uint32_t n = visiteur(e);
        Visiteur& v = visites.visiteur(n);
        ++v.requetes;
        ajouterOctets(v.octets, e.octets);
        if (e.date) visites.requete(n, e.instant, e.jour);
    }

    void lire(const RLog& r) {
        EnAttente& e = enAttente(nbAttente);
        e.navigateur = r.navigateur;
        e.octets = r.chargement;
        e.date = instant(r, e.instant);
        e.jour = static_cast<int32_t>(jourDernier);
        e.texte = !cleIPv4(r, e.client);
        if (!e.texte) {
            visites.index(false).precharger(e.client);
        } else {
            e.adresse = r.adresse;
            e.ip[0] = r.ip1, e.ip[1] = r.ip2, e.ip[2] = r.ip3, e.ip[3] = r.ip4;
        }
        ++requetes;
        ajouterOctets(octets, r.chargement);
        if (e.date) ++requetesDatees;
        requetesHttp.compter(r.requete, r.chargement);
        if (avecReferents) referents.compter(r.pagePrecedente, 1);

        if (nbAttente >= 1) preparer(enAttente(nbAttente - 1));
        if (nbAttente == 2) {
            compter(enAttente(0));
            premier = (premier + 1) & 3;
        } else {
            ++nbAttente;
        }
    }

    // Counts the lines still waiting.
    void achever() {
        if (nbAttente >= 1) preparer(enAttente(nbAttente - 1));
        for (unsigned k = 0; k < nbAttente; ++k) compter(enAttente(k));
        premier = nbAttente = 0;
    }

    // Each IPv4 visitor as its address << 32 | its number.
    void ajouterClientsIPv4(std::vector<uint64_t>& clients, uint32_t premier) const {
        const auto nb = static_cast<uint32_t>(visites.nbVisiteurs());
        for (uint32_t n = 0; n < nb; ++n) {
            const Visiteur& v = visites.visiteur(n);
            if (!v.texte) clients.push_back(uint64_t{v.client} << 32 | (premier + n));
        }
    }

    // The countries' table, countries in order of their first visitor. `ficheDe` gives the
    // database record of each IPv4 visitor; the clients written as text are looked up here,
    // each once.
    std::vector<LigneAudience> pays(const BasePays& base, const ComptesVisites::Totaux& totaux,
                                    const std::vector<int64_t>& ficheDe) {
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
                    it = fichesTextes.emplace(v.client, base.fiche(clientsTexte.cle(v.client)))
                             .first;
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
        return std::move(table).liste(kPaysInconnu);
    }

    // Adds the counts of the stretch that follows this one in the journal; returns the number
    // here of each visitor of `b`.
    std::vector<uint32_t> ajouter(Tranche& b) {
        requetes += b.requetes;
        ajouterOctets(octets, b.octets);
        requetesDatees += b.requetesDatees;

        std::vector<uint32_t> agentDe(b.agents.taille());
        for (std::size_t k = 0; k < b.agents.taille(); ++k) {
            agentDe[k] = numero(agents, b.agents.cle(k));
        }
        std::vector<uint32_t> texteDe(b.clientsTexte.taille());
        for (std::size_t k = 0; k < b.clientsTexte.taille(); ++k) {
            texteDe[k] = numero(clientsTexte, b.clientsTexte.cle(k));
        }
        for (const auto& [jour, date] : b.dates) dates.try_emplace(jour, date);
        referents.ajouter(b.referents);
        requetesHttp.ajouter(b.requetesHttp);
        return visites.ajouter(b.visites, agentDe, texteDe);
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
        t->visites.reserver(journal_.nbLignes() / static_cast<std::size_t>(nbTranches) + 1);
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

// Robots: the catalogue and the rule asked once per distinct agent.
void ComptesAudience::compterRobots(const Tranche& t, Audience& a) const {
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
    Table robots;
    for (std::size_t k = 0; k < t.agents.taille(); ++k) {
        std::string nom;
        if (!reconnaitreRobot(reglages_.catalogue, t.agents.cle(k), nom)) continue;
        LigneAudience& r = robots.ligne(std::move(nom));
        r.requetes += parAgent[k].requetes;
        ajouterOctets(r.octets, parAgent[k].octets);
        a.requetesRobots += parAgent[k].requetes;
        ajouterOctets(a.octetsRobots, parAgent[k].octets);
    }
    a.robots = std::move(robots).liste();
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
    enParallele(
        base != nullptr && clients.size() >= kSeuilPaysDeuxFils,
        [&] {
            for (std::size_t k = 1; k < tranches_.size(); ++k) {
                nbAvant[k] = static_cast<uint32_t>(t.visites.nbVisiteurs());
                visiteursDe[k] = t.ajouter(*tranches_[k]);
            }
            totaux = t.visites.totaux();
            compterRobots(t, a);
        },
        [&] {
            if (base) fiches = fichesDesClients(*base, std::move(clients), nbVisiteurs);
        });

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
        a.pays = t.pays(*base, totaux, ficheDe);
    }
    tranches_.resize(1);

    if (reglages_.referentsParLigne) t.referents.tables(a);
    t.requetesHttp.tables(a);
    return a;
}

}  // namespace kestrane
