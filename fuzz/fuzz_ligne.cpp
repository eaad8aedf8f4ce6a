// analyserLigne, its classifiers, the integer conversion and the detail text against the rules.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

#include "core/journal/Erreur.h"
#include "core/lecture/ULog.h"
#include "core/lecture/UString.h"
#include "fuzz/Regles.h"

using namespace kestrane;

namespace {

void exiger(bool condition) {
    if (!condition) std::abort();
}

void memeTexte(std::string_view programme, const std::string& regle) {
    exiger(programme == regle);
}

// A field longer than kCitationMax is quoted cut, with its length.
std::string messageEntier(const std::string& texte) {
    return citerChamp(texte) + " n'est pas une valeur enti\xE8re correcte";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    const std::string texte(reinterpret_cast<const char*>(donnees), taille);

    // The conversions, on the whole input.
    const auto attendu32 = regles::entier(texte, 32), attendu64 = regles::entier(texte, 64);
    int32_t v32 = 0;
    int64_t v64 = 0;
    exiger(essayerConvertirEntier(texte, v32) == attendu32.has_value());
    if (attendu32) exiger(v32 == *attendu32);
    exiger(essayerConvertirEntier64(texte, v64) == attendu64.has_value());
    if (attendu64) exiger(v64 == *attendu64);

    // The classifiers, on the whole input.
    memeTexte(extraireFichier(texte), regles::fichier(texte));
    memeTexte(extraireNavigateur(texte), regles::navigateur(texte));
    memeTexte(extraireSysteme(texte), regles::systeme(texte));

    // The line.
    const regles::Analyse a = regles::analyser(texte);
    try {
        const RLog r = analyserLigne(texte);
        exiger(!a.erreur);
        const regles::Ligne& l = a.ligne;
        exiger(r.ip1 == l.ip[0] && r.ip2 == l.ip[1] && r.ip3 == l.ip[2] && r.ip4 == l.ip[3]);
        memeTexte(r.autre, l.autre);
        memeTexte(r.logname, l.logname);
        memeTexte(r.date, l.date);
        memeTexte(r.heure, l.heure);
        memeTexte(r.fuseau, l.fuseau);
        memeTexte(r.requete, l.requete);
        memeTexte(r.fichierCharge, l.fichierCharge);
        memeTexte(r.pagePrecedente, l.pagePrecedente);
        memeTexte(r.navigateur, l.navigateur);
        memeTexte(r.systeme, l.systeme);
        exiger(r.codeRenvoye == l.codeRenvoye && r.chargement == l.chargement);
        exiger(detailLog(r) == regles::detail(l));
    } catch (const ErreurKestrane& e) {
        exiger(a.erreur && e.message() == messageEntier(*a.erreur));
    }

    // The reading that skips non-conforming lines: a client of any text, escaped quotes.
    const regles::Analyse s = regles::analyserSouple(texte);
    RLog r;
    std::string_view fautif;
    const bool lue = analyserLigneSouple(texte, r, fautif);
    exiger(lue == !s.erreur);
    if (!lue) {
        memeTexte(fautif, *s.erreur);
        return 0;
    }
    const regles::Ligne& l = s.ligne;
    memeTexte(r.adresse, l.adresse);
    exiger(r.ip1 == l.ip[0] && r.ip2 == l.ip[1] && r.ip3 == l.ip[2] && r.ip4 == l.ip[3]);
    for (const auto& [programme, regle] : {std::pair{r.autre, &l.autre},
                                           {r.logname, &l.logname},
                                           {r.date, &l.date},
                                           {r.heure, &l.heure},
                                           {r.fuseau, &l.fuseau},
                                           {r.requete, &l.requete},
                                           {r.fichierCharge, &l.fichierCharge},
                                           {r.pagePrecedente, &l.pagePrecedente},
                                           {r.navigateur, &l.navigateur},
                                           {r.systeme, &l.systeme}}) {
        memeTexte(programme, *regle);
    }
    exiger(r.codeRenvoye == l.codeRenvoye && r.chargement == l.chargement);
    return 0;
}
