// The readers of the other formats on any bytes: the first line is tried as a format string, the
// others are read in every format. A line that reads gives a record whose texts are never empty
// and whose converted date has the record's shape; W3C lines read alone (with the directives
// looked up) give what they gave in order; detection and format strings end normally.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/lecture/Detection.h"
#include "core/lecture/LecteurLignes.h"
#include "core/lecture/ULog.h"

using namespace kestrane;

namespace {

void exiger(bool condition) {
    if (!condition) std::abort();
}

std::vector<std::string_view> couper(std::string_view t) {
    std::vector<std::string_view> v;
    std::size_t i = 0;
    while (i < t.size()) {
        std::size_t f = t.find('\n', i);
        if (f == std::string_view::npos) f = t.size();
        v.push_back(t.substr(i, f - i));
        i = f + 1;
    }
    return v;
}

// The record's texts, checked, as one text.
std::string verifier(Lecture l, const RLog& r, const ChampsEnPlus& plus) {
    if (l != Lecture::Requete) return l == Lecture::Directive ? "#" : "?";
    for (const std::string_view t : {r.autre, r.logname, r.date, r.heure, r.fuseau, r.requete,
                                     r.pagePrecedente, plus.hoteVirtuel}) {
        exiger(!t.empty());
    }
    if (r.date != "-") exiger(r.date.size() == 11 && r.heure.size() == 8 && r.fuseau.size() == 5);
    for (const auto& a : plus.autres) exiger(!a.nom.empty() && !a.valeur.empty());
    exiger(plus.tempsReponse >= -1);
    return detailLog(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    const std::string texte(reinterpret_cast<const char*>(donnees), taille);
    const std::vector<std::string_view> lignes = couper(texte);
    if (lignes.empty()) return 0;

    std::vector<FormatJournal> formats;
    for (const TypeFormat t : {TypeFormat::Commun, TypeFormat::HoteVirtuel, TypeFormat::NginxHote,
                               TypeFormat::CombineSuivi, TypeFormat::W3C, TypeFormat::Json}) {
        formats.push_back(FormatJournal::propose(t));
    }
    try {
        formats.push_back(FormatJournal::depuisChaine(lignes[0]));
    } catch (const ErreurKestrane& e) {
        exiger(e.message().starts_with("Format de journal incorrect : "));
    }
    try {
        formats.push_back(FormatJournal::json(lireCorrespondanceJson(lignes[0])));
    } catch (const ErreurKestrane& e) {
        exiger(e.message().starts_with("Format de journal incorrect : "));
    }

    for (const FormatJournal& f : formats) {
        LecteurLignes lecteur(f);
        lecteur.listerAutres(true);
        std::vector<std::string> lus;
        for (std::size_t i = 0; i < lignes.size(); ++i) {
            RLog r;
            std::string raison;
            const Lecture l = lecteur.lire(lignes[i], i, r, &raison);
            exiger(l != Lecture::NonConforme || !raison.empty());
            lus.push_back(verifier(l, r, lecteur.enPlus()));
        }
        if (!f.aDirectives()) continue;
        const auto directives =
            DirectivesW3C::indexer(lignes.size(), [&](std::size_t i) { return lignes[i]; });
        LecteurLignes seul(f, directives);
        seul.listerAutres(true);
        for (std::size_t i = lignes.size(); i-- > 0;) {
            RLog r;
            const Lecture l = seul.lire(lignes[i], i, r);
            exiger(verifier(l, r, seul.enPlus()) == lus[i]);
        }
    }
    const Detection d = detecterFormat(lignes.size(), [&](std::size_t i) { return lignes[i]; });
    exiger(d.lues <= d.examinees);
    return 0;
}
