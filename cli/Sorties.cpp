#include "cli/Sorties.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "cli/MessagesCommande.h"
#include "core/journal/Chemins.h"
#include "core/journal/FichierAtomique.h"

namespace kestrane {

namespace {

// Where a writer puts an output: its path with its links followed, without the slashes that may
// end a folder's path.
std::string cible(std::string chemin, std::string_view debut) {
    while (chemin.size() > 1 && chemin.back() == '/') chemin.pop_back();
    return cibleSuivie(chemin, debut);
}

// The folder a path's last component lies in, and that name: two outputs that would take the
// same name in the same folder land at the same place, whether it exists or not.
struct Lieu {
    std::optional<IdentiteFichier> dossier;
    std::string nom;
    bool operator==(const Lieu&) const = default;
};

Lieu lieuDe(const std::string& chemin) {
    return {identiteFichier(dossierDe(chemin)), nomDe(chemin)};
}

// Whether the report's folder is the folder of tables.
bool rapportDansLeDossier(const std::string& rapport, const std::string& csv) {
    const auto dossier = identiteFichier(csv);
    return dossier && identiteFichier(dossierDe(rapport)) == dossier;
}

}  // namespace

void verifierSorties(const Sorties& sorties, const std::vector<std::string>& journaux) {
    if (!sorties.csv.empty()) verifierCibleDossier(sorties.csv);
    if (!sorties.rapport.empty()) verifierCibleFichier(sorties.rapport);
    if (!sorties.rapport.empty()) {
        if (const auto k = entreeRemplacee(sorties.rapport, journaux)) {
            throw RefusSortie(kRapportSurJournal + texteEntreGuillemets(journaux[*k]));
        }
    }
    if (sorties.csv.empty()) return;
    const std::string dossier = cible(sorties.csv, kCreationDossier);
    const std::vector<std::string> noms = nomsTablesCsv();
    for (const std::string& nom : noms) {
        if (const auto k = entreeRemplacee(dossier + '/' + nom, journaux)) {
            throw RefusSortie(kTablesSurJournal + texteEntreGuillemets(journaux[*k]));
        }
    }
    if (sorties.rapport.empty()) return;
    const std::string rapport = cible(sorties.rapport, kCreationFichier);
    const Lieu lieu = lieuDe(rapport);
    if ((lieu.dossier && lieu == lieuDe(dossier)) ||
        (rapportDansLeDossier(rapport, dossier) &&
         std::find(noms.begin(), noms.end(), nomDe(rapport)) != noms.end())) {
        throw RefusSortie(kRapportEtTablesEnsemble + texteEntreGuillemets(sorties.rapport));
    }
}

void ecrireSorties(const Sorties& sorties, const DonneesRapport& d) {
    std::vector<std::unique_ptr<SortiePreparee>> preparees;
    if (!sorties.csv.empty()) {
        // A report written into the folder of tables must not leave with the folder's old
        // content: the tables are then put in it one by one.
        const bool enPlace = !sorties.rapport.empty() &&
                             rapportDansLeDossier(cible(sorties.rapport, kCreationFichier),
                                                  cible(sorties.csv, kCreationDossier));
        preparees.push_back(preparerTablesCsv(sorties.csv, d, {}, enPlace));
    }
    if (!sorties.rapport.empty()) preparees.push_back(preparerRapportHtml(sorties.rapport, d));
    std::vector<SortiePreparee*> toutes;
    for (const auto& p : preparees) toutes.push_back(p.get());
    installerTout(toutes);
}

}  // namespace kestrane
