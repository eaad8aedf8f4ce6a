#include "core/lecture/Detection.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

#include "core/lecture/InterneFormats.h"
#include "core/lecture/LecteurLignes.h"

namespace kestrane {

namespace {

// The lines the default reading cuts into exactly the fields of a combined line.
std::size_t compterCombinees(std::span<const std::string_view> lignes) {
    Brouillon b;
    ValeursLigne v;
    ChampsEnPlus plus;
    RLog r;
    std::size_t n = 0;
    for (const std::string_view l : lignes) {
        b.preparer(l.size());
        v.vider();
        plus.autres.clear();
        std::size_t atteint = 0;
        if (lireGabarit(gabaritCombine(), l, false, b, v, plus, nullptr, atteint) &&
            construireEnregistrement(v, b, r, plus, nullptr)) {
            ++n;
        }
    }
    return n;
}

// The lines read by one reader, in order (W3C learns its columns from the "#Fields:" lines).
std::size_t compterLues(TypeFormat type, LecteurLignes& lecteur,
                        std::span<const std::string_view> lignes, std::size_t premier) {
    RLog r;
    std::size_t n = 0;
    for (std::size_t i = 0; i < lignes.size(); ++i) {
        // A host left empty is nginx's, never Apache's.
        if (type == TypeFormat::HoteVirtuel && !lignes[i].empty() && lignes[i][0] == ' ') continue;
        n += lecteur.lire(lignes[i], premier + i, r) == Lecture::Requete;
    }
    return n;
}

}  // namespace

Detection detecterFormat(std::size_t nbLignes,
                         const std::function<std::string_view(std::size_t)>& ligne) {
    Detection d;
    // The first lines, then as many spread evenly over the rest, each standing for its share.
    const std::size_t debut = std::min(nbLignes, kLignesDetection);
    const std::size_t reste = nbLignes - debut;
    const std::size_t repartis = std::min(reste, kLignesDetection);
    d.examinees = debut + repartis;
    std::vector<std::string_view> lignes;
    lignes.reserve(d.examinees);
    for (std::size_t k = 0; k < d.examinees; ++k) {
        const std::size_t i = k < debut ? k : debut + (k - debut) * reste / repartis;
        const std::string_view l = ligne(i);
        // Too long to be a request: stands for no format (an empty line reads in none). A W3C
        // directive is kept whatever its length: its "#Fields:" may name thousands of columns.
        const bool directive = !l.empty() && l[0] == '#';
        lignes.push_back(directive || l.size() <= kLongueurDetection ? l : std::string_view());
    }
    const std::span<const std::string_view> premieres(lignes.data(), debut);
    const std::span<const std::string_view> autres(lignes.data() + debut, repartis);
    // The lines a format reads in the whole journal, times `repartis` (exact in 64 bits, and times
    // 1,000 below, for any journal below 10^13 lines).
    const auto estimer = [&](std::size_t dansPremieres, std::size_t dansAutres) {
        return repartis == 0 ? uint64_t{dansPremieres}
                             : uint64_t{dansPremieres} * repartis + uint64_t{dansAutres} * reste;
    };
    std::vector<std::pair<TypeFormat, uint64_t>> estimations;
    for (const FormatPropose& f : formatsProposes()) {
        if (f.type == TypeFormat::Automatique || f.type == TypeFormat::Personnalise) continue;
        std::size_t a, b;
        if (f.type == TypeFormat::Defaut) {
            a = compterCombinees(premieres);
            b = compterCombinees(autres);
        } else {
            LecteurLignes lecteur(FormatJournal::propose(f.type));
            a = compterLues(f.type, lecteur, premieres, 0);
            b = compterLues(f.type, lecteur, autres, debut);
        }
        d.scores.emplace_back(f.type, a + b);
        estimations.emplace_back(f.type, estimer(a, b));
    }
    uint64_t meilleure = 0;
    for (const auto& e : estimations) meilleure = std::max(meilleure, e.second);
    // Within 0.1 % of the most is as much: a few lines that only an unescaping reading takes
    // whole (Apache 1.3 wrote a client's \" as it came) do not make a journal another format.
    for (const TypeFormat t : kOrdreSimplicite) {
        const auto e = std::find_if(estimations.begin(), estimations.end(),
                                    [t](const auto& x) { return x.first == t; });
        if (e != estimations.end() && e->second * 1000 >= meilleure * 999) {
            d.type = t;
            d.lues = std::find_if(d.scores.begin(), d.scores.end(), [t](const auto& x) {
                         return x.first == t;
                     })->second;
            break;
        }
    }
    return d;
}

}  // namespace kestrane
