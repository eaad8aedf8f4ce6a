// The Analyse command's computations without the window.
#include "stats/AnalyseAutonome.h"

#include <memory>

#include "log/Assemblage.h"
#include "log/TableauLog.h"
#include "stats/UFonctionsKestrane.h"

namespace kestrane {

namespace {

// The first line of the journal whose record the tables cannot count: the tallies report no line
// of their own, so the lines are read again to name the one to blame (0 when none is found).
std::size_t premiereLigneFautive(const Journal& journal) {
    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
        try {
            if (!examinerLigne(analyserLigne(journal.ligne(i)), nullptr)) return i + 1;
        } catch (const ErreurKestrane&) {
            return i + 1;
        }
    }
    return 0;
}

}  // namespace

ResultatAnalyse analyserSansFenetre(const OptionsAnalyse& options) {
    ResultatAnalyse r;
    const Journal complet = chargerJournaux(options.journaux).journal;
    r.lignesJournal = complet.nbLignes();
    if (complet.nbLignes() < 2) {
        throw ErreurAnalyse("Pas de fichier \xE0 analyser", 0);
    }
    Journal journal = complet;
    if (options.periode.active) {
        journal =
            lignesDeLaPeriode(complet, options.periode, r.horsPeriode, options.ignorerNonConformes);
        if (journal.nbLignes() == 0) {
            throw ErreurAnalyse(
                "Aucune ligne dans la p\xE9riode analys\xE9"
                "e",
                0);
        }
    }

    ComptesJournal comptes;
    ComptesComplements comptesComplements;
    LecteursEnSerie lecteurs({&comptes, &comptesComplements});
    LecteurEnregistrements* lecteur =
        options.complements ? static_cast<LecteurEnregistrements*>(&lecteurs) : &comptes;
    TableauLog& enregistrements = tableauLog;
    try {
        enregistrements.memoriser(journal, {}, lecteur,
                                  options.ignorerNonConformes ? examinerLigne : nullptr);
    } catch (const ErreurKestrane& e) {
        throw ErreurAnalyse(e.message(), enregistrements.taille() + 1);
    }
    r.ignorees = enregistrements.souple() ? enregistrements.nbIgnorees() : 0;
    const LignesAnalysees lignes =
        options.ignorerNonConformes ? LignesAnalysees(enregistrements) : LignesAnalysees(journal);
    r.lignesAnalysees = lignes.nbLignes();
    try {
        calculerTables(lignes, options.largeurTranches, &comptes);
        compterRequetes(lignes, kPeriodeToutLeFichier, "", "");
    } catch (const ErreurKestrane& e) {
        throw ErreurAnalyse(e.message(),
                            options.ignorerNonConformes ? 0 : premiereLigneFautive(journal));
    }
    if (options.complements) {
        Complements c = comptesComplements.resultat(static_cast<int64_t>(statIP.size()));
        c.lignesAnalysees = static_cast<int64_t>(complet.nbLignes());
        c.lignesHorsPeriode = static_cast<int64_t>(r.horsPeriode);
        c.lignesIgnorees = static_cast<int64_t>(r.ignorees);
        r.complements = std::move(c);
    }
    return r;
}

}  // namespace kestrane
