#include "core/historique/PeriodesHistorique.h"

#include "core/journal/Calendrier.h"

namespace kestrane {

int64_t debutDePeriode(int64_t jour, Granularite g) {
    switch (g) {
        case Granularite::jour:
            return jour;
        case Granularite::semaine: {
            // 1970-01-01 was a Thursday: Monday is the day whose number is 4 modulo 7.
            const int64_t depuisLundi = ((jour - 4) % 7 + 7) % 7;
            return jour - depuisLundi;
        }
        case Granularite::mois: {
            int32_t a, m, j;
            dateDuJour(jour, a, m, j);
            return jour - (j - 1);
        }
    }
    return jour;
}

namespace {

int64_t finDePeriode(int64_t debut, Granularite g) {
    switch (g) {
        case Granularite::jour:
            return debut;
        case Granularite::semaine:
            return debut + 6;
        case Granularite::mois: {
            int32_t a, m, j;
            dateDuJour(debut, a, m, j);
            return debut + joursDuMois(a, m) - 1;
        }
    }
    return debut;
}

}  // namespace

std::vector<PeriodeHistorique> periodesHistorique(const std::vector<JourHistorique>& jours,
                                                  Granularite g, int64_t premier, int64_t dernier) {
    std::vector<PeriodeHistorique> periodes;
    if (dernier < premier) return periodes;
    for (int64_t debut = debutDePeriode(premier, g); debut <= dernier;) {
        const int64_t fin = finDePeriode(debut, g);
        periodes.push_back({debut, fin});
        debut = fin + 1;
    }
    std::size_t k = 0;
    for (const JourHistorique& j : jours) {
        if (j.jour < premier || j.jour > dernier) continue;
        while (periodes[k].dernier < j.jour) ++k;  // days come in order
        PeriodeHistorique& p = periodes[k];
        p.requetes += j.requetes;
        p.visiteurs += j.visiteurs;
        p.visites += j.visites;
        p.octets += j.octets;
    }
    return periodes;
}

std::pair<int64_t, int64_t> periodePrecedente(int64_t premier, int64_t dernier) {
    const int64_t duree = dernier - premier + 1;
    return {premier - duree, premier - 1};
}

}  // namespace kestrane
