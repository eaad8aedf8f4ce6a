#include "core/audience/Visites.h"

#include <algorithm>
#include <bit>

namespace kestrane {

void IndexVisiteurs::creer(std::size_t nbCases) {
    cases_.assign(nbCases, Case{0, 0});
    masque_ = nbCases - 1;
    decalage_ = 64 - std::countr_zero(nbCases);
}

void IndexVisiteurs::ajouter(uint32_t client, uint32_t numero) {
    // At most three slots in four taken: a lookup mostly reads one cache line.
    if ((taille_ + 1) * 4 > (masque_ + 1) * 3) {
        std::vector<Case> anciennes;
        anciennes.swap(cases_);
        creer(anciennes.size() * 2);
        for (const Case& k : anciennes) {
            if (k.numero == 0) continue;
            std::size_t c = depart(k.client);
            while (cases_[c].numero != 0) c = (c + 1) & masque_;
            cases_[c] = k;
        }
    }
    std::size_t c = depart(client);
    while (cases_[c].numero != 0) c = (c + 1) & masque_;
    cases_[c] = {client, numero + 1};
    ++taille_;
}

void ComptesVisites::fixerDebut(uint32_t n, int64_t debut) {
    Visiteur& v = visiteurs_[n];
    if (v.duree == kDureeLongue) debutsLongs_.erase(n);
    if (static_cast<uint64_t>(v.fin - debut) < kDureeLongue) {
        v.duree = static_cast<uint32_t>(v.fin - debut);
    } else {
        v.duree = kDureeLongue;
        debutsLongs_[n] = debut;
    }
}

void ComptesVisites::fixer(uint32_t k, int64_t debut, int64_t fin) {
    Fermee& f = fermees_[k];
    if (f.duree == kDureeLongue) finsLongues_.erase(k);
    f.debut = debut;
    if (static_cast<uint64_t>(fin - debut) < kDureeLongue) {
        f.duree = static_cast<uint32_t>(fin - debut);
    } else {
        f.duree = kDureeLongue;
        finsLongues_[k] = fin;
    }
}

uint32_t ComptesVisites::garder(int64_t debut, int64_t fin, uint32_t precedente) {
    const auto k = static_cast<uint32_t>(fermees_.size());
    fermees_.push_back({debut, 0, precedente});
    fixer(k, debut, fin);
    return k;
}

void ComptesVisites::allongerLongue(uint32_t n, int64_t t) {
    const int64_t d = debut(n);
    visiteurs_[n].fin = t;
    fixerDebut(n, d);
}

void ComptesVisites::requeteEnRetard(uint32_t n, int64_t t, int32_t jour) {
    placer(n, t, t);
    noterJour(n, jour);
}

void ComptesVisites::placer(uint32_t n, int64_t debut, int64_t fin) {
    Visiteur& v = visiteurs_[n];
    const int64_t debutV = this->debut(n);
    if (debut - v.fin >= kEcartVisite) {
        // After the latest visit.
        fermer(n);
        v.fin = fin;
        fixerDebut(n, debut);
    } else if (debutV - fin < kEcartVisite) {
        // It reaches the latest visit, which may then reach earlier ones.
        int64_t d = std::min(debutV, debut);
        v.precedentes = joindre(d, v.precedentes);
        v.fin = std::max(v.fin, fin);
        fixerDebut(n, d);
    } else {
        placerAvant(v.precedentes, debut, fin);
    }
}

// The closed visits that a visit starting at `debut` now reaches are joined into it (and no
// longer counted apart); returns what remains of the list, `debut` lowered to the earliest.
uint32_t ComptesVisites::joindre(int64_t& debut, uint32_t liste) {
    while (liste != kAucune && debut - fin(liste) < kEcartVisite) {
        const Fermee& f = fermees_[liste];
        compter(f.debut, fin(liste), -1);
        debut = std::min(debut, f.debut);
        liste = f.precedente;
    }
    return liste;
}

// Adds requests to a list of closed visits, the latest first: the visits later than them by
// kEcartVisite or more are passed over, the one they reach takes them, with the earlier ones it
// then reaches.
void ComptesVisites::placerAvant(uint32_t& tete, int64_t debut, int64_t fin) {
    uint32_t suivante = kAucune;  // the visit after the place, in time
    uint32_t k = tete;
    while (k != kAucune && fermees_[k].debut - fin >= kEcartVisite) {
        suivante = k;
        k = fermees_[k].precedente;
    }
    if (k == kAucune || debut - this->fin(k) >= kEcartVisite) {
        const uint32_t nouvelle = garder(debut, fin, k);
        compter(debut, fin, 1);
        (suivante == kAucune ? tete : fermees_[suivante].precedente) = nouvelle;
        return;
    }
    const int64_t debutK = fermees_[k].debut, finK = std::max(this->fin(k), fin);
    compter(debutK, this->fin(k), -1);
    int64_t d = std::min(debutK, debut);
    fermees_[k].precedente = joindre(d, fermees_[k].precedente);
    fixer(k, d, finK);
    compter(d, finK, 1);
}

uint32_t ComptesVisites::decaler(uint32_t n, uint32_t jours, int64_t ecart, int32_t jourFin) {
    if (ecart == 0) return jours;
    // The bits k with k + ecart >= 32 fall out.
    const uint32_t sortants = ecart >= 32 ? jours : jours >> (32 - ecart);
    for (uint32_t b = sortants; b != 0; b &= b - 1) {
        const int k = std::countr_zero(b) + (ecart >= 32 ? 0 : 32 - static_cast<int>(ecart));
        joursAPart_.push_back({n, jourFin - k});
    }
    return ecart >= 32 ? 0 : jours << ecart;
}

void ComptesVisites::noterJour(uint32_t n, int32_t jour) {
    Visiteur& v = visiteurs_[n];
    const int64_t ecart = static_cast<int64_t>(jourDe(v.fin)) - jour;
    if (ecart < 32) {
        v.jours |= uint32_t{1} << ecart;
    } else {
        joursAPart_.push_back({n, jour});
    }
}

std::vector<uint32_t> ComptesVisites::ajouter(const ComptesVisites& b,
                                              const std::vector<uint32_t>& agentDe,
                                              const std::vector<uint32_t>& texteDe, bool suite) {
    std::vector<uint32_t> visiteurDe(b.visiteurs_.size());
    // The index slot of a visitor a few places ahead is brought from memory meanwhile.
    constexpr uint32_t kAvance = 8;
    for (uint32_t nb = 0; nb < b.visiteurs_.size(); ++nb) {
        if (nb + kAvance < b.visiteurs_.size()) {
            const Visiteur& w = b.visiteurs_[nb + kAvance];
            index(w.texte).precharger(w.texte ? texteDe[w.client] : w.client);
        }
        const Visiteur& vb = b.visiteurs_[nb];
        const uint32_t client = vb.texte ? texteDe[vb.client] : vb.client;
        const uint32_t agent = agentDe[vb.agent];
        uint32_t n = trouver(vb.texte, client, [agent](uint32_t a) { return a == agent; });
        if (n == kAucune) n = ajouter(vb.texte, client, agent);
        visiteurDe[nb] = n;
        Visiteur& v = visiteurs_[n];
        v.requetes += vb.requetes;
        v.octets = ajouterVerifie64(v.octets, vb.octets);
        fusionner(n, b, nb, suite);
    }
    nbVisites_ += b.nbVisites_;
    dureeVisites_ += b.dureeVisites_;
    premier_ = std::min(premier_, b.premier_);
    visitesParJour_.ajouter(b.visitesParJour_);
    for (const JourAParte& j : b.joursAPart_)
        joursAPart_.push_back({visiteurDe[j.visiteur], j.jour});
    return visiteurDe;
}

void ComptesVisites::fusionner(uint32_t n, const ComptesVisites& b, uint32_t nb, bool suite) {
    Visiteur& a = visiteurs_[n];
    const Visiteur& vb = b.visiteurs_[nb];
    if (vb.jours == 0) return;
    if (a.jours == 0) {
        // Its visits and days are those of the later stretch, which counted the closed ones.
        a.fin = vb.fin;
        a.jours = vb.jours;
        fixerDebut(n, b.debut(nb));
        if (suite) a.precedentes = copierFermees(b, vb.precedentes, a.precedentes);
        return;
    }
    const int32_t jourFinA = jourDe(a.fin);
    const int32_t jourFinB = jourDe(vb.fin);
    if (b.premier_ - a.fin >= kEcartVisite) {
        // The usual case: every request of the later stretch comes 30 minutes or more after
        // this visitor's last one here, whose latest visit ends; the visitor's visits there
        // stay as they are, counted there.
        if (suite) {
            fermer(n);
            a.precedentes = copierFermees(b, vb.precedentes, a.precedentes);
        } else {
            compter(debut(n), a.fin, 1);
            a.precedentes = kAucune;
        }
        a.fin = vb.fin;
        fixerDebut(n, b.debut(nb));
    } else {
        placerVisitesDe(n, b, nb);
    }
    const int32_t jourFin = jourDe(a.fin);
    a.jours = decaler(n, a.jours, jourFin - jourFinA, jourFinA) |
              decaler(n, vb.jours, jourFin - jourFinB, jourFinB);
}

uint32_t ComptesVisites::copierFermees(const ComptesVisites& b, uint32_t liste, uint32_t tete) {
    std::vector<uint32_t> fermees;
    for (uint32_t k = liste; k != kAucune; k = b.fermees_[k].precedente) fermees.push_back(k);
    for (auto k = fermees.rbegin(); k != fermees.rend(); ++k) {
        tete = garder(b.fermees_[*k].debut, b.fin(*k), tete);
    }
    return tete;
}

void ComptesVisites::placerVisitesDe(uint32_t n, const ComptesVisites& b, uint32_t nb) {
    // In time order, earliest first: each then mostly follows the latest.
    std::vector<uint32_t> liste;
    for (uint32_t k = b.visiteurs_[nb].precedentes; k != kAucune; k = b.fermees_[k].precedente) {
        liste.push_back(k);
    }
    for (auto k = liste.rbegin(); k != liste.rend(); ++k) {
        const int64_t debut = b.fermees_[*k].debut, fin = b.fin(*k);
        compter(debut, fin, -1);  // counted by `b`: counted again where it goes
        placer(n, debut, fin);
    }
    placer(n, b.debut(nb), b.visiteurs_[nb].fin);
}

ComptesVisites::Totaux ComptesVisites::totaux() {
    Totaux t;
    t.visites = nbVisites_;
    t.dureeVisites = dureeVisites_;
    t.visitesParJour = visitesParJour_;
    t.joursParVisiteur.resize(visiteurs_.size());
    for (uint32_t n = 0; n < visiteurs_.size(); ++n) {
        const Visiteur& v = visiteurs_[n];
        if (v.jours == 0) continue;
        // The latest visit, still open.
        const int64_t d = debut(n);
        ++t.visites;
        t.dureeVisites += v.fin - d;
        t.visitesParJour.ajouter(jourDe(d), 1);
        const int32_t jourFin = jourDe(v.fin);
        for (uint32_t b = v.jours; b != 0; b &= b - 1) {
            t.visiteursParJour.ajouter(jourFin - std::countr_zero(b), 1);
        }
        t.joursParVisiteur[n] = std::popcount(v.jours);
    }
    std::sort(joursAPart_.begin(), joursAPart_.end());
    joursAPart_.erase(std::unique(joursAPart_.begin(), joursAPart_.end()), joursAPart_.end());
    for (const JourAParte& j : joursAPart_) {
        t.visiteursParJour.ajouter(j.jour, 1);
        ++t.joursParVisiteur[j.visiteur];
    }
    for (const int64_t n : t.joursParVisiteur) t.visiteurs += n;
    return t;
}

}  // namespace kestrane
