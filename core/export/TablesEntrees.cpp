// The figures of each loaded file, referring site and client address as report tables, sortable
// by each column in the page.
#include "core/analyse/ResumeAudience.h"
#include "core/export/Export.h"

namespace kestrane {

namespace {

TableExportee nouvelle(const char* titre, const char* fichier, std::vector<std::string> entetes) {
    TableExportee t;
    t.titre = titre;
    t.fichier = fichier;
    t.numeriques.assign(entetes.size(), true);
    t.numeriques[0] = false;
    t.entetes = std::move(entetes);
    t.triable = true;
    return t;
}

}  // namespace

std::vector<TableExportee> tablesEntrees(const TablesEntrees& e) {
    TableExportee fichiers =
        nouvelle(kTitreDetailFichiers, "fichiers-detail.csv",
                 {kEnteteFichier, kEnteteRequetes, kEnteteOctets, kVisiteursUniques,
                  kEnteteClasses[0], kEnteteClasses[1], kEnteteClasses[2], kEnteteClasses[3]});
    for (const LigneFichierDetail& f : e.parFichier) {
        std::vector<std::string> l{f.fichier, std::to_string(f.requetes), std::to_string(f.octets),
                                   std::to_string(f.visiteurs)};
        for (const int64_t n : f.classes) l.push_back(pourcentFrancais(partDe(n, f.requetes)));
        fichiers.lignes.push_back(std::move(l));
    }
    TableExportee sites = nouvelle(kTitreDetailSites, "sites-detail.csv",
                                   {kEnteteSite, kEnteteRequetes, kVisiteursUniques});
    for (const LigneSiteDetail& s : e.parSite) {
        sites.lignes.push_back({s.site, std::to_string(s.requetes), std::to_string(s.visiteurs)});
    }
    std::vector<std::string> entetes{kEnteteAdresseIP,       kEnteteRequetes,
                                     kEnteteOctets,          kEnteteVisites,
                                     kEntetePremiereRequete, kEnteteDerniereRequete};
    if (e.avecPays) entetes.push_back(kEntetePays);
    TableExportee adresses = nouvelle(kTitreDetailAdresses, "adresses-detail.csv", entetes);
    // The dates and the country are texts.
    for (std::size_t c = 4; c < entetes.size(); ++c) adresses.numeriques[c] = false;
    for (const LigneAdresseDetail& a : e.parAdresse) {
        std::vector<std::string> l{a.adresse,
                                   std::to_string(a.requetes),
                                   std::to_string(a.octets),
                                   std::to_string(a.visites),
                                   a.date ? texteDateHeure(a.premiere) : "-",
                                   a.date ? texteDateHeure(a.derniere) : "-"};
        if (e.avecPays) l.push_back(a.pays.empty() ? std::string(kNomInconnu) : a.pays);
        adresses.lignes.push_back(std::move(l));
    }
    return {std::move(fichiers), std::move(sites), std::move(adresses)};
}

}  // namespace kestrane
