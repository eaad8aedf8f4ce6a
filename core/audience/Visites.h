// The visitors of one stretch of the journal, their visits and their days, in few bytes: what is
// first touched costs here more than the counting itself. A visitor is one record, numbered in
// order of first appearance, found through a small index by its client and checked by its
// agent. A visit that ends (a later request 30 minutes or more after it) is counted at once and
// kept, for the lines written late that may still join it and for the merge of the stretches;
// the days are bits beside the latest request.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "core/audience/Audience.h"
#include "core/audience/TableauBloc.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Memoire.h"

namespace kestrane {

inline constexpr uint32_t kAucune = UINT32_MAX;

// The day of an instant, as the visits keep it.
inline int32_t jourDe(int64_t secondes) {
    return static_cast<int32_t>(jourDeLInstant(secondes));
}

// A visit of 136 years or more keeps its start, or its end, beside its record.
inline constexpr uint32_t kDureeLongue = UINT32_MAX;

// A client (an IPv4 address as a number, or the number of a client written otherwise) with one
// user agent: what a line of the visitor reads and writes.
struct Visiteur {
    uint32_t client;
    uint32_t agent;        // the agent's number
    uint32_t precedentes;  // the latest of the visits before the latest one, kAucune for none
    // Bit k: a dated request k days before the day of `fin`. 0 until the first dated request.
    uint32_t jours;
    // The latest visit: from `fin - duree` to `fin`, the visitor's last request time.
    uint32_t duree;
    bool texte;  // a client written otherwise than as an IPv4 address
    int64_t fin;
    int64_t requetes, octets;
};
static_assert(sizeof(Visiteur) == 48);

// The visitors' numbers by client, in open addressing: 8 bytes a slot, so that the index of a
// stretch stays in the processor's cache.
class IndexVisiteurs {
  public:
    IndexVisiteurs() { creer(std::size_t{1} << 10); }
    IndexVisiteurs(const IndexVisiteurs&) = delete;
    IndexVisiteurs& operator=(const IndexVisiteurs&) = delete;

    void precharger(uint32_t client) const { __builtin_prefetch(cases_.data() + depart(client)); }
    // The first visitor of the client that `accepte(number)` accepts, kAucune when none.
    template <typename F>
    uint32_t trouver(uint32_t client, const F& accepte) const {
        for (std::size_t c = depart(client);; c = (c + 1) & masque_) {
            const Case& k = cases_[c];
            if (k.numero == 0) return kAucune;
            if (k.client == client && accepte(k.numero - 1)) return k.numero - 1;
        }
    }
    void ajouter(uint32_t client, uint32_t numero);

  private:
    struct Case {
        uint32_t client;
        uint32_t numero;  // the visitor's number + 1; 0 for an empty slot
    };
    std::size_t depart(uint32_t client) const {
        return static_cast<std::size_t>((client * 0x9E3779B97F4A7C15ull) >> decalage_);
    }
    void creer(std::size_t nbCases);

    std::vector<Case> cases_;
    std::size_t masque_ = 0;
    int decalage_ = 64;
    std::size_t taille_ = 0;
};

// Counts per day number: few days, each in a row of lines.
class ComptesParJour {
  public:
    ComptesParJour() = default;
    ComptesParJour(const ComptesParJour& b) : jours_(b.jours_) {}
    ComptesParJour& operator=(const ComptesParJour& b) {
        jours_ = b.jours_;
        compte_ = nullptr;
        return *this;
    }
    void ajouter(int32_t jour, int64_t n) {
        if (jour != dernier_ || !compte_) {
            compte_ = &jours_[jour];
            dernier_ = jour;
        }
        *compte_ += n;
    }
    void ajouter(const ComptesParJour& b) {
        for (const auto& [jour, n] : b.jours_) ajouter(jour, n);
    }
    const std::unordered_map<int32_t, int64_t>& jours() const { return jours_; }

  private:
    std::unordered_map<int32_t, int64_t> jours_;  // elements never move
    int32_t dernier_ = 0;
    int64_t* compte_ = nullptr;
};

// The visitors of one stretch, their visits and days. A visit is the run of a visitor's requests
// whose gaps, in time order, are under kEcartVisite; a visitor keeps its latest visit in its
// record and the earlier ones in `fermees_`, linked from the latest back.
class ComptesVisites {
  public:
    // Room for the visitors and closed visits of `lignes` lines (each adds one of each at most),
    // asked for once: the memory is only taken as it is written.
    void reserver(std::size_t lignes) {
        try {
            visiteurs_.reserver(lignes);
            fermees_.reserver(lignes);
        } catch (const std::bad_alloc&) {
            // They grow as they go instead.
        }
    }

    std::size_t nbVisiteurs() const { return visiteurs_.size(); }
    Visiteur& visiteur(uint32_t n) { return visiteurs_[n]; }
    const Visiteur& visiteur(uint32_t n) const { return visiteurs_[n]; }
    // A record of 48 bytes lies across two cache lines one time in two: both are asked for.
    void precharger(uint32_t n) const {
        __builtin_prefetch(&visiteurs_[n]);
        __builtin_prefetch(reinterpret_cast<const char*>(&visiteurs_[n]) + sizeof(Visiteur) - 1);
    }
    const IndexVisiteurs& index(bool texte) const { return texte ? textes_ : ipv4_; }
    // The visitor of a client whose agent `memeAgent(agent)` accepts, kAucune when none.
    template <typename F>
    uint32_t trouver(bool texte, uint32_t client, const F& memeAgent) const {
        return index(texte).trouver(client,
                                    [&](uint32_t n) { return memeAgent(visiteurs_[n].agent); });
    }
    // Visitor n's visits, the latest first: f(start, end) for each, none before its first dated
    // request. Every visit is there after a merge of `suite` (ajouter), not after one without.
    template <typename F>
    void parcourirVisites(uint32_t n, F&& f) const {
        const Visiteur& v = visiteurs_[n];
        if (v.jours == 0) return;
        f(debut(n), v.fin);
        for (uint32_t k = v.precedentes; k != kAucune; k = fermees_[k].precedente) {
            f(fermees_[k].debut, fin(k));
        }
    }
    // Whether some visitor has dated requests more than 31 days before its latest one.
    bool joursAPart() const { return !joursAPart_.empty(); }
    // A new visitor, without a request; its number.
    uint32_t ajouter(bool texte, uint32_t client, uint32_t agent) {
        const auto n = static_cast<uint32_t>(visiteurs_.size());
        visiteurs_.push_back({client, agent, kAucune, 0, 0, texte, 0, 0, 0});
        (texte ? textes_ : ipv4_).ajouter(client, n);
        return n;
    }

    // A request of visitor `n` at `t` seconds, on day `jour` (jourDe(t)).
    void requete(uint32_t n, int64_t t, int32_t jour) {
        Visiteur& v = visiteurs_[n];
        if (t < premier_) premier_ = t;
        if (v.jours == 0) {
            v.fin = t;
            v.duree = 0;
            v.jours = 1;
            return;
        }
        if (t < v.fin) {
            requeteEnRetard(n, t, jour);
            return;
        }
        // The usual case, lines coming nearly in time order.
        const int64_t finAvant = v.fin;
        if (t - v.fin >= kEcartVisite) {
            fermer(n);
            v.duree = 0;
        } else if (v.duree != kDureeLongue && static_cast<uint64_t>(t - v.fin) <
                                                  static_cast<uint64_t>(kDureeLongue - v.duree)) {
            v.duree += static_cast<uint32_t>(t - v.fin);
        } else {
            allongerLongue(n, t);
        }
        v.fin = t;
        if (finAvant < static_cast<int64_t>(jour) * kSecondesParJour) {
            const int32_t jourFin = jourDe(finAvant);
            v.jours = decaler(n, v.jours, jour - jourFin, jourFin) | 1;
        }
    }

    // Adds the visitors of `b`, a later stretch, with their requests, visits and days: those
    // already here joined (visits joined where they meet), the others after them in their
    // order. `agentDe` and `texteDe` give the numbers here of b's agents and text clients.
    // Returns the number here of each visitor of `b`. With `suite`, lines are read here
    // afterwards: every visit stays in its visitor's list, where a line written late may join it.
    std::vector<uint32_t> ajouter(const ComptesVisites& b, const std::vector<uint32_t>& agentDe,
                                  const std::vector<uint32_t>& texteDe, bool suite = false);

    // The totals, once every line is counted (the stretches merged into this one): visits
    // (count, seconds, per starting day) and visitor-days (count, per day, per visitor).
    struct Totaux {
        int64_t visites = 0, dureeVisites = 0, visiteurs = 0;
        ComptesParJour visitesParJour, visiteursParJour;
        std::vector<int64_t> joursParVisiteur;
    };
    Totaux totaux();

  private:
    // A closed visit: from `debut` to `debut + duree` (kDureeLongue: the end in finsLongues_),
    // after visit `precedente` of the same visitor.
    struct Fermee {
        int64_t debut;
        uint32_t duree;
        uint32_t precedente;
    };
    // A visitor-day out of its visitor's bits: the day is more than 31 days before the day of
    // the visitor's latest request. One day may be there several times.
    struct JourAParte {
        uint32_t visiteur;
        int32_t jour;
        bool operator<(const JourAParte& j) const {
            return visiteur < j.visiteur || (visiteur == j.visiteur && jour < j.jour);
        }
        bool operator==(const JourAParte& j) const {
            return visiteur == j.visiteur && jour == j.jour;
        }
    };

    // The start of visitor n's latest visit.
    int64_t debut(uint32_t n) const {
        const Visiteur& v = visiteurs_[n];
        return v.duree != kDureeLongue ? v.fin - v.duree : debutsLongs_.at(n);
    }
    // Sets it, `fin` being set.
    void fixerDebut(uint32_t n, int64_t debut);
    int64_t fin(uint32_t k) const {
        const Fermee& f = fermees_[k];
        return f.duree != kDureeLongue ? f.debut + f.duree : finsLongues_.at(k);
    }
    void fixer(uint32_t k, int64_t debut, int64_t fin);

    void compter(int64_t debut, int64_t fin, int64_t n) {
        nbVisites_ += n;
        dureeVisites_ += n * (fin - debut);
        visitesParJour_.ajouter(jourDe(debut), n);
    }
    // A new closed visit, its number returned.
    uint32_t garder(int64_t debut, int64_t fin, uint32_t precedente);
    // The latest visit ends: counted, kept before the next one.
    void fermer(uint32_t n) {
        Visiteur& v = visiteurs_[n];
        const int64_t d = debut(n);
        v.precedentes = garder(d, v.fin, v.precedentes);
        compter(d, v.fin, 1);
        if (v.duree == kDureeLongue) {
            debutsLongs_.erase(n);
            v.duree = 0;
        }
    }
    void allongerLongue(uint32_t n, int64_t t);
    void requeteEnRetard(uint32_t n, int64_t t, int32_t jour);
    // Adds the requests from `debut` to `fin` (a visit of another stretch) to visitor n's
    // visits; its days are left to the caller.
    void placer(uint32_t n, int64_t debut, int64_t fin);
    uint32_t joindre(int64_t& debut, uint32_t liste);
    void placerAvant(uint32_t& tete, int64_t debut, int64_t fin);
    // Adds visitor `nb` of `b` to visitor `n` here (just added when new).
    void fusionner(uint32_t n, const ComptesVisites& b, uint32_t nb, bool suite);
    // Copies b's closed visits of list `liste` (latest first), already counted, in front of the
    // list `tete` here; returns the new head.
    uint32_t copierFermees(const ComptesVisites& b, uint32_t liste, uint32_t tete);
    // Places every visit of visitor nb of `b` among those of visitor n, taking back b's counts
    // of those it closed.
    void placerVisitesDe(uint32_t n, const ComptesVisites& b, uint32_t nb);
    // The bits of `jours` (of a day `jourFin`) for a day `ecart` days later; the days that fall
    // out are set aside for visitor n.
    uint32_t decaler(uint32_t n, uint32_t jours, int64_t ecart, int32_t jourFin);
    void noterJour(uint32_t n, int32_t jour);

    TableauBloc<Visiteur> visiteurs_;
    IndexVisiteurs ipv4_, textes_;
    TableauBloc<Fermee> fermees_;
    int64_t nbVisites_ = 0, dureeVisites_ = 0;  // the visits in fermees_ still apart
    int64_t premier_ = INT64_MAX;               // the earliest request time
    ComptesParJour visitesParJour_;
    std::vector<JourAParte> joursAPart_;
    std::unordered_map<uint32_t, int64_t> debutsLongs_;  // by visitor
    std::unordered_map<uint32_t, int64_t> finsLongues_;  // by closed visit
};

}  // namespace kestrane
