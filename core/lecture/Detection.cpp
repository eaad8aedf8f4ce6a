#include "core/lecture/Detection.h"

#include <algorithm>
#include <string>

#include "core/lecture/InterneFormats.h"
#include "core/lecture/LecteurLignes.h"

namespace kestrane {

namespace {

// The lines the default reading cuts into exactly the fields of a combined line.
std::size_t compterCombinees(const std::vector<std::string_view>& lignes) {
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

std::size_t compterLues(TypeFormat type, const std::vector<std::string_view>& lignes) {
    LecteurLignes lecteur(FormatJournal::propose(type));
    RLog r;
    std::size_t n = 0;
    for (std::size_t i = 0; i < lignes.size(); ++i) {
        n += lecteur.lire(lignes[i], i, r) == Lecture::Requete;
    }
    return n;
}

}  // namespace

Detection detecterFormat(std::size_t nbLignes,
                         const std::function<std::string_view(std::size_t)>& ligne) {
    Detection d;
    d.examinees = std::min(nbLignes, kLignesDetection);
    std::vector<std::string_view> lignes;
    lignes.reserve(d.examinees);
    for (std::size_t i = 0; i < d.examinees; ++i) {
        const std::string_view l = ligne(i);
        // Too long to be a request: stands for no format (an empty line reads in none). A W3C
        // directive is kept whatever its length: its "#Fields:" may name thousands of columns.
        const bool directive = !l.empty() && l[0] == '#';
        lignes.push_back(directive || l.size() <= kLongueurDetection ? l : std::string_view());
    }
    for (const FormatPropose& f : formatsProposes()) {
        if (f.type == TypeFormat::Automatique || f.type == TypeFormat::Personnalise) continue;
        const std::size_t lues =
            f.type == TypeFormat::Defaut ? compterCombinees(lignes) : compterLues(f.type, lignes);
        d.scores.emplace_back(f.type, lues);
        if (lues > d.lues) {
            d.lues = lues;
            d.type = f.type;
        }
    }
    return d;
}

}  // namespace kestrane
