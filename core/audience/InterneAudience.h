// What the audience's two halves share: the counts of one stretch as its lines are read
// (Audience.cpp) and as the stretches merge into the tables at the end of the pass
// (FusionAudience.cpp). Not for use outside core/audience.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/audience/Audience.h"
#include "core/audience/Visites.h"
#include "core/journal/Calendrier.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "core/lecture/FinAgent.h"
#include "core/lecture/IndexAgents.h"
#include "core/lecture/IndexCles.h"

namespace kestrane::interne {

// Byte totals are checked like the statistics' ("Débordement d'entier"): a line may claim any
// 64-bit amount.
inline void ajouterOctets(int64_t& total, int64_t octets) {
    total = ajouterVerifie64(total, octets);
}

// The number of a text, added when new.
inline uint32_t numero(IndexCles<std::string_view>& index, std::string_view texte) {
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
    // places are sorted, and each row moved once. `trier` false: in order of first appearance.
    std::vector<LigneAudience> liste(std::string_view dernier = {}, bool trier = true) && {
        if (!trier) return std::move(lignes_);
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
    std::vector<LigneAudience> liste(bool trier = true) const {
        Table t;
        for (const Compte& c : comptes) {
            LigneAudience& l = t.ligne(c.nom);
            l.requetes += c.requetes;
            ajouterOctets(l.octets, c.octets);
        }
        return std::move(t).liste(kAutre, trier);
    }
};

// Referrers counted per authority as written and per search value as written: hosts and terms
// are made once per distinct text, after the pass.
class ComptesReferents {
  public:
    void compter(std::string_view referent, int64_t requetes);
    // Adds the counts of a later stretch.
    void ajouter(ComptesReferents& b);
    void tables(Audience& a, bool trier = true) const;

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
    // Inline: read on every line, mostly found among the patterns at once.
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
        compterAutrement(requete, octets);
    }
    void ajouter(const RequetesHttp& b) {
        comptesMethodes_.ajouter(b.comptesMethodes_);
        comptesProtocoles_.ajouter(b.comptesProtocoles_);
    }
    void tables(Audience& a, bool trier = true) const {
        a.methodes = comptesMethodes_.liste(trier);
        a.protocoles = comptesProtocoles_.liste(trier);
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
    // A request none of the patterns begins or ends: cut, counted, its patterns kept.
    void compterAutrement(std::string_view requete, int64_t octets);
    static void retenir(std::vector<Motif>& motifs, std::string_view nom, std::size_t compte,
                        bool methode);

    ComptesCourts comptesMethodes_, comptesProtocoles_;
    std::vector<Motif> methodes_, protocoles_;
};

}  // namespace kestrane::interne

namespace kestrane {

// The counts of one stretch of the journal. Its lines are read in Audience.cpp, the stretches
// merged and the tables made in FusionAudience.cpp.
struct alignas(kLigneCache) ComptesAudience::Tranche {
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
        // The client of the line before: its visitor is mostly the one (a client's requests
        // come in bursts), checked by the agent alone and not looked for.
        bool memeClient = false;
        // A line whose client and agent the statistics counted: their entries there
        // (ClesLigne::agent, ClesLigne::adresse without its text bit). Otherwise both are found
        // by their texts; the agent's entry, when the statistics have one, still tells where
        // its text is kept.
        bool parCles = false;
        uint32_t agentCle = ClesLigne::kSansCle, cle = 0;
    };
    bool avecReferents = true;
    // The journal's bytes: an agent is read from where its browser's text starts.
    const char* debutTampon = nullptr;
    const char* finTampon = nullptr;

    int64_t requetes = 0, octets = 0, requetesDatees = 0;

    ComptesVisites visites;
    IndexCles<std::string_view>
        clientsTexte;  // the clients written otherwise than as an IPv4 address
    IndexAgents agents;

    std::string_view dateDerniere;
    bool dateValide = false;
    int64_t jourDernier = 0;
    std::unordered_map<int64_t, interne::Date> dates;

    interne::ComptesReferents referents;
    interne::RequetesHttp requetesHttp;

    // By the statistics' entries of this stretch (they keep their numbers through a fold, like
    // the numbers here): the agents' numbers here, the text clients' numbers here, and each
    // client's last visitor (dotted addresses and texts apart). kAucune: not met yet.
    std::vector<uint32_t> agentParCle, clientParTexte, visiteurParAdresse, visiteurParTexte;
    std::vector<uint32_t>& derniersVisiteurs(bool texte) {
        return texte ? visiteurParTexte : visiteurParAdresse;
    }

    // The client of the line last prepared, and the visitor and whole agent of the line last
    // counted (the same line once it is counted), while the block of their bytes is there.
    bool precedentPrepare = false, precedentTexte = false;
    uint32_t precedentClient = 0;
    uint32_t dernierVisiteur = kAucune;
    std::string_view agentDernier;

    // The lines waiting, in a ring: from attente[premier], nbAttente of them (at most 2 between
    // lines), the next one written in place rather than copied along.
    EnAttente attente[4];
    unsigned premier = 0, nbAttente = 0;
    EnAttente& enAttente(unsigned k) { return attente[(premier + k) & 3]; }

    // Reading the lines (Audience.cpp).
    bool dansTampon(const char* p) const { return dansOctets(p, debutTampon, finTampon); }
    // The whole agent of a record, from the start of its browser's text to the closing quote
    // or the end of the line. A record's browser is its agent before the last "(".
    std::string_view agentComplet(std::string_view navigateur) const;
    // Whether the record of browser `navigateur` has the whole agent `agent`.
    bool memeAgent(std::string_view agent, std::string_view navigateur) const {
        const char* p = navigateur.data();
        if (!dansTampon(p)) return agent == navigateur;
        const std::size_t n = agent.size();
        if (static_cast<std::size_t>(finTampon - p) < n) return false;
        // An agent is mostly long: the library compares it with the widest instructions the
        // processor has.
        if (n > 32 ? std::memcmp(p, agent.data(), n) != 0 : !memesOctets({p, n}, agent)) {
            return false;
        }
        return p + n == finTampon || finitAgent(p[n]);
    }
    // The key of a dotted IPv4 client; false for a client written otherwise.
    static bool cleIPv4(const RLog& r, uint32_t& v4);
    bool instant(const RLog& r, int64_t& t) {
        // Lines come in runs of one date.
        if (dateDerniere.data() == nullptr || !memesOctets(r.date, dateDerniere)) {
            nouvelleDate(r.date);
        }
        int64_t secondes;
        if (!dateValide || !lireHeure(r.heure, secondes)) return false;
        t = jourDernier * kSecondesParJour + secondes;
        return true;
    }
    void nouvelleDate(std::string_view date);
    // A waiting line's client, and its first visitor brought from memory.
    void preparer(EnAttente& e);
    // The visitor of a prepared line, added when new. The first visitor of its client is
    // mostly the one; the line before may have added it since.
    uint32_t visiteur(const EnAttente& e);
    void compter(const EnAttente& e);
    // `cles`: the statistics' entries of the line, null without them.
    void lire(const RLog& r, const ClesLigne* cles);
    // The client of a line from the statistics' entries, its last visitor brought from memory;
    // false when the line is to be read by its texts (a dotted client whose numbers are no IPv4
    // address).
    bool lireCles(EnAttente& e, const RLog& r, const ClesLigne& cles);
    // The visitor of a line read through the statistics' entries, added when new. Its agent is
    // numbered here when it is counted, as a line read by its texts numbers it: agents keep the
    // order of their first lines.
    uint32_t visiteurParCle(const EnAttente& e);
    // Counts the lines still waiting.
    void achever();

    // The end of the pass (FusionAudience.cpp).
    // Each IPv4 visitor as its address << 32 | its number.
    void ajouterClientsIPv4(std::vector<uint64_t>& clients, uint32_t premier) const;
    // The countries' table, countries in order of their first visitor. `ficheDe` gives the
    // database record of each IPv4 visitor; the clients written as text are looked up here,
    // each once.
    std::vector<LigneAudience> pays(const BasePays& base, const ComptesVisites::Totaux& totaux,
                                    const std::vector<int64_t>& ficheDe, bool trier = true);
    // Adds the counts of the stretch that follows this one in the journal; returns the number
    // here of each visitor of `b`. With `suite`, the lines after b's are read here next.
    std::vector<uint32_t> ajouter(Tranche& b, bool suite = false);
    // The journal's bytes now read, and no date read yet.
    void tampon(std::string_view octets) {
        debutTampon = octets.data();
        finTampon = octets.data() + octets.size();
        agents.tampon(debutTampon, finTampon);
        dateDerniere = {};
        oublierPrecedent();
    }
    // The line before is no more to compare with: its bytes may go.
    void oublierPrecedent() {
        precedentPrepare = false;
        dernierVisiteur = kAucune;
        agentDernier = {};
    }
};

}  // namespace kestrane
