// The statistics pass in one go: every table of the pass from one reading of each record, on
// both cores, merged so that each table is exactly the one its own tally would build.
#include <algorithm>
#include <exception>
#include <thread>

#include "log/Erreur.h"
#include "log/UString.h"
#include "stats/IndexCles.h"
#include "stats/Interne.h"
#include "stats/UFonctionsKestrane.h"

namespace kestrane {

namespace {

constexpr int64_t kMax32 = INT32_MAX;

// Counts by text key, in order of first appearance, remembering the last key seen: log lines
// come in bursts (one client, one day, one robot), so most lookups end on that comparison.
struct CompteurTexte {
    IndexCles<std::string_view> index;
    std::vector<int64_t> nombres;
    std::string_view dernier;
    uint32_t numeroDernier = UINT32_MAX;

    // Returns true when the key is new.
    bool compter(std::string_view cle, int64_t apport = 1) {
        if (numeroDernier != UINT32_MAX && cle == dernier) {
            nombres[numeroDernier] += apport;
            return false;
        }
        bool nouveau;
        numeroDernier = index.trouverOuAjouter(cle, nouveau);
        dernier = cle;
        if (nouveau) {
            nombres.push_back(apport);
        } else {
            nombres[numeroDernier] += apport;
        }
        return nouveau;
    }
};

struct Cumul {
    IndexCles<CleIP> ip;
    std::vector<int64_t> ipNombre, ipOctets;
    CleIP ipDerniere{};
    uint32_t numeroIPDerniere = UINT32_MAX;
    CompteurTexte os, nav, precedent, fichier, dates;
    std::vector<std::string_view> heureDeDate;  // time of the first line of each date
    // Slices, by slice number c (hour / width), in order of first appearance.
    std::vector<int> ordreTranches;
    int64_t nombreTranche[24] = {};
    std::string_view dateTranche[24];
    bool tranchevue[24] = {};
    std::string_view heureDerniere;
    int32_t heureConvertie = 0;
    bool octetsNegatifs = false;
    bool echec = false;

    void ajouter(const RLog& r, int largeur) {
        const CleIP cle{{r.ip1, r.ip2, r.ip3, r.ip4}};
        uint32_t n = numeroIPDerniere;
        if (n == UINT32_MAX || !(cle == ipDerniere)) {
            bool nouveau;
            n = ip.trouverOuAjouter(cle, nouveau);
            if (nouveau) {
                ipNombre.push_back(0);
                ipOctets.push_back(0);
            }
            ipDerniere = cle;
            numeroIPDerniere = n;
        }
        ++ipNombre[n];
        ipOctets[n] += r.chargement;
        octetsNegatifs |= r.chargement < 0;

        os.compter(r.systeme);
        nav.compter(r.navigateur);
        precedent.compter(r.pagePrecedente);
        fichier.compter(r.fichierCharge);
        if (dates.compter(r.date)) heureDeDate.push_back(r.heure);

        if (heureDerniere.data() == nullptr || r.heure != heureDerniere) {
            std::string_view h = r.heure;
            if (!essayerConvertirEntier(extraireChamp(":", h), heureConvertie)) {
                echec = true;
                return;
            }
            heureDerniere = r.heure;
        }
        if (heureConvertie < 0 || heureConvertie > 23) return;
        const int c = heureConvertie / largeur;
        if (!tranchevue[c]) {
            tranchevue[c] = true;
            ordreTranches.push_back(c);
            dateTranche[c] = r.date;
        }
        ++nombreTranche[c];
    }
};

void cumulerTranche(Cumul& cumul, const Journal& journal, const TableauLog* enregistrements,
                    std::size_t debut, std::size_t fin, int largeur) {
    for (std::size_t i = debut; i < fin && !cumul.echec; ++i) {
        if (enregistrements) {
            cumul.ajouter((*enregistrements)[i], largeur);
        } else {
            try {
                cumul.ajouter(analyserLigne(journal.ligne(i)), largeur);
            } catch (const ErreurKestrane&) {
                cumul.echec = true;
            }
        }
    }
}

// Appends b's keys unknown to a after a's, adding the counts of the keys they share.
void fusionner(CompteurTexte& a, const CompteurTexte& b,
               const std::function<void(uint32_t numeroB)>& nouvelle = {}) {
    for (std::size_t k = 0; k < b.index.taille(); ++k) {
        bool nouveau;
        const uint32_t n = a.index.trouverOuAjouter(b.index.cle(k), nouveau);
        if (nouveau) {
            a.nombres.push_back(b.nombres[k]);
            if (nouvelle) nouvelle(static_cast<uint32_t>(k));
        } else {
            a.nombres[n] += b.nombres[k];
        }
    }
}

void fusionner(Cumul& a, const Cumul& b) {
    for (std::size_t k = 0; k < b.ip.taille(); ++k) {
        bool nouveau;
        const uint32_t n = a.ip.trouverOuAjouter(b.ip.cle(k), nouveau);
        if (nouveau) {
            a.ipNombre.push_back(b.ipNombre[k]);
            a.ipOctets.push_back(b.ipOctets[k]);
        } else {
            a.ipNombre[n] += b.ipNombre[k];
            a.ipOctets[n] += b.ipOctets[k];
        }
    }
    a.octetsNegatifs |= b.octetsNegatifs;
    fusionner(a.os, b.os);
    fusionner(a.nav, b.nav);
    fusionner(a.precedent, b.precedent);
    fusionner(a.fichier, b.fichier);
    fusionner(a.dates, b.dates, [&](uint32_t k) { a.heureDeDate.push_back(b.heureDeDate[k]); });
    for (const int c : b.ordreTranches) {
        if (!a.tranchevue[c]) {
            a.tranchevue[c] = true;
            a.ordreTranches.push_back(c);
            a.dateTranche[c] = b.dateTranche[c];
        }
        a.nombreTranche[c] += b.nombreTranche[c];
    }
}

bool tientSur32Bits(const std::vector<int64_t>& v) {
    return std::all_of(v.begin(), v.end(), [](int64_t x) { return x <= kMax32; });
}

tableauRapportStat tableDeTextes(const CompteurTexte& c) {
    tableauRapportStat t(c.index.taille());
    for (std::size_t k = 0; k < t.size(); ++k) {
        t[k].libelle.assign(c.index.cle(k));
        t[k].nombre = static_cast<int32_t>(c.nombres[k]);
    }
    return t;
}

struct Tables {
    tableauRapportStat ip, os, nav, precedent, fichier, taux, tranches, dates;
};

// Every table from one reading; false when only the separate tallies can tell the outcome
// (a line that does not parse, an hour that does not convert, a count beyond 32 bits, or a
// negative byte count, after which a running total may pass the limit on the way).
bool calculerEnUneFois(const Journal& journal, int largeur, const TableauLog* enregistrements,
                       Tables& t) {
    const std::size_t n = journal.nbLignes();
    constexpr std::size_t kSeuilParallele = 1 << 15;
    Cumul a;
    if (n >= kSeuilParallele) {
        Cumul b;
        std::exception_ptr erreurB;
        std::thread second([&] {
            try {
                cumulerTranche(b, journal, enregistrements, n / 2, n, largeur);
            } catch (...) {
                erreurB = std::current_exception();
            }
        });
        try {
            cumulerTranche(a, journal, enregistrements, 0, n / 2, largeur);
        } catch (...) {
            second.join();
            throw;
        }
        second.join();
        if (erreurB) std::rethrow_exception(erreurB);
        if (a.echec || b.echec) return false;
        fusionner(a, b);
    } else {
        cumulerTranche(a, journal, enregistrements, 0, n, largeur);
        if (a.echec) return false;
    }
    if (a.octetsNegatifs || !tientSur32Bits(a.ipNombre) || !tientSur32Bits(a.ipOctets) ||
        !tientSur32Bits(a.os.nombres) || !tientSur32Bits(a.nav.nombres) ||
        !tientSur32Bits(a.precedent.nombres) || !tientSur32Bits(a.fichier.nombres) ||
        !tientSur32Bits(a.dates.nombres) || n > static_cast<std::size_t>(kMax32)) {
        return false;
    }

    t.ip.resize(a.ip.taille());
    t.taux.resize(a.ip.taille());
    for (std::size_t k = 0; k < a.ip.taille(); ++k) {
        const CleIP& c = a.ip.cle(k);
        ajouterAdresseIP(t.ip[k].libelle, c.v[0], c.v[1], c.v[2], c.v[3]);
        t.taux[k].libelle = t.ip[k].libelle;
        t.ip[k].nombre = static_cast<int32_t>(a.ipNombre[k]);
        t.taux[k].nombre = static_cast<int32_t>(a.ipOctets[k]);
    }
    t.os = tableDeTextes(a.os);
    t.nav = tableDeTextes(a.nav);
    t.precedent = tableDeTextes(a.precedent);
    t.fichier = tableDeTextes(a.fichier);
    t.dates = tableDeTextes(a.dates);
    for (std::size_t k = 0; k < t.dates.size(); ++k) {
        t.dates[k].complement = t.dates[k].libelle;
        t.dates[k].complement += ' ';
        t.dates[k].complement += a.heureDeDate[k];
    }
    t.tranches.assign(1, rapportStat{});
    for (const int c : a.ordreTranches) {
        t.tranches.push_back({libelleTranche(c, largeur), std::string(a.dateTranche[c]),
                              static_cast<int32_t>(a.nombreTranche[c])});
    }
    diviserParJours(t.tranches, t.dates.size());
    return true;
}

}  // namespace

void calculerTables(const Journal& journal, int largeurTranche, const TableauLog* enregistrements,
                    const std::function<void(int etape)>& apresEtape, ListesPeriodes* listes) {
    const int largeur = std::clamp(largeurTranche, 1, 24);
    const auto apres = [&](int etape) {
        if (apresEtape) apresEtape(etape);
    };
    if (enregistrements && !enregistrements->couvre(journal)) enregistrements = nullptr;
    const auto requetes = [&] {
        if (listes) *listes = listesPeriodes(statVMensuelles);
        compterRequetes(journal, kPeriodeToutLeFichier, "", "");
        apres(kEtapeRequetes);
    };
    Tables t;
    if (calculerEnUneFois(journal, largeur, enregistrements, t)) {
        statIP = std::move(t.ip);
        apres(kEtapeIP);
        statOS = std::move(t.os);
        apres(kEtapeOS);
        statNav = std::move(t.nav);
        apres(kEtapeNav);
        statPrecedent = std::move(t.precedent);
        apres(kEtapePrecedent);
        statFichier = std::move(t.fichier);
        apres(kEtapeFichier);
        statTaux = std::move(t.taux);
        apres(kEtapeOctets);
        statHoraires = std::move(t.tranches);
        apres(kEtapeTranches);
        statVMensuelles = std::move(t.dates);
        requetes();
        return;
    }
    compterAdressesIP(journal);
    apres(kEtapeIP);
    compterSystemes(journal);
    apres(kEtapeOS);
    compterNavigateurs(journal);
    apres(kEtapeNav);
    compterProvenances(journal);
    apres(kEtapePrecedent);
    compterFichiers(journal);
    apres(kEtapeFichier);
    compterOctets(journal);
    apres(kEtapeOctets);
    compterTranchesHoraires(journal, largeur);
    apres(kEtapeTranches);
    compterRequetes(journal, "", "", "");
    requetes();
}

}  // namespace kestrane
