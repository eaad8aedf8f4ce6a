#include "core/analyse/Decomptes.h"

#include <algorithm>

#include "core/analyse/Interne.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Erreur.h"
#include "core/lecture/IndexCles.h"
#include "core/lecture/UString.h"

namespace kestrane {

// ---------------------------------------------------------------------------------------------
// Tallies

namespace {

// `total` + `apport` within the range of `Somme`; past it, the error names line i.
template <typename Somme>
int64_t ajouterALaLigne(int64_t total, int64_t apport, const LignesAnalysees& lignes,
                        std::size_t i) {
    Somme somme;
    if (__builtin_add_overflow(total, apport, &somme)) leverDebordement(lignes.numeroLigne(i));
    return somme;
}

template <std::size_t t>
void compterTextes(const LignesAnalysees& journal, tableauRapportStat& table) {
    table.clear();
    IndexCles<std::string_view> index;
    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
        const RLog r = journal.lire(i);
        const std::string_view cle = cleTexte<t>(r);
        bool nouveau;
        const uint32_t n = index.trouverOuAjouter(cle, nouveau);
        if (nouveau) {
            table.push_back({std::string(cle), {}, 1});
        } else {
            table[n].nombre = ajouterALaLigne<int32_t>(table[n].nombre, 1, journal, i);
        }
    }
}

void compterParAdresse(const LignesAnalysees& journal, tableauRapportStat& table, bool octets) {
    table.clear();
    // Dotted addresses by their numbers, the others by their text; each index gives the entry of
    // its keys, so that the table keeps one order of first appearance for both.
    IndexCles<CleIP> index;
    IndexCles<std::string_view> textes;
    std::vector<uint32_t> entreeIP, entreeTexte;
    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
        const RLog r = journal.lire(i);
        const int64_t apport = octets ? r.chargement : 1;
        bool nouveau;
        std::vector<uint32_t>& entrees = r.adresse.empty() ? entreeIP : entreeTexte;
        const uint32_t n = r.adresse.empty() ? index.trouverOuAjouter(cleAdresse(r), nouveau)
                                             : textes.trouverOuAjouter(r.adresse, nouveau);
        if (nouveau) {
            entrees.push_back(static_cast<uint32_t>(table.size()));
            rapportStat e;
            ajouterAdresse(e.libelle, r);
            e.nombre = apport;
            table.push_back(std::move(e));
        } else if (octets) {
            table[entrees[n]].nombre =
                ajouterALaLigne<int64_t>(table[entrees[n]].nombre, apport, journal, i);
        } else {
            table[entrees[n]].nombre =
                ajouterALaLigne<int32_t>(table[entrees[n]].nombre, apport, journal, i);
        }
    }
}

}  // namespace

void compterAdressesIP(const LignesAnalysees& journal, tableauRapportStat& table) {
    compterParAdresse(journal, table, false);
}
void compterOctets(const LignesAnalysees& journal, tableauRapportStat& table) {
    compterParAdresse(journal, table, true);
}
void compterSystemes(const LignesAnalysees& journal, tableauRapportStat& table) {
    compterTextes<kTableSystemes>(journal, table);
}
void compterNavigateurs(const LignesAnalysees& journal, tableauRapportStat& table) {
    compterTextes<kTableNavigateurs>(journal, table);
}
void compterProvenances(const LignesAnalysees& journal, tableauRapportStat& table) {
    compterTextes<kTableProvenances>(journal, table);
}
void compterFichiers(const LignesAnalysees& journal, tableauRapportStat& table) {
    compterTextes<kTableFichiers>(journal, table);
}

// ---------------------------------------------------------------------------------------------
// Hourly slices

std::string libelleTranche(int c, int largeur) {
    return texteTranche(largeur * c, largeur * c + largeur);
}

int32_t heureDeLigne(std::string_view heure) {
    return convertirEntier(extraireChamp(":", heure));
}

void diviserParJours(tableauRapportStat& table, std::size_t nbJours) {
    if (nbJours == 0) return;
    for (auto& e : table) e.nombre /= static_cast<int64_t>(nbJours);
}

void compterTranchesHoraires(const LignesAnalysees& journal, int largeur,
                             tableauRapportStat& table) {
    largeur = std::clamp(largeur, 1, 24);
    table.assign(1, rapportStat{});
    IndexCles<std::string_view> dates;
    int32_t entreeDeTranche[24];
    std::fill(std::begin(entreeDeTranche), std::end(entreeDeTranche), -1);
    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
        const RLog r = journal.lire(i);
        bool nouvelle;
        dates.trouverOuAjouter(r.date, nouvelle);
        const int32_t h = heureDeLigne(r.heure);
        if (h < 0 || h > 23) continue;  // not an hour of the day: in no slice
        const int c = h / largeur;
        if (entreeDeTranche[c] < 0) {
            entreeDeTranche[c] = static_cast<int32_t>(table.size());
            table.push_back({libelleTranche(c, largeur), std::string(r.date), 1});
        } else {
            auto& e = table[static_cast<std::size_t>(entreeDeTranche[c])];
            e.nombre = ajouterALaLigne<int32_t>(e.nombre, 1, journal, i);
        }
    }
    diviserParJours(table, dates.taille());
}

// ---------------------------------------------------------------------------------------------
// Requests by period

std::string convertirMois(std::string_view a) {
    const int m = moisAbrege(a);
    if (m == 0) return {};
    std::string s(m < 10 ? "0" : "");
    ajouterEntier(s, m);
    return s;
}

rapportStat entreeToutLeFichier(std::size_t nbLignes) {
    if (nbLignes > INT32_MAX) leverDebordement();
    return {kTous, kToutes, static_cast<int64_t>(nbLignes)};
}

void compterRequetes(const LignesAnalysees& journal, std::string_view type,
                     std::string_view valeur1, std::string_view valeur2,
                     tableauRapportStat& table) {
    table.clear();
    if (type == kPeriodeToutLeFichier) {
        table.push_back(entreeToutLeFichier(journal.nbLignes()));
        return;
    }
    enum class Sorte { dates, annee, mois, periode, journee, aucune };
    const Sorte sorte = type.empty()              ? Sorte::dates
                        : type == kPeriodeAnnee   ? Sorte::annee
                        : type == kPeriodeMois    ? Sorte::mois
                        : type == kPeriodePeriode ? Sorte::periode
                        : type == kPeriodeJournee ? Sorte::journee
                                                  : Sorte::aucune;
    if (sorte == Sorte::aucune) return;

    IndexCles<std::string_view> index;
    std::string cleJournee;
    bool bornesLues = false;
    int64_t borne1 = 0, borne2 = 0;
    const auto lireBornes = [&] {
        if (bornesLues) return;
        borne1 = jourCalendaire(valeur1);
        if (sorte == Sorte::periode) borne2 = jourCalendaire(valeur2);
        bornesLues = true;
    };

    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
        const RLog r = journal.lire(i);
        const PiecesDate p = piecesDate(r.date, r.heure);
        std::string_view cle;
        bool compte = true;
        switch (sorte) {
            case Sorte::dates:
                cle = r.date;
                break;
            case Sorte::annee:
                cle = p.moisTexte;
                compte = p.annee == valeur1;
                break;
            case Sorte::mois:
                cle = r.date;
                compte = p.moisTexte == valeur1;
                break;
            case Sorte::periode: {
                const int64_t jour = jourCalendaire(jourDeLigne(p));
                lireBornes();
                cle = r.date;
                compte = borne1 <= jour && jour <= borne2;
                break;
            }
            case Sorte::journee: {
                const int32_t h = convertirEntier(p.heure);
                const int64_t jour = jourCalendaire(jourDeLigne(p));
                lireBornes();
                cleJournee.assign(p.heure);
                cleJournee += kHeureA;
                ajouterEntier(cleJournee, ajouterVerifie(h, 1));
                cleJournee += 'h';
                cle = cleJournee;
                compte = jour == borne1;
                break;
            }
            case Sorte::aucune:
                break;
        }
        if (!compte) continue;
        const int64_t trouve = index.trouver(cle);
        if (trouve >= 0) {
            auto& e = table[static_cast<std::size_t>(trouve)];
            e.nombre = ajouterALaLigne<int32_t>(e.nombre, 1, journal, i);
            continue;
        }
        bool nouveau;
        index.trouverOuAjouter(cle, nouveau);
        std::string complement(r.date);
        complement += ' ';
        complement += r.heure;
        table.push_back({std::string(cle), std::move(complement), 1});
    }
}

ListesPeriodes listesPeriodes(const tableauRapportStat& tableParDate) {
    ListesPeriodes l;
    std::string dernier;
    for (const auto& e : tableParDate) {
        const std::string_view annee = copie(e.libelle, 8, 4);
        if (annee != dernier) {
            dernier = annee;
            l.annees.push_back(dernier);
        }
    }
    for (const auto& e : tableParDate) {
        const std::string_view mois = copie(e.libelle, 4, 8);
        if (mois != dernier) {
            dernier = mois;
            l.mois.push_back(dernier);
        }
    }
    return l;
}

}  // namespace kestrane
