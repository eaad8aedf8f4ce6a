// The report's pieces that only an analysis in another format than the default has.
#include <cstdio>

#include "core/export/Export.h"

namespace kestrane {

namespace {

// Microseconds as milliseconds with three decimals, French style: "12,345".
std::string millisecondes(int64_t us) {
    char t[32];
    std::snprintf(t, sizeof t, "%lld,%03lld", static_cast<long long>(us / 1000),
                  static_cast<long long>(us % 1000));
    return t;
}

}  // namespace

std::vector<TableExportee> tablesEnPlus(const TablesEnPlus& t) {
    std::vector<TableExportee> r;
    if (!t.hotes.empty()) {
        TableExportee h;
        h.titre = kTitreHotesVirtuels;
        h.fichier = "hotes-virtuels.csv";
        h.entetes = {kEnteteHoteVirtuel, kEnteteRequetes, kEnteteOctets, kEntetePart};
        h.numeriques = {false, true, true, true};
        h.part = 3;
        for (const LigneHoteVirtuel& l : t.hotes) {
            h.lignes.push_back({l.hote, std::to_string(l.requetes), std::to_string(l.octets),
                                pourcentFrancais(100.0 * l.part)});
        }
        r.push_back(std::move(h));
    }
    if (!t.temps.empty()) {
        TableExportee p;
        p.titre = kTitreTempsReponse;
        p.fichier = "temps-reponse.csv";
        p.entetes = {kEnteteFichierCharge, kEnteteRequetes,    kEnteteMoyenneMs,
                     kEnteteMedianeMs,     kEnteteCentile95Ms, kEnteteMaximumMs};
        p.numeriques = {false, true, true, true, true, true};
        for (const LigneTempsReponse& l : t.temps) {
            p.lignes.push_back({l.fichier, std::to_string(l.requetes), millisecondes(l.moyenne),
                                millisecondes(l.mediane), millisecondes(l.centile95),
                                millisecondes(l.maximum)});
        }
        r.push_back(std::move(p));
    }
    return r;
}

std::string texteFormat(const ResultatAnalyse& r) {
    if (r.format.estDefaut() && !r.formatAutomatique) return {};
    std::string s = kFormatDuJournal + r.format.libelle();
    if (r.formatAutomatique) s += kDetecte;
    if (r.enPlus.requetesAvecTemps > 0) {
        s += texteTempsReponse(millisecondes(r.enPlus.tempsMoyen), millisecondes(r.enPlus.temps95));
    }
    return s;
}

}  // namespace kestrane
