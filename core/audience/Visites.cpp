#include "core/audience/Visites.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kestrane {

void TableVisiteurs::creer(std::size_t nbCases) {
    bloc_ = std::make_unique<BlocMemoire>(nbCases * sizeof(Visiteur));
    std::memset(bloc_->donnees(), 0, nbCases * sizeof(Visiteur));
    cases_ = reinterpret_cast<Visiteur*>(bloc_->donnees());
    masque_ = nbCases - 1;
    decalage_ = 64 - std::countr_zero(nbCases);
}

Visiteur& TableVisiteurs::ajouter(uint32_t client, uint32_t agent, uint32_t numero) {
    // At most three slots in four taken: a probe mostly ends in the first cache line.
    if ((taille_ + 1) * 4 > (masque_ + 1) * 3) {
        const std::unique_ptr<BlocMemoire> ancien = std::move(bloc_);
        const Visiteur* anciennes = cases_;
        const std::size_t nb = masque_ + 1;
        creer(nb * 2);
        for (std::size_t k = 0; k < nb; ++k) {
            if (anciennes[k].agent == 0) continue;
            std::size_t c = depart(anciennes[k].client);
            while (cases_[c].agent != 0) c = (c + 1) & masque_;
            cases_[c] = anciennes[k];
        }
    }
    std::size_t c = depart(client);
    while (cases_[c].agent != 0) c = (c + 1) & masque_;
    ++taille_;
    cases_[c] = {client, agent + 1, numero, kAucune, 0, 0, 0, 0, 0};
    return cases_[c];
}

int64_t ComptesVisites::debut(const Visiteur& v, bool texte) const {
    if (v.duree != kDureeLongue) return v.fin - v.duree;
    return debutsLongs_.at(cle(v, texte));
}

int64_t ComptesVisites::oublierDebut(Visiteur& v, bool texte) {
    const auto it = debutsLongs_.find(cle(v, texte));
    const int64_t d = it->second;
    debutsLongs_.erase(it);
    v.duree = 0;
    return d;
}

void ComptesVisites::fixerDebut(Visiteur& v, bool texte, int64_t debut) {
    if (v.duree == kDureeLongue) oublierDebut(v, texte);
    if (static_cast<uint64_t>(v.fin - debut) < kDureeLongue) {
        v.duree = static_cast<uint32_t>(v.fin - debut);
    } else {
        v.duree = kDureeLongue;
        debutsLongs_[cle(v, texte)] = debut;
    }
}

void ComptesVisites::allongerLongue(Visiteur& v, bool texte, int64_t t) {
    const int64_t d = debut(v, texte);
    v.fin = t;
    fixerDebut(v, texte, d);
}

void ComptesVisites::requeteEnRetard(Visiteur& v, bool texte, int64_t t, int32_t jour) {
    placer(v, texte, t, t);
    noterJour(v, texte, jour);
}

void ComptesVisites::placer(Visiteur& v, bool texte, int64_t debut, int64_t fin) {
    const int64_t debutV = this->debut(v, texte);
    if (debut - v.fin >= kEcartVisite) {
        // After the latest visit.
        fermer(v, texte);
        v.fin = fin;
        fixerDebut(v, texte, debut);
    } else if (debutV - fin < kEcartVisite) {
        // It reaches the latest visit, which may then reach earlier ones.
        int64_t d = std::min(debutV, debut);
        v.precedentes = joindre(d, v.precedentes);
        v.fin = std::max(v.fin, fin);
        fixerDebut(v, texte, d);
    } else {
        placerAvant(v.precedentes, debut, fin);
    }
}

// The closed visits that a visit starting at `debut` now reaches are joined into it (and no
// longer counted apart); returns what remains of the list, `debut` lowered to the earliest.
uint32_t ComptesVisites::joindre(int64_t& debut, uint32_t liste) {
    while (liste != kAucune && debut - fermees_[liste].fin < kEcartVisite) {
        const Fermee& f = fermees_[liste];
        compter(f.debut, f.fin, -1);
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
    if (k == kAucune || debut - fermees_[k].fin >= kEcartVisite) {
        fermees_.push_back({debut, fin, k});
        compter(debut, fin, 1);
        (suivante == kAucune ? tete : fermees_[suivante].precedente) =
            static_cast<uint32_t>(fermees_.size() - 1);
        return;
    }
    Fermee& f = fermees_[k];
    compter(f.debut, f.fin, -1);
    int64_t d = std::min(f.debut, debut);
    f.precedente = joindre(d, f.precedente);
    f.debut = d;
    f.fin = std::max(f.fin, fin);
    compter(f.debut, f.fin, 1);
}

uint32_t ComptesVisites::decaler(const Visiteur& v, bool texte, uint32_t jours, int64_t ecart,
                                 int32_t jourFin) {
    if (ecart == 0) return jours;
    // The bits k with k + ecart >= 32 fall out.
    const uint32_t sortants = ecart >= 32 ? jours : jours >> (32 - ecart);
    for (uint32_t b = sortants; b != 0; b &= b - 1) {
        const int k = std::countr_zero(b) + (ecart >= 32 ? 0 : 32 - static_cast<int>(ecart));
        joursAPart_.push_back({cle(v, texte), jourFin - k});
    }
    return ecart >= 32 ? 0 : jours << ecart;
}

void ComptesVisites::noterJour(Visiteur& v, bool texte, int32_t jour) {
    const int64_t ecart = static_cast<int64_t>(jourDe(v.fin)) - jour;
    if (ecart < 32) {
        v.jours |= uint32_t{1} << ecart;
    } else {
        joursAPart_.push_back({cle(v, texte), jour});
    }
}

void ComptesVisites::fusionner(Visiteur& a, bool texte, const Visiteur& b,
                               const ComptesVisites& autre) {
    if (b.jours == 0) return;
    if (a.jours == 0) {
        // Its visits and days are those of the later stretch, which counted the closed ones.
        a.fin = b.fin;
        a.jours = b.jours;
        fixerDebut(a, texte, autre.debut(b, texte));
        return;
    }
    const int32_t jourFinA = jourDe(a.fin);
    const int32_t jourFinB = jourDe(b.fin);
    if (autre.premier_ - a.fin >= kEcartVisite) {
        // The usual case: every request of the later stretch comes 30 minutes or more after
        // this visitor's last one here, whose latest visit ends; the visitor's visits there
        // stay as they are, counted there.
        int64_t d = a.fin - a.duree;
        if (a.duree == kDureeLongue) d = oublierDebut(a, texte);
        compter(d, a.fin, 1);
        a.fin = b.fin;
        a.precedentes = kAucune;
        fixerDebut(a, texte, autre.debut(b, texte));
    } else {
        placerVisitesDe(a, texte, b, autre);
    }
    const int32_t jourFin = jourDe(a.fin);
    a.jours = decaler(a, texte, a.jours, jourFin - jourFinA, jourFinA) |
              decaler(a, texte, b.jours, jourFin - jourFinB, jourFinB);
}

void ComptesVisites::placerVisitesDe(Visiteur& a, bool texte, const Visiteur& b,
                                     const ComptesVisites& autre) {
    // In time order, earliest first: each then mostly follows the latest.
    std::vector<uint32_t> liste;
    for (uint32_t k = b.precedentes; k != kAucune; k = autre.fermees_[k].precedente) {
        liste.push_back(k);
    }
    for (auto k = liste.rbegin(); k != liste.rend(); ++k) {
        const Fermee& f = autre.fermees_[*k];
        compter(f.debut, f.fin, -1);  // counted by `autre`: counted again where it goes
        placer(a, texte, f.debut, f.fin);
    }
    placer(a, texte, autre.debut(b, texte), b.fin);
}

ComptesVisites::Totaux ComptesVisites::totaux() {
    Totaux t;
    t.visites = nbVisites_;
    t.dureeVisites = dureeVisites_;
    t.visitesParJour = visitesParJour_;
    for (const bool texte : {false, true}) {
        table(texte).pourChaque([&](const Visiteur& v) {
            if (v.jours == 0) return;
            // The latest visit, still open.
            const int64_t d = debut(v, texte);
            ++t.visites;
            t.dureeVisites += v.fin - d;
            t.visitesParJour.ajouter(jourDe(d), 1);
            const int32_t jourFin = jourDe(v.fin);
            for (uint32_t b = v.jours; b != 0; b &= b - 1) {
                t.visiteursParJour.ajouter(jourFin - std::countr_zero(b), 1);
            }
            t.visiteurs += std::popcount(v.jours);
        });
    }
    std::sort(joursAPart_.begin(), joursAPart_.end());
    joursAPart_.erase(std::unique(joursAPart_.begin(), joursAPart_.end()), joursAPart_.end());
    for (const JourAParte& j : joursAPart_) {
        t.visiteursParJour.ajouter(j.jour, 1);
        ++t.visiteurs;
        ++t.joursAPart[j.visiteur];
    }
    return t;
}

int64_t ComptesVisites::Totaux::jours(const Visiteur& v, bool texte) const {
    int64_t n = std::popcount(v.jours);
    if (!joursAPart.empty()) {
        const auto it = joursAPart.find(cle(v, texte));
        if (it != joursAPart.end()) n += it->second;
    }
    return n;
}

}  // namespace kestrane
