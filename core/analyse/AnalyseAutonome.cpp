// The Analyse command's computations without the window.
#include "core/analyse/AnalyseAutonome.h"

#include <memory>
#include <optional>

#include "core/journal/Assemblage.h"
#include "core/lecture/TableauLog.h"
#include "core/analyse/UFonctionsKestrane.h"

namespace kestrane {

namespace {

// The first line (from 0) of the journal whose record the tables cannot count: the tallies report
// no line of their own, so the lines are read again to find the one to blame.
std::optional<std::size_t> premiereLigneFautive(const Journal& journal) {
    for (std::size_t i = 0; i < journal.nbLignes(); ++i) {
        try {
            if (!examinerLigne(analyserLigne(journal.ligne(i)), nullptr)) return i;
        } catch (const ErreurKestrane&) {
            return i;
        }
    }
    return std::nullopt;
}

// The number (from 1) in the whole journal of line `k` (from 0) of the period's journal: the k-th
// line that lignesDeLaPeriode keeps.
std::size_t numeroDansLeJournal(const Journal& complet, const PeriodeAnalyse& periode,
                                std::size_t k, bool souple) {
    std::size_t gardees = 0;
    for (std::size_t i = 0; i < complet.nbLignes(); ++i) {
        Instant t;
        if (!instantDeLigne(complet.ligne(i), t, souple) || t.secondes < periode.debut.secondes ||
            t.secondes > periode.fin.secondes) {
            continue;
        }
        if (gardees++ == k) return i + 1;
    }
    return 0;
}

// The files loaded as one journal, oldest first, as chargerJournaux joins them, with the number of
// lines of each in the order joined, so that a line of the whole is named in its own file.
struct Fichiers {
    Journal journal;
    std::vector<std::pair<std::string, std::size_t>> lignes;
};

Fichiers chargerFichiers(const std::vector<std::string>& chemins) {
    Fichiers f;
    if (chemins.size() == 1) {
        f.journal = Journal::charger(chemins[0]);
        f.lignes = {{chemins[0], f.journal.nbLignes()}};
        return f;
    }
    std::vector<Journal> journaux;
    std::vector<std::optional<int64_t>> dates;
    for (const std::string& chemin : chemins) {
        journaux.push_back(Journal::charger(chemin));
        const Journal& j = journaux.back();
        dates.push_back(j.nbLignes() > 0 ? dateDeLigne(j.ligne(0)) : std::nullopt);
    }
    const std::vector<std::size_t> ordre = ordreChronologique(dates);
    for (const std::size_t k : ordre) f.lignes.emplace_back(chemins[k], journaux[k].nbLignes());
    f.journal = joindreJournaux(journaux, ordre);
    return f;
}

}  // namespace

ResultatAnalyse analyserSansFenetre(const OptionsAnalyse& options) {
    ResultatAnalyse r;
    const Fichiers fichiers = chargerFichiers(options.journaux);
    const Journal& complet = fichiers.journal;
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
    // A line of the period is named by its number in the files, as an editor shows it.
    const auto numero = [&](std::size_t k) {
        return options.periode.active
                   ? numeroDansLeJournal(complet, options.periode, k, options.ignorerNonConformes)
                   : k + 1;
    };
    // The line of the whole journal named in its file when several were joined.
    const auto lever = [&](const std::string& message, std::size_t n, bool clientNonPointe) {
        if (n == 0 || fichiers.lignes.size() < 2) {
            throw ErreurAnalyse(message, n, {}, clientNonPointe);
        }
        for (const auto& [chemin, lignes] : fichiers.lignes) {
            if (n <= lignes) throw ErreurAnalyse(message, n, chemin, clientNonPointe);
            n -= lignes;
        }
        throw ErreurAnalyse(message, 0);
    };
    for (const auto& [chemin, lignes] : fichiers.lignes) r.journaux.push_back(chemin);
    try {
        enregistrements.memoriser(journal, {}, lecteur,
                                  options.ignorerNonConformes ? examinerLigne : nullptr);
    } catch (const ErreurKestrane& e) {
        const std::size_t k = enregistrements.taille();
        lever(e.message(), numero(k), k < journal.nbLignes() && !adressePointee(journal.ligne(k)));
    }
    r.ignorees = enregistrements.souple() ? enregistrements.nbIgnorees() : 0;
    const LignesAnalysees lignes =
        options.ignorerNonConformes ? LignesAnalysees(enregistrements) : LignesAnalysees(journal);
    r.lignesAnalysees = lignes.nbLignes();
    try {
        calculerTables(lignes, options.largeurTranches, &comptes);
        compterRequetes(lignes, kPeriodeToutLeFichier, "", "");
    } catch (const ErreurDebordement& e) {
        lever(e.message(), numero(e.ligne()), false);
    } catch (const ErreurKestrane& e) {
        const auto fautive =
            options.ignorerNonConformes ? std::nullopt : premiereLigneFautive(journal);
        lever(e.message(), fautive ? numero(*fautive) : 0, false);
    }
    if (options.complements) {
        Complements c;
        try {
            c = comptesComplements.resultat(static_cast<int64_t>(statIP.size()));
        } catch (const ErreurDebordement& e) {
            lever(e.message(), numero(e.ligne()), false);
        }
        c.lignesLues = static_cast<int64_t>(complet.nbLignes());
        c.lignesHorsPeriode = static_cast<int64_t>(r.horsPeriode);
        c.lignesIgnorees = static_cast<int64_t>(r.ignorees);
        r.complements = std::move(c);
    }
    return r;
}

}  // namespace kestrane
