#include "core/historique/RapportBase.h"

#include <algorithm>

#include "core/analyse/Decomptes.h"
#include "core/journal/Calendrier.h"

namespace kestrane {

ResultatAnalyse resultatDeLHistorique(const Historique& h, int largeurTranches) {
    ResultatAnalyse r;
    Complements c;
    Audience a;
    int64_t premierJour = INT64_MAX, dernierJour = INT64_MIN;
    for (const JourHistorique& j : h.jours) {
        c.lignesAnalysees += j.lignes;
        c.lignesIgnorees += j.ignorees;
        c.requetes += j.requetes;
        c.octets += j.octets;
        a.visiteurs += j.visiteurs;
        a.visites += j.visites;
        a.requetesDatees += j.requetesDatees;
        a.dureeVisites += j.dureeVisites;
        if (j.jour == kJourSansDate) {
            c.datesIllisibles += j.requetes;
            c.octetsSansDate += j.octets;
            continue;
        }
        premierJour = std::min(premierJour, j.jour);
        dernierJour = std::max(dernierJour, j.jour);
        if (j.premiere <= j.derniere) {
            if (!c.dates || j.premiere < c.premiere.secondes) c.premiere.secondes = j.premiere;
            if (!c.dates || j.derniere > c.derniere.secondes) c.derniere.secondes = j.derniere;
            c.dates = true;
        }
        JourAudience ja;
        dateDuJour(j.jour, ja.annee, ja.mois, ja.jour);
        ja.visiteurs = j.visiteurs;
        ja.visites = j.visites;
        a.jours.push_back(ja);
    }
    c.lignesLues = c.lignesAnalysees + c.lignesIgnorees;
    a.requetes = c.requetes;
    a.octets = c.octets;
    // Every day from the first to the last, as the analysis lists them (only the days with lines
    // past kJoursContinusMax days).
    if (premierJour <= dernierJour) {
        c.nbJours = dernierJour - premierJour + 1;
        const bool continus = c.nbJours <= kJoursContinusMax;
        std::size_t k = 0;
        for (int64_t jour = premierJour; jour <= dernierJour; ++jour) {
            while (k < h.jours.size() && h.jours[k].jour < jour) ++k;
            const bool vu = k < h.jours.size() && h.jours[k].jour == jour;
            if (!vu && !continus) continue;
            CompteJour cj;
            dateDuJour(jour, cj.annee, cj.mois, cj.jour);
            if (vu) {
                cj.requetes = h.jours[k].requetes;
                cj.octets = h.jours[k].octets;
            }
            c.jours.push_back(cj);
        }
    }
    c.codes = h.codes;
    r.lignesJournal = static_cast<std::size_t>(c.lignesLues);
    r.periodeChoisie = std::string(kPeriodeToutLeFichier);
    r.lisibles.actifs = true;
    r.lisibles.heures.lignes = h.heures;
    r.lisibles.heures.jours = a.jours.size();
    r.lisibles.joursCouverts = c.nbJours;
    r.tables.statHoraires = journeeMoyenne(r.lisibles.heures, largeurTranches);
    r.tables.statVMensuelles = {entreeToutLeFichier(static_cast<std::size_t>(c.lignesAnalysees))};
    r.complements = std::move(c);
    r.audience = std::move(a);
    remplirResultat(r, h.tables);
    r.lisibles.robotsConnus = h.robotsConnus;
    if (!h.robotsConnus) r.lisibles.robots.clear();
    return r;
}

}  // namespace kestrane
