// The visitors of one stretch of the journal, their visits and their days, in the fewest bytes a
// line has to touch: one 32-byte slot per visitor, found by its client's number and checked by
// its agent. A visit that ends (a later request 30 minutes or more after it) is counted at once
// and kept, for the lines written late that may still join it and for the merge of the
// stretches; the days are bits beside the latest request.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/audience/Audience.h"
#include "core/audience/Index.h"
#include "core/journal/Memoire.h"

namespace kestrane {

inline constexpr uint32_t kAucune = UINT32_MAX;

inline constexpr int64_t kSecondesParJour = 86400;

inline int32_t jourDe(int64_t secondes) {
    return static_cast<int32_t>((secondes >= 0 ? secondes : secondes - (kSecondesParJour - 1)) /
                                kSecondesParJour);
}

// A client (an IPv4 address as a number, or the number of a client written otherwise) with one
// user agent: a slot of TableVisiteurs, what a line of the visitor reads and writes.
struct Visiteur {
    uint32_t client;
    uint32_t agent;        // the agent's number + 1; 0 for an empty slot
    uint32_t numero;       // visitors are numbered in order of first appearance
    uint32_t precedentes;  // the latest of the visits before the latest one, kAucune for none
    // Bit k: a dated request k days before the day of `fin`. 0 until the first dated request.
    uint32_t jours;
    // The latest visit: from `fin - duree` to `fin`, the visitor's last request time. A visit
    // of 136 years or more keeps its start in ComptesVisites::debutsLongs_ (kDureeLongue).
    uint32_t duree;
    int64_t fin;
    int64_t requetes, octets;
};
static_assert(sizeof(Visiteur) == 48);
inline constexpr uint32_t kDureeLongue = UINT32_MAX;

// Visitors by client and agent, in open addressing: a lookup reads one slot, or a few.
class TableVisiteurs {
  public:
    TableVisiteurs() { creer(std::size_t{1} << 10); }
    TableVisiteurs(const TableVisiteurs&) = delete;
    TableVisiteurs& operator=(const TableVisiteurs&) = delete;

    // Starts bringing the client's first slot into the cache, for a lookup a line later.
    void precharger(uint32_t client) const {
        const char* c = reinterpret_cast<const char*>(cases_ + depart(client));
        __builtin_prefetch(c);
        __builtin_prefetch(c + sizeof(Visiteur) - 1);
    }
    // The visitor of the client whose agent `memeAgent(agent number)` accepts; null when none.
    template <typename F>
    Visiteur* trouver(uint32_t client, const F& memeAgent) {
        for (std::size_t c = depart(client);; c = (c + 1) & masque_) {
            Visiteur& v = cases_[c];
            if (v.agent == 0) return nullptr;
            if (v.client == client && memeAgent(v.agent - 1)) return &v;
        }
    }
    Visiteur* trouver(uint32_t client, uint32_t agent) {
        return trouver(client, [agent](uint32_t a) { return a == agent; });
    }
    // A new visitor (absent from the table), without a request. References to other slots do
    // not hold past this call.
    Visiteur& ajouter(uint32_t client, uint32_t agent, uint32_t numero);

    std::size_t taille() const { return taille_; }
    template <typename F>
    void pourChaque(const F& f) {
        for (std::size_t c = 0; c <= masque_; ++c) {
            if (cases_[c].agent != 0) f(cases_[c]);
        }
    }

  private:
    std::size_t depart(uint32_t client) const {
        return static_cast<std::size_t>((client * 0x9E3779B97F4A7C15ull) >> decalage_);
    }
    void creer(std::size_t nbCases);

    std::unique_ptr<BlocMemoire> bloc_;
    Visiteur* cases_ = nullptr;
    std::size_t masque_ = 0;
    int decalage_ = 64;
    std::size_t taille_ = 0;
};

// Who a visitor is, for what is kept beside the slots (slots move when the table grows).
struct CleVisiteur {
    bool texte;              // a client written otherwise than as an IPv4 address
    uint32_t client, agent;  // the agent's number
    bool operator<(const CleVisiteur& c) const {
        return std::tie(texte, client, agent) < std::tie(c.texte, c.client, c.agent);
    }
    bool operator==(const CleVisiteur& c) const {
        return texte == c.texte && client == c.client && agent == c.agent;
    }
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

// The visits and days of the visitors of one stretch. A visit is the run of a visitor's requests
// whose gaps, in time order, are under kEcartVisite; a visitor keeps its latest visit in its
// slot and the earlier ones in `fermees_`, linked from the latest back.
class ComptesVisites {
  public:
    TableVisiteurs ipv4, textes;

    TableVisiteurs& table(bool texte) { return texte ? textes : ipv4; }
    // Room for the visits of `lignes` dated requests (each closes one at most), asked for once:
    // the memory is only taken as it is written.
    void reserver(std::size_t lignes) {
        try {
            fermees_.reserver(lignes);
        } catch (const std::bad_alloc&) {
            // It grows as it goes instead.
        }
    }

    // A request of `v` (in table(texte)) at `t` seconds, on day `jour` (jourDe(t)).
    void requete(Visiteur& v, bool texte, int64_t t, int32_t jour) {
        if (t < premier_) premier_ = t;
        if (v.jours == 0) {
            v.fin = t;
            v.duree = 0;
            v.jours = 1;
            return;
        }
        if (t < v.fin) {
            requeteEnRetard(v, texte, t, jour);
            return;
        }
        // The usual case, lines coming nearly in time order.
        const int64_t finAvant = v.fin;
        if (t - v.fin >= kEcartVisite) {
            fermer(v, texte);
            v.duree = 0;
        } else if (v.duree != kDureeLongue && static_cast<uint64_t>(t - v.fin) <
                                                  static_cast<uint64_t>(kDureeLongue - v.duree)) {
            v.duree += static_cast<uint32_t>(t - v.fin);
        } else {
            allongerLongue(v, texte, t);
        }
        v.fin = t;
        if (finAvant < static_cast<int64_t>(jour) * kSecondesParJour) {
            const int32_t jourFin = jourDe(finAvant);
            v.jours = decaler(v, texte, v.jours, jour - jourFin, jourFin) | 1;
        }
    }

    // Adds visitor `b` of `autre`, a later stretch, to `a`, the same visitor here (just added
    // when new): visits joined where they meet, days together. The visits `autre` closed are
    // in its totals, which ajouterTotaux adds.
    void fusionner(Visiteur& a, bool texte, const Visiteur& b, const ComptesVisites& autre);
    // The counts of the later stretch's visits that were closed there, and its days kept aside,
    // their visitors renamed by `cle`.
    template <typename Renommer>
    void ajouterTotaux(const ComptesVisites& b, const Renommer& cle) {
        nbVisites_ += b.nbVisites_;
        premier_ = std::min(premier_, b.premier_);
        dureeVisites_ += b.dureeVisites_;
        visitesParJour_.ajouter(b.visitesParJour_);
        for (const JourAParte& j : b.joursAPart_) joursAPart_.push_back({cle(j.visiteur), j.jour});
    }

    // The totals, once every line is counted (the stretches merged into this one): visits
    // (count, seconds, per starting day) and visitor-days (count, per day).
    struct Totaux {
        int64_t visites = 0, dureeVisites = 0, visiteurs = 0;
        ComptesParJour visitesParJour, visiteursParJour;
        // The visitor-days outside the visitors' bits, by visitor: mostly none.
        std::map<CleVisiteur, int64_t> joursAPart;
        // A visitor's days, out of these totals.
        int64_t jours(const Visiteur& v, bool texte) const;
    };
    Totaux totaux();

  private:
    struct Fermee {
        int64_t debut, fin;
        uint32_t precedente;
    };
    // A visitor-day out of its visitor's bits: the day is more than 31 days before the day of
    // the visitor's latest request. One day may be there several times.
    struct JourAParte {
        CleVisiteur visiteur;
        int32_t jour;
        bool operator<(const JourAParte& j) const {
            return visiteur < j.visiteur || (visiteur == j.visiteur && jour < j.jour);
        }
        bool operator==(const JourAParte& j) const {
            return visiteur == j.visiteur && jour == j.jour;
        }
    };

    static CleVisiteur cle(const Visiteur& v, bool texte) { return {texte, v.client, v.agent - 1}; }
    int64_t debut(const Visiteur& v, bool texte) const;
    // Sets the start of v's latest visit, `fin` being set.
    void fixerDebut(Visiteur& v, bool texte, int64_t debut);
    // The start of a long latest visit, no longer kept aside (duree 0).
    int64_t oublierDebut(Visiteur& v, bool texte);

    void compter(int64_t debut, int64_t fin, int64_t n) {
        nbVisites_ += n;
        dureeVisites_ += n * (fin - debut);
        visitesParJour_.ajouter(jourDe(debut), n);
    }
    // The latest visit ends: counted, kept before the next one.
    void fermer(Visiteur& v, bool texte) {
        int64_t d = v.fin - v.duree;
        if (v.duree == kDureeLongue) d = oublierDebut(v, texte);
        fermees_.push_back({d, v.fin, v.precedentes});
        v.precedentes = static_cast<uint32_t>(fermees_.size() - 1);
        compter(d, v.fin, 1);
    }
    void allongerLongue(Visiteur& v, bool texte, int64_t t);
    void requeteEnRetard(Visiteur& v, bool texte, int64_t t, int32_t jour);
    // Adds the requests from `debut` to `fin` (a visit of another stretch) to v's visits; v's
    // days are left to the caller.
    void placer(Visiteur& v, bool texte, int64_t debut, int64_t fin);
    uint32_t joindre(int64_t& debut, uint32_t liste);
    // Places every visit of `b` (of `autre`) among those of `a`, taking back autre's counts of
    // those it closed.
    void placerVisitesDe(Visiteur& a, bool texte, const Visiteur& b, const ComptesVisites& autre);
    void placerAvant(uint32_t& tete, int64_t debut, int64_t fin);
    // The bits of `jours` (of a day `jourFin`) for a day `ecart` days later; the days that fall
    // out are set aside.
    uint32_t decaler(const Visiteur& v, bool texte, uint32_t jours, int64_t ecart, int32_t jourFin);
    void noterJour(Visiteur& v, bool texte, int32_t jour);

    TableauBloc<Fermee> fermees_;
    int64_t nbVisites_ = 0, dureeVisites_ = 0;  // the visits in fermees_ still apart
    int64_t premier_ = INT64_MAX;               // the earliest request time
    ComptesParJour visitesParJour_;
    std::vector<JourAParte> joursAPart_;
    std::map<CleVisiteur, int64_t> debutsLongs_;
};

}  // namespace kestrane
