#include "cli/BaseCommande.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "cli/MessagesCommande.h"
#include "cli/Sorties.h"
#include "core/export/Export.h"
#include "core/historique/BaseJours.h"
#include "core/historique/RapportBase.h"
#include "core/journal/Calendrier.h"
#include "core/journal/Messages.h"
#include "core/journal/Texte.h"

namespace kestrane {

namespace {

// The days of a period (both included); every day for an inactive one.
std::pair<std::optional<int64_t>, std::optional<int64_t>> joursDe(const PeriodeAnalyse& p) {
    if (!p.active) return {};
    return {jourDeLInstant(p.debut.secondes), jourDeLInstant(p.fin.secondes)};
}

int64_t nombre(const std::string& texte) {
    int64_t n = 0;
    for (const char c : texte) {
        if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

void comparerRapports(DonneesRapport& a, const DonneesRapport& b) {
    for (TableExportee& t : a.tables) {
        const auto c = std::find(t.numeriques.begin(), t.numeriques.end(), true);
        if (c == t.numeriques.end() || t.fichier.empty()) continue;
        // Rows are added and columns appended: the shares and families made of the rows as they
        // were would no longer match them, the comparison shows the rows plain.
        if (!t.parts.empty()) t.part = -1;
        t.parts.clear();
        t.familles.clear();
        t.partsFamilles.clear();
        t.versions.clear();
        t.debutsVersions.clear();
        const auto k = static_cast<std::size_t>(c - t.numeriques.begin());
        const TableExportee* autre = nullptr;
        for (const TableExportee& u : b.tables) {
            if (u.fichier == t.fichier) autre = &u;
        }
        std::unordered_map<std::string, int64_t> valeurs;
        std::vector<const std::vector<std::string>*> seules;
        if (autre) {
            std::unordered_map<std::string, bool> ici;
            for (const auto& l : t.lignes) ici[l[0]] = true;
            for (const auto& l : autre->lignes) {
                if (k >= l.size()) continue;
                valeurs[l[0]] += nombre(l[k]);
                if (!ici.count(l[0])) seules.push_back(&l);
            }
        }
        t.entetes.push_back(t.entetes[k] + kEnteteComparaison);
        t.entetes.push_back(kEnteteEvolution);
        t.numeriques.push_back(true);
        t.numeriques.push_back(false);
        for (const std::vector<std::string>* l : seules) {
            std::vector<std::string> ligne(t.entetes.size() - 2, "0");
            ligne[0] = (*l)[0];
            t.lignes.push_back(std::move(ligne));
        }
        for (auto& l : t.lignes) {
            const auto it = valeurs.find(l[0]);
            const int64_t avant = it == valeurs.end() ? 0 : it->second;
            const int64_t apres = k < l.size() ? nombre(l[k]) : 0;
            l.resize(t.entetes.size() - 2);
            l.push_back(std::to_string(avant));
            l.push_back(evolution(apres, avant));
        }
        // The chart's values stay those of the first range.
    }
}

// "+12 %", "-3 %", "=": from `avant` to `apres`; an em dash when there is nothing to compare with.
std::string evolution(int64_t apres, int64_t avant) {
    if (avant == 0) return apres == 0 ? "=" : "\x97";
    if (apres == avant) return "=";
    const double p = 100.0 * static_cast<double>(apres - avant) / static_cast<double>(avant);
    const long arrondi = std::lround(p);
    std::string texte = p > 0 ? "+" : "";
    texte += std::to_string(arrondi == 0 ? (p > 0 ? 1 : -1) : arrondi);
    texte += " %";
    return texte;
}

std::optional<DonneesRapport> donneesDeLHistorique(const Historique& h,
                                                   const PeriodeAnalyse& periode, int largeur) {
    if (h.jours.empty()) return std::nullopt;
    ResultatAnalyse r = resultatDeLHistorique(h, largeur);
    r.periode = periode;
    DonneesRapport donnees = donneesRapport(r, 0, true);
    donnees.lignes = r.complements->lignesAnalysees;
    // What the base does not keep is left out rather than shown empty.
    std::erase_if(donnees.tables,
                  [](const TableExportee& t) { return t.lignes.empty() && t.note.empty(); });
    return donnees;
}

int executerBase(const DemandeBase& d, std::ostream& sortie,
                 const std::function<int(const std::string&)>& echec) {
    BaseJours base(d.adresse);
    if (!d.journaux.empty()) {
        const std::string serveur = d.serveur.empty() ? nomDeLaMachine() : d.serveur;
        std::size_t lignes = 0;
        for (const AjoutFichier& a : base.ajouter(d.journaux, serveur, d.analyse, d.limite)) {
            lignes += a.lignes;
        }
        sortie << texteAjoutBase(lignes, d.journaux.size(), serveur) << '\n';
        // Asked for too, the report is then written from the base, the new days with the others.
        if (d.rapport.empty() && d.csv.empty()) return 0;
    }
    const auto rapportDe = [&](const PeriodeAnalyse& periode) {
        const auto [premier, dernier] = joursDe(periode);
        return donneesDeLHistorique(base.lire(d.serveur, premier, dernier), periode,
                                    d.analyse.largeurTranches);
    };
    std::optional<DonneesRapport> donnees = rapportDe(d.analyse.periode);
    if (!donnees) return echec(kBaseSansJourDansLaPeriode);
    if (d.comparer) {
        const std::optional<DonneesRapport> autre = rapportDe(*d.comparer);
        comparerRapports(*donnees, autre ? *autre : DonneesRapport{});
    }
    donnees->nomJournal = d.serveur.empty() ? d.adresse : d.adresse + " (" + d.serveur + ")";
    donnees->dateCreation = d.dateCreation;
    donnees->version = d.version;
    const Sorties sorties{d.rapport, d.csv};
    verifierSorties(sorties, {});
    ecrireSorties(sorties, *donnees);
    sortie << utf8Depuis1252(quantite(donnees->lignes, kLigneAnalysee, kLignesAnalysees));
    if (!d.rapport.empty()) sortie << kRapportEcrit << d.rapport;
    if (!d.csv.empty()) sortie << kTablesEcrites << d.csv;
    sortie << '\n';
    return 0;
}

}  // namespace kestrane
