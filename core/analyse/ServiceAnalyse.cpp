#include "core/analyse/ServiceAnalyse.h"

#include <utility>
#include <vector>

#include "core/analyse/Comptage.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/catalogue/CatalogueAgents.h"
#include "core/journal/DeuxFils.h"
#include "core/journal/Messages.h"
#include "core/lecture/LectureFormatee.h"
#include "core/lecture/TableauLog.h"

namespace kestrane {

IssueAnalyse analyserJournal(const Journal& charge, const OptionsAnalyse& options,
                             ResultatAnalyse& r, SuiviAnalyse& suivi,
                             std::unique_ptr<Comptage>* comptes) {
    if (charge.nbLignes() < options.lignesMinimum()) return IssueAnalyse::pasDeFichier;
    const Execution enFond = [&suivi](const std::function<void()>& travail) {
        suivi.enFond(travail);
    };
    Journal lues = charge;
    std::size_t horsPeriode = 0, horsFiltre = 0;
    // With a filter: each kept line's number in the journal loaded.
    std::shared_ptr<std::vector<std::size_t>> numeros;
    FormatJournal format = options.format;
    if (options.formatAutomatique) enFond([&] { format = formatDetecte(charge); });
    const FormatJournal* formatLu = format.estDefaut() ? nullptr : &format;
    const bool filtre = options.filtre && !options.filtre->vide();
    if (filtre && options.filtre->demandePays() && !options.basePays) {
        throw ErreurKestrane(kFiltrePaysSansBase);
    }
    if (options.periode.active && !filtre) {
        enFond([&] {
            lues = lignesDeLaPeriode(charge, options.periode, horsPeriode,
                                     options.ignorerNonConformes, format);
        });
    } else if (filtre) {
        numeros = std::make_shared<std::vector<std::size_t>>();
        enFond([&] {
            lues = lignesGardees(charge, options, format, horsPeriode, horsFiltre, numeros.get());
        });
    }
    // Nothing to analyse: what the last analysis left stays as it is.
    if (choisitDesLignes(options) && lues.nbLignes() == 0) {
        return horsFiltre > 0 ? IssueAnalyse::filtreVide : IssueAnalyse::periodeVide;
    }
    r.journal = std::move(lues);
    r.lignesJournal = charge.nbLignes();
    r.periode = options.periode;
    r.horsPeriode = horsPeriode;
    r.filtre = filtre ? options.filtre : nullptr;
    r.horsFiltre = horsFiltre;
    r.numerosGardes = std::move(numeros);
    r.format = format;
    r.formatAutomatique = options.formatAutomatique;
    suivi.commencer();

    // The readers of the first pass: the statistics and what else the options ask for.
    auto compte = std::make_unique<Comptage>(options, format);
    Comptage& comptage = *compte;
    try {
        r.enregistrements.memoriser(
            r.journal, [&suivi](std::size_t faites) { suivi.progresser(faites); },
            &comptage.lecteur(), options.ignorerNonConformes ? examinerLigne : nullptr, formatLu);
    } catch (...) {
        suivi.premierePasseInterrompue(r.enregistrements.taille());
        throw;
    }
    r.retenues = r.enregistrements.souple() || formatLu ? r.enregistrements : TableauLog();
    r.enPlus = comptage.tablesEnPlus();
    suivi.apresPremierePasse();

    // With readable results the caller sees the tables once they are readable.
    std::vector<int> etapes;
    const auto apresEtape = [&](int etape) {
        if (options.resultatsLisibles) {
            etapes.push_back(etape);
        } else {
            suivi.apresEtape(etape);
        }
    };
    try {
        calculerTables(r.lignes(), options.largeurTranches, r.tables, &comptage.statistiques(),
                       apresEtape, &r.listes, enFond);
    } catch (...) {
        for (const int etape : etapes) suivi.apresEtape(etape);
        throw;
    }
    r.periodeChoisie = std::string(kPeriodeToutLeFichier);
    comptage.completer(r, std::nullopt, enFond);
    for (const int etape : etapes) suivi.apresEtape(etape);
    suivi.apresStatistiques();
    if (comptes) *comptes = std::move(compte);
    return IssueAnalyse::terminee;
}

IssueAnalyse analyserJournal(const Journal& charge, const OptionsAnalyse& options,
                             ResultatAnalyse& resultat) {
    SuiviAnalyse sansSuivi;
    return analyserJournal(charge, options, resultat, sansSuivi);
}

void calculerComplements(ResultatAnalyse& r, ComptesComplements* comptes, const Execution& enFond,
                         std::shared_ptr<const BasePays> basePays, ComptesAudience* audience,
                         bool trier) {
    const auto calculer = [&](const std::function<void()>& travail) {
        if (enFond) {
            enFond(travail);
        } else {
            travail();
        }
    };
    ComptesComplements lus;
    ComptesAudience audienceLue;
    // Lives until the figures are made: in another format, the counts' keys may be its texts.
    TableauLog lecture;
    // Read again, the referrers are counted line by line: the report page may have put the
    // statistics' referrer table in another order since.
    const bool relire = !comptes || !comptes->complet() || !audience || !audience->complet();
    if (relire) {
        comptes = &lus;
        audience = &audienceLue;
        audience->regler({robotsDuCatalogue(), std::move(basePays), true});
        LecteursEnSerie deux({comptes, audience});
        const ExamenLigne examen = r.enregistrements.souple() ? examinerLigne : nullptr;
        const FormatJournal format = r.enregistrements.format();
        calculer([&] { lecture.memoriser(r.journal, {}, &deux, examen, &format); });
    }
    Complements c;
    Audience a;
    calculer([&] {
        c = comptes->resultat(static_cast<int64_t>(r.tables.statIP.size()), trier);
        a = relire ? audience->resultat()
                   : audienceEtReferents(*audience, r.tables.statPrecedent, trier);
    });
    c.lignesLues = static_cast<int64_t>(r.lignesJournal);
    c.lignesHorsPeriode = static_cast<int64_t>(r.horsPeriode);
    c.lignesHorsFiltre = static_cast<int64_t>(r.horsFiltre);
    if (r.enregistrements.souple()) {
        c.lignesIgnorees = static_cast<int64_t>(r.enregistrements.nbIgnorees());
    }
    r.complements = std::move(c);
    r.audience = std::move(a);
}

ReconnaitreRobot robotsDuCatalogue(std::shared_ptr<MemoireAgents> memoire) {
    return [memoire](std::string_view agent, std::string& nom) {
        // The device list alone says whether it is a robot: far cheaper than every list.
        const CatalogueAgents& catalogue = CatalogueAgents::partage();
        if (!(memoire ? memoire->estRobot(agent) : catalogue.estRobot(agent))) return false;
        Designation d =
            memoire ? memoire->classerNavigateur(agent) : catalogue.classerNavigateur(agent);
        nom = d.famille == kFamilleAutre ? std::string() : std::move(d.famille);
        return true;
    };
}

Audience audienceEtReferents(ComptesAudience& comptes, const tableauRapportStat& precedent,
                             bool trier) {
    Audience a, referents;
    enParallele(
        true, [&] { a = comptes.resultat(); },
        [&] { compterReferentsDesTables(referents, precedent, trier); });
    a.sitesReferents = std::move(referents.sitesReferents);
    a.recherches = std::move(referents.recherches);
    return a;
}

void compterReferentsDesTables(Audience& audience, const tableauRapportStat& precedent,
                               bool trier) {
    std::vector<std::pair<std::string_view, int64_t>> referents;
    referents.reserve(precedent.size());
    for (const rapportStat& p : precedent) referents.emplace_back(p.libelle, p.nombre);
    compterReferents(audience, referents, trier);
}

}  // namespace kestrane
