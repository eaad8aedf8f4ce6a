// The Compléments and audience tables of a report.
#include "core/export/TablesAudience.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/analyse/ResumeAudience.h"
#include "core/audience/BasePays.h"

namespace kestrane {

namespace {

// Bars drawn for the longest tables.
constexpr int kPointsGraphe = 20;

// A table of names and counts: `colonnes` says which of requests ("r"), bytes ("o"), share of all
// requests ("p") and visitors ("v") follow the name.
TableExportee table(std::string_view titre, const char* fichier, std::string_view nom,
                    const std::vector<LigneAudience>& lignes, std::string_view colonnes,
                    int64_t total, bool graphe) {
    TableExportee t;
    t.titre = titre;
    t.fichier = fichier;
    t.entetes = {std::string(nom)};
    t.numeriques = {false};
    for (const char c : colonnes) {
        t.entetes.push_back(c == 'r'   ? kEnteteRequetes
                            : c == 'o' ? kEnteteOctets
                            : c == 'p' ? kEntetePart
                                       : kVisiteursUniques);
        t.numeriques.push_back(true);
    }
    // Without a column of shares of all requests, each row's share of the table's, after the
    // requests.
    const std::size_t part = colonnes.find('p');
    double somme = 0;
    if (part == std::string_view::npos) {
        t.part = 2;
        for (const LigneAudience& l : lignes) somme += static_cast<double>(l.requetes);
    } else {
        t.part = static_cast<int>(part) + 1;
    }
    t.lignes.reserve(lignes.size());
    for (const LigneAudience& l : lignes) {
        if (part == std::string_view::npos) {
            t.parts.push_back(pourcentFrancais(
                somme > 0 ? 100.0 * static_cast<double>(l.requetes) / somme : 0.0));
        }
        std::vector<std::string> cellules{l.nom};
        for (const char c : colonnes) {
            cellules.push_back(c == 'r'   ? std::to_string(l.requetes)
                               : c == 'o' ? std::to_string(l.octets)
                               : c == 'p' ? pourcentFrancais(partDe(l.requetes, total))
                                          : std::to_string(l.visiteurs));
        }
        t.lignes.push_back(std::move(cellules));
    }
    // The chart plots the requests (column 1), as the window's charts do, when there are two.
    if (graphe && lignes.size() >= 2) {
        t.points = static_cast<int>(std::min<std::size_t>(lignes.size(), kPointsGraphe));
        for (int k = 0; k < t.points; ++k) {
            t.valeurs.push_back(static_cast<double>(lignes[static_cast<std::size_t>(k)].requetes));
        }
    }
    return t;
}

std::string deuxChiffres(int v) {
    char t[8];
    std::snprintf(t, sizeof t, "%02d", v);
    return t;
}

}  // namespace

std::vector<TableExportee> tablesAudience(const Audience& a) {
    std::vector<TableExportee> r;
    TableExportee resume;
    resume.titre = kTitreAudience;
    resume.entetes = {kEnteteMesure, kEnteteValeur};
    resume.numeriques = {false, true};
    for (auto& [libelle, valeur] : resumeAudience(a)) resume.lignes.push_back({libelle, valeur});
    r.push_back(std::move(resume));
    r.push_back(table(kTitreSitesReferents, "sites-referents.csv", kEnteteSite, a.sitesReferents,
                      "rp", a.requetes, true));
    r.push_back(table(kTitreRecherches, "recherches.csv", kEnteteTermes, a.recherches, "r",
                      a.requetes, true));
    r.push_back(table(kTitreRobots, "robots.csv", kEnteteRobot, a.robots, "rop", a.requetes, true));
    r.push_back(table(kTitreMethodes, "methodes.csv", kEnteteMethode, a.methodes, "rop", a.requetes,
                      false));
    r.push_back(table(kTitreProtocoles, "protocoles.csv", kEnteteProtocole, a.protocoles, "rop",
                      a.requetes, false));
    TableExportee pays =
        table(kTitrePays, "pays.csv", kEntetePays, a.pays, "rov", a.requetes, true);
    if (!a.avecPays) {
        // No file of countries without a database: the page says how to get one.
        pays.fichier.clear();
        pays.note = std::string(kSansBasePays);
    }
    r.push_back(std::move(pays));
    return r;
}

void ajouterVisiteursParJour(TableExportee& jours, const Complements& c, const Audience& a) {
    jours.entetes.push_back(kVisiteursUniques);
    jours.entetes.push_back(kVisites);
    jours.numeriques.push_back(true);
    jours.numeriques.push_back(true);
    const std::vector<JourAudience> parJour = joursAudience(c, a);
    for (std::size_t k = 0; k < jours.lignes.size(); ++k) {
        const bool jour = k < parJour.size();
        jours.lignes[k].push_back(std::to_string(jour ? parJour[k].visiteurs : 0));
        jours.lignes[k].push_back(std::to_string(jour ? parJour[k].visites : 0));
    }
}

std::vector<TableExportee> tablesComplements(const Complements& c, const Audience* audience) {
    std::vector<TableExportee> r;
    TableExportee codes;
    codes.titre = kTitreCodesRetour;
    codes.fichier = "codes-retour.csv";
    codes.entetes = {kEnteteCode, kEnteteOccurrences, kEnteteOctets, kEntetePart};
    codes.numeriques = {false, true, true, true};
    codes.part = 3;
    for (const CompteCode& k : c.codes) {
        codes.lignes.push_back(
            {texteCode(k.code), std::to_string(k.nombre), std::to_string(k.octets),
             partTexte(static_cast<double>(k.nombre), static_cast<double>(c.requetes))});
    }
    r.push_back(std::move(codes));
    const auto fichiers = [&](std::string_view titre, const char* nom,
                              const std::vector<CompteFichier>& liste) {
        TableExportee t = tableDeComptes(titre, nom, kEnteteFichier, kEnteteOccurrences);
        int64_t total = 0;
        for (const CompteFichier& f : liste) total += f.nombre;
        for (const CompteFichier& f : liste) {
            t.lignes.push_back({f.fichier, std::to_string(f.nombre)});
            t.parts.push_back(partTexte(static_cast<double>(f.nombre), static_cast<double>(total)));
        }
        r.push_back(std::move(t));
    };
    fichiers(kTitrePagesIntrouvables, "pages-introuvables.csv", c.introuvables);
    fichiers(kTitreErreursServeur, "erreurs-serveur.csv", c.erreursServeur);
    TableExportee jours;
    jours.titre = kTitreTraficParJour;
    jours.fichier = "jours.csv";
    jours.entetes = {kEnteteJour, kEnteteRequetes, kEnteteOctets};
    jours.numeriques = {false, true, true};
    for (const CompteJour& j : c.jours) {
        jours.lignes.push_back(
            {deuxChiffres(j.jour) + "/" + deuxChiffres(j.mois) + "/" + std::to_string(j.annee),
             std::to_string(j.requetes), std::to_string(j.octets)});
    }
    // So that the days add up to the requests.
    if (c.datesIllisibles > 0) {
        jours.lignes.push_back({kRequetesSansDate, std::to_string(c.datesIllisibles),
                                std::to_string(c.octetsSansDate)});
    }
    if (audience) ajouterVisiteursParJour(jours, c, *audience);
    r.push_back(std::move(jours));
    if (audience) {
        for (auto& t : tablesAudience(*audience)) r.push_back(std::move(t));
    }
    return r;
}

}  // namespace kestrane
