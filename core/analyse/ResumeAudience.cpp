#include "core/analyse/ResumeAudience.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "core/journal/Langue.h"

namespace kestrane {

std::string dureeFrancaise(double secondes) {
    const auto s = static_cast<int64_t>(std::llround(std::max(0.0, secondes)));
    char t[48];
    if (s < 60) {
        std::snprintf(t, sizeof t, "%lld s", static_cast<long long>(s));
    } else if (s < 3600) {
        std::snprintf(t, sizeof t, "%lld min %02lld s", static_cast<long long>(s / 60),
                      static_cast<long long>(s % 60));
    } else {
        std::snprintf(t, sizeof t, "%lld h %02lld min", static_cast<long long>(s / 3600),
                      static_cast<long long>(s / 60 % 60));
    }
    return t;
}

double partDe(int64_t n, int64_t total) {
    return total > 0 ? 100.0 * static_cast<double>(n) / static_cast<double>(total) : 0.0;
}

std::vector<std::pair<std::string, std::string>> resumeAudience(const Audience& a) {
    char moyenne[32];
    std::snprintf(moyenne, sizeof moyenne, "%.1f", a.requetesParVisite());
    std::string parVisite = moyenne;
    for (char& c : parVisite) {
        if (c == '.') c = virguleDecimale();
    }
    return {
        {kVisiteursUniques, nombreFrancais(a.visiteurs)},
        {kVisites, nombreFrancais(a.visites)},
        {kDureeMoyenneVisite, dureeFrancaise(a.dureeMoyenneVisite())},
        {kRequetesParVisite, parVisite},
        {kRequetesRobots, nombreFrancais(a.requetesRobots) + " (" +
                              pourcentFrancais(partDe(a.requetesRobots, a.requetes)) + ")"},
        {kOctetsRobots, octetsFrancais(a.octetsRobots)},
    };
}

std::vector<JourAudience> joursAudience(const Complements& c, const Audience& a) {
    std::vector<JourAudience> r;
    r.reserve(c.jours.size());
    // Both lists are in date order: one walk through each.
    std::size_t k = 0;
    for (const CompteJour& j : c.jours) {
        const auto date = std::tie(j.annee, j.mois, j.jour);
        while (k < a.jours.size() &&
               std::tie(a.jours[k].annee, a.jours[k].mois, a.jours[k].jour) < date) {
            ++k;
        }
        JourAudience v{j.annee, j.mois, j.jour, 0, 0};
        if (k < a.jours.size() &&
            std::tie(a.jours[k].annee, a.jours[k].mois, a.jours[k].jour) == date) {
            v.visiteurs = a.jours[k].visiteurs;
            v.visites = a.jours[k].visites;
        }
        r.push_back(v);
    }
    return r;
}

}  // namespace kestrane
