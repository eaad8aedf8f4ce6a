// The supplementary counts (status codes, files answered 404 or 5xx, traffic by day, first and
// last dates) of the lines an analysis keeps, on one stretch or two, against sums written plainly:
// a record at a time, dates read field by field and days counted one by one from 1970.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/analyse/Complements.h"
#include "core/analyse/Decomptes.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Erreur.h"
#include "core/lecture/TableauLog.h"

using namespace kestrane;

namespace {

void exiger(bool condition) {
    if (!condition) std::abort();
}

struct Date {
    int64_t annee;
    int mois, jour;
    auto operator<=>(const Date&) const = default;
};

bool bissextile(int64_t a) {
    return a % 400 == 0 || (a % 4 == 0 && a % 100 != 0);
}

int joursDe(int64_t a, int m) {
    const int jours[] = {31, bissextile(a) ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return jours[m - 1];
}

std::optional<int> lireChiffres(const std::string& t, std::size_t debut, std::size_t n) {
    int v = 0;
    for (std::size_t k = debut; k < debut + n; ++k) {
        if (t[k] < '0' || t[k] > '9') return std::nullopt;
        v = v * 10 + (t[k] - '0');
    }
    return v;
}

// "06/Dec/2006"
std::optional<Date> lireDate(const std::string& t) {
    static const char* const kMois[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (t.size() != 11 || t[2] != '/' || t[6] != '/') return std::nullopt;
    const auto j = lireChiffres(t, 0, 2), a = lireChiffres(t, 7, 4);
    int m = 0;
    for (int k = 0; k < 12; ++k) {
        if (t.substr(3, 3) == kMois[k]) m = k + 1;
    }
    if (!j || !a || m == 0 || *j < 1 || *j > joursDe(*a, m)) return std::nullopt;
    return Date{*a, m, *j};
}

// "10:15:32", in seconds
std::optional<int64_t> lireHeure(const std::string& t) {
    if (t.size() != 8 || t[2] != ':' || t[5] != ':') return std::nullopt;
    const auto h = lireChiffres(t, 0, 2), m = lireChiffres(t, 3, 2), s = lireChiffres(t, 6, 2);
    if (!h || !m || !s || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
    return *h * 3600 + *m * 60 + *s;
}

Date lendemain(Date d) {
    if (++d.jour > joursDe(d.annee, d.mois)) {
        d.jour = 1;
        if (++d.mois > 12) {
            d.mois = 1;
            ++d.annee;
        }
    }
    return d;
}

// Days from 1970-01-01, a year at a time.
int64_t numero(const Date& d) {
    int64_t n = 0;
    for (int64_t a = 1970; a < d.annee; ++a) n += bissextile(a) ? 366 : 365;
    for (int64_t a = d.annee; a < 1970; ++a) n -= bissextile(a) ? 366 : 365;
    for (int m = 1; m < d.mois; ++m) n += joursDe(d.annee, m);
    return n + d.jour - 1;
}

struct Somme {
    __int128 nombre = 0, octets = 0;
};

bool dans64(__int128 v) {
    return v >= INT64_MIN && v <= INT64_MAX;
}

// Files by count, largest first, equal counts in order of first appearance.
std::vector<CompteFichier> classer(const std::vector<std::string>& ordre,
                                   std::map<std::string, int64_t>& comptes) {
    std::vector<CompteFichier> l;
    for (const std::string& f : ordre) l.push_back({f, comptes[f]});
    for (std::size_t i = 1; i < l.size(); ++i) {
        for (std::size_t k = i; k > 0 && l[k - 1].nombre < l[k].nombre; --k) {
            std::swap(l[k - 1], l[k]);
        }
    }
    return l;
}

// The path a 404 or 5xx is named by: "METHOD path" or "METHOD path protocol", the method in
// capitals, '-' or '_', no piece empty; any other request is its whole text.
std::string chemin(const std::string& requete) {
    std::vector<std::string> morceaux(1);
    for (char c : requete) {
        if (c == ' ')
            morceaux.emplace_back();
        else
            morceaux.back() += c;
    }
    if (morceaux.size() < 2 || morceaux.size() > 3) return requete;
    for (const std::string& m : morceaux)
        if (m.empty()) return requete;
    for (char c : morceaux[0])
        if (!((c >= 'A' && c <= 'Z') || c == '-' || c == '_')) return requete;
    return morceaux[1];
}

bool memesFichiers(const std::vector<CompteFichier>& a, const std::vector<CompteFichier>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k].fichier != b[k].fichier || a[k].nombre != b[k].nombre) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
    if (taille > 1 << 16) return 0;
    // One input in two on both stretches, with the thresholds lowered.
    kSeuilDeuxFilsLignes = taille > 0 && donnees[0] % 2 == 0 ? 8 : SIZE_MAX;
    const Journal j =
        Journal::depuisTexte(std::string(reinterpret_cast<const char*>(donnees), taille));
    TableauLog t;
    ComptesComplements comptes;
    t.memoriser(j, {}, &comptes, examinerLigne);

    // The plain sums over the kept records.
    __int128 requetes = 0, octets = 0, illisibles = 0;
    std::map<int32_t, Somme> codes;
    std::map<std::string, int64_t> n404, n5xx;
    std::vector<std::string> ordre404, ordre5xx;
    std::map<Date, Somme> jours;
    std::optional<std::pair<Date, int64_t>> premiere, derniere;
    for (std::size_t k = 0; k < t.taille(); ++k) {
        const RLog r = t[k];
        ++requetes;
        octets += r.chargement;
        ++codes[r.codeRenvoye].nombre;
        codes[r.codeRenvoye].octets += r.chargement;
        const std::string fichier = chemin(std::string(r.requete));
        if (r.codeRenvoye == 404 && n404[fichier]++ == 0) ordre404.push_back(fichier);
        if (r.codeRenvoye >= 500 && r.codeRenvoye <= 599 && n5xx[fichier]++ == 0) {
            ordre5xx.push_back(fichier);
        }
        const auto date = lireDate(std::string(r.date));
        const auto heure = lireHeure(std::string(r.heure));
        // A day that reads counts the line, whatever its time; the first and last instants are
        // those of the lines whose time reads too.
        if (!date) {
            ++illisibles;
            continue;
        }
        ++jours[*date].nombre;
        jours[*date].octets += r.chargement;
        if (!heure) continue;
        const std::pair<Date, int64_t> instant{*date, *heure};
        if (!premiere || instant < *premiere) premiere = instant;
        if (!derniere || *derniere < instant) derniere = instant;
    }
    // Sums past 64 bits are the overflow checks' business, not these counts'.
    bool representables = dans64(octets);
    for (const auto& [code, s] : codes) representables = representables && dans64(s.octets);
    for (const auto& [d, s] : jours) representables = representables && dans64(s.octets);
    if (!representables) return 0;

    const Complements c = comptes.resultat(0);
    exiger(c.lignesAnalysees == requetes);
    exiger(c.requetes == requetes && c.octets == octets && c.datesIllisibles == illisibles);
    exiger(c.codes.size() == codes.size());
    std::size_t k = 0;
    for (const auto& [code, s] : codes) {
        exiger(c.codes[k].code == code && c.codes[k].nombre == s.nombre &&
               c.codes[k].octets == s.octets);
        ++k;
    }
    exiger(memesFichiers(c.introuvables, classer(ordre404, n404)));
    exiger(memesFichiers(c.erreursServeur, classer(ordre5xx, n5xx)));
    exiger(c.dates == premiere.has_value());
    if (premiere) {
        exiger(c.premiere.secondes == numero(premiere->first) * 86400 + premiere->second);
        exiger(c.derniere.secondes == numero(derniere->first) * 86400 + derniere->second);
    }
    if (jours.empty()) return 0;
    const Date premierJour = jours.begin()->first, dernierJour = jours.rbegin()->first;
    exiger(c.nbJours == numero(dernierJour) - numero(premierJour) + 1);
    // Every day from the first to the last; past kJoursContinusMax days, those whose date reads.
    std::vector<CompteJour> attendus;
    const auto ajouter = [&](const Date& d) {
        const Somme s = jours.count(d) ? jours[d] : Somme{};
        attendus.push_back({static_cast<int32_t>(d.annee), d.mois, d.jour,
                            static_cast<int64_t>(s.nombre), static_cast<int64_t>(s.octets)});
    };
    if (c.nbJours <= kJoursContinusMax) {
        for (Date d = premierJour; d <= dernierJour; d = lendemain(d)) ajouter(d);
    } else {
        for (const auto& [d, s] : jours) ajouter(d);
    }
    exiger(c.jours.size() == attendus.size());
    for (std::size_t n = 0; n < attendus.size(); ++n) {
        const CompteJour &a = c.jours[n], &b = attendus[n];
        exiger(a.annee == b.annee && a.mois == b.mois && a.jour == b.jour &&
               a.requetes == b.requetes && a.octets == b.octets);
    }
    return 0;
}
