#include "core/analyse/BornesDates.h"

#include <algorithm>

#include "core/journal/Calendrier.h"
#include "core/lecture/IndexCles.h"

namespace kestrane {

namespace {

void copier(std::string_view (&vue)[2], std::string (&texte)[2]) {
    if (vue[0].data() == nullptr) return;
    texte[0].assign(vue[0]);
    texte[1].assign(vue[1]);
    vue[0] = vue[1] = {};
}

std::string joindre(const std::string (&texte)[2]) {
    return texte[0] + " " + texte[1];
}

}  // namespace

void BornesDates::lire(std::string_view date, std::string_view heure) {
    // Lines come in bursts of one day: the day is read again only when the date's text changes.
    if (!dateLue_ || !memesOctets(date, date_)) {
        date_.assign(date);
        dateLue_ = true;
        jourValide_ = lireJour(date, jour_);
        if (jourValide_) {
            premierJour_ = jours_ ? std::min(premierJour_, jour_) : jour_;
            dernierJour_ = jours_ ? std::max(dernierJour_, jour_) : jour_;
            jours_ = true;
        }
    }
    int64_t secondes;
    if (!jourValide_ || !lireHeure(heure, secondes)) return;
    const int64_t instant = jour_ * kSecondesParJour + secondes;
    // A date read is never empty: its view's data is never null.
    if (!instants_ || instant < premiere_) {
        premiere_ = instant;
        vuePremiere_[0] = date;
        vuePremiere_[1] = heure;
    }
    if (!instants_ || instant > derniere_) {
        derniere_ = instant;
        vueDerniere_[0] = date;
        vueDerniere_[1] = heure;
    }
    instants_ = true;
}

void BornesDates::garder() {
    copier(vuePremiere_, textePremiere_);
    copier(vueDerniere_, texteDerniere_);
}

void BornesDates::ajouter(const BornesDates& suite) {
    if (suite.jours_) {
        premierJour_ = jours_ ? std::min(premierJour_, suite.premierJour_) : suite.premierJour_;
        dernierJour_ = jours_ ? std::max(dernierJour_, suite.dernierJour_) : suite.dernierJour_;
        jours_ = true;
    }
    if (!suite.instants_) return;
    if (!instants_ || suite.premiere_ < premiere_) {
        premiere_ = suite.premiere_;
        textePremiere_[0] = suite.textePremiere_[0];
        textePremiere_[1] = suite.textePremiere_[1];
    }
    if (!instants_ || suite.derniere_ > derniere_) {
        derniere_ = suite.derniere_;
        texteDerniere_[0] = suite.texteDerniere_[0];
        texteDerniere_[1] = suite.texteDerniere_[1];
    }
    instants_ = true;
}

std::string BornesDates::premiere() const {
    return instants_ ? joindre(textePremiere_) : std::string();
}

std::string BornesDates::derniere() const {
    return instants_ ? joindre(texteDerniere_) : std::string();
}

int64_t BornesDates::nbJours() const {
    return jours_ ? dernierJour_ - premierJour_ + 1 : 0;
}

}  // namespace kestrane
