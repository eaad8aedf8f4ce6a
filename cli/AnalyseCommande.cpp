#include "cli/AnalyseCommande.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "cli/FormatCommande.h"
#include "cli/MessagesCommande.h"
#include "core/analyse/PeriodeLignes.h"
#include "core/export/Export.h"
#include "core/journal/Assemblage.h"
#include "core/journal/Chemins.h"
#include "core/journal/Langue.h"
#include "core/journal/LectureFlux.h"

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

// The number (from 1) in the whole journal of line `k` (from 0) of the kept lines' journal: the
// k-th line that the period and the filter keep.
std::size_t numeroDansLeJournal(const Journal& complet, const OptionsAnalyse& options,
                                std::size_t k, const FormatJournal& format) {
    PeriodeDesLignes dans(options, format);
    std::size_t gardees = 0;
    for (std::size_t i = 0; i < complet.nbLignes(); ++i) {
        if (dans.contient(complet.ligne(i), i) && gardees++ == k) return i + 1;
    }
    return 0;
}

// Whether the first pass stopped: its error then names the line it stopped on.
class SuiviPremierePasse : public SuiviAnalyse {
  public:
    bool interrompue = false;
    void premierePasseInterrompue(std::size_t) override { interrompue = true; }
};

// "1,2 Go lus sur 2,3 Go, 5 000 000 lignes, 1 234 567 lignes/s, reste 1 s" (Windows-1252).
std::string texteAvancee(const AvanceeFlux& a, double secondes) {
    std::string t = octetsFrancais(static_cast<int64_t>(a.octets)) + kLus;
    if (a.octetsTotal > 0) t += kSur + octetsFrancais(static_cast<int64_t>(a.octetsTotal));
    const auto n = static_cast<int64_t>(a.lignes);
    t += ", " + nombreFrancais(n) + std::string(accord(n, kUneLigne, kDesLignes));
    if (secondes > 0) {
        t += ", " + nombreFrancais(static_cast<int64_t>(static_cast<double>(n) / secondes)) +
             kLignesParSeconde;
    }
    if (a.octetsTotal > 0 && a.octets > 0 && a.octets <= a.octetsTotal) {
        const double reste = secondes * static_cast<double>(a.octetsTotal - a.octets) /
                             static_cast<double>(a.octets);
        t += kReste + std::to_string(static_cast<int64_t>(reste + 0.5)) + kSecondes;
    }
    return t;
}

}  // namespace

void verifierIssue(IssueAnalyse issue) {
    if (issue == IssueAnalyse::pasDeFichier) throw ErreurAnalyse(kPasDeFichier, 0);
    if (issue == IssueAnalyse::periodeVide) throw ErreurAnalyse(kPeriodeVide, 0);
    if (issue == IssueAnalyse::filtreVide) throw ErreurAnalyse(kFiltreVide, 0);
}

ResumeAnalyse resumerAnalyse(const Analyse& a) {
    ResumeAnalyse resume = resumer(a.resultat);
    if (a.flux) {
        resume.lignesAnalysees = a.flux->lignesAnalysees;
        resume.ignorees = a.flux->ignorees;
    }
    return resume;
}

// The journal files analysed as one: the service's result, or the error of the line to blame,
// named in its own file when several were joined, as an editor shows it.
Analyse analyser(const std::vector<std::string>& chemins, const OptionsAnalyse& options) {
    // Standard input and pipes too, read once, whole.
    SuiviChargement lecture;
    lecture.flux = true;
    const JournauxCharges charges = chargerJournaux(chemins, lecture);
    const Journal& complet = charges.journal;
    const auto lever = [&](const std::string& message, std::size_t n, bool clientNonPointe) {
        if (n == 0 || charges.nbLignes.size() < 2) {
            throw ErreurAnalyse(message, n, {}, clientNonPointe);
        }
        for (std::size_t k = 0; k < charges.nbLignes.size(); ++k) {
            if (n <= charges.nbLignes[k]) {
                throw ErreurAnalyse(message, n, chemins[charges.ordre[k]], clientNonPointe);
            }
            n -= charges.nbLignes[k];
        }
        throw ErreurAnalyse(message, 0);
    };
    // A line kept is named by its number in the files.
    Analyse a;
    const auto numero = [&](std::size_t k) {
        return choisitDesLignes(options)
                   ? numeroDansLeJournal(complet, options, k, a.resultat.format)
                   : k + 1;
    };
    for (const std::size_t k : charges.ordre) a.journaux.push_back(chemins[k]);
    ResultatAnalyse& r = a.resultat;
    SuiviPremierePasse suivi;
    try {
        verifierIssue(analyserJournal(complet, options, r, suivi));
    } catch (const ErreurAnalyse&) {
        throw;
    } catch (const ErreurDebordement& e) {
        lever(e.message(), numero(e.ligne()), false);
    } catch (const ErreurKestrane& e) {
        // An empty line is told as such (the parse names its first field, "-").
        const auto vide = [&](std::size_t k) {
            return k < r.journal.nbLignes() && r.journal.ligne(k).empty();
        };
        if (suivi.interrompue) {
            const std::size_t k = r.enregistrements.taille();
            if (vide(k)) lever(std::string(kLigneVide), numero(k), false);
            lever(e.message(), numero(k),
                  r.format.estDefaut() && k < r.journal.nbLignes() &&
                      !adressePointee(r.journal.ligne(k)));
        }
        const auto fautive =
            options.ignorerNonConformes ? std::nullopt : premiereLigneFautive(r.journal);
        if (fautive && vide(*fautive)) lever(std::string(kLigneVide), numero(*fautive), false);
        lever(e.message(), fautive ? numero(*fautive) : 0, false);
    }
    return a;
}

// The journals read as streams: the result of the loaded analysis without holding any journal
// whole. What only the lines read again can tell sends files to the loaded analysis, whose
// tables and errors are those the stream would give.
IssueAnalyse lireEnFlux(const std::vector<std::string>& chemins, const OptionsAnalyse& options,
                        std::ostream* progression, const char* nom, Analyse& a, OptionsFlux flux,
                        ComptesFlux* comptes) {
    BilanFlux bilan;
    const auto debut = std::chrono::steady_clock::now();
    auto prochaine = debut + std::chrono::seconds(1);
    if (progression) {
        flux.progression = [&](const AvanceeFlux& avancee) {
            const auto maintenant = std::chrono::steady_clock::now();
            if (maintenant < prochaine) return;
            prochaine = maintenant + std::chrono::seconds(1);
            const double s = std::chrono::duration<double>(maintenant - debut).count();
            *progression << remplir(TexteU("{} : {}"),
                                    {nom, utf8Depuis1252(texteAvancee(avancee, s))})
                         << '\n'
                         << std::flush;
        };
    }
    IssueAnalyse issue;
    try {
        issue = analyserFlux(chemins, options, a.resultat, bilan, flux, comptes);
    } catch (const ErreurLigneFlux& e) {
        throw erreurDeLigne(e, chemins);
    }
    a.journaux.clear();
    for (const std::size_t k : bilan.ordre) a.journaux.push_back(chemins[k]);
    a.flux = std::move(bilan);
    return issue;
}

Analyse analyserEnFlux(const std::vector<std::string>& chemins, const OptionsAnalyse& options,
                       std::ostream* progression, const char* nom) {
    // The stream reads the default format only; another one is read by loading the journals.
    if (!options.format.estDefaut() || options.formatAutomatique) return analyser(chemins, options);
    Analyse a;
    try {
        verifierIssue(lireEnFlux(chemins, options, progression, nom, a));
    } catch (const RelectureNecessaire&) {
        // Standard input or a pipe gave its lines once, to the stream.
        if (!std::all_of(chemins.begin(), chemins.end(), relisible)) throw;
        return analyser(chemins, options);
    }
    return a;
}

ErreurAnalyse erreurDeLigne(const ErreurLigneFlux& e, const std::vector<std::string>& chemins) {
    return ErreurAnalyse(e.ligneVide() ? std::string(kLigneVide) : e.message(), e.ligne(),
                         chemins.size() > 1 ? chemins[e.entree()] : "",
                         e.clientNonPointe() && !e.ligneVide());
}

std::string dateLocale(const char* format) {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&t, &local);
    char texte[64];
    if (std::strftime(texte, sizeof texte, format, &local) == 0) return {};
    return texte;
}

DonneesRapport donneesDeLAnalyse(const Analyse& a, const ResumeAnalyse& resume,
                                 const std::string& premier) {
    DonneesRapport d = donneesRapport(a.resultat);
    d.lignes = static_cast<int64_t>(resume.lignesAnalysees);
    d.lignesIgnorees = static_cast<int64_t>(resume.ignorees);
    d.nomJournal = nomDe(premier);
    if (a.journaux.size() > 1) {
        for (const std::string& j : a.journaux) d.journaux.push_back(nomDe(j));
    }
    d.dateCreation = dateLocale("%d/%m/%Y %H:%M");
    d.version = KESTRANE_VERSION;
    return d;
}

void ecrireResume(std::ostream& sortie, const Analyse& a, const ResumeAnalyse& resume,
                  const DonneesRapport& d, const Sorties& sorties, double secondes) {
    char duree[32];
    std::snprintf(duree, sizeof duree, "%.2f", secondes);
    std::string texteDuree = duree;
    for (char& c : texteDuree) {
        if (c == '.') c = virguleDecimale();
    }
    const auto nombre = [](std::size_t n) { return static_cast<int64_t>(n); };
    sortie << utf8Depuis1252(
        quantite(nombre(resume.lignesAnalysees), kLigneAnalysee, kLignesAnalysees));
    if (resume.ignorees > 0) {
        sortie << ", " << quantite(nombre(resume.ignorees), kIgnoree, kIgnorees);
    }
    if (resume.horsPeriode > 0) sortie << ", " << resume.horsPeriode << kHorsPeriode;
    if (a.resultat.filtre) sortie << ", " << resume.horsFiltre << kHorsFiltre;
    if (!d.format.empty()) sortie << ", " << utf8Depuis1252(texteFormatCourt(a.resultat));
    sortie << ", " << quantite(nombre(resume.adresses), kAdresseIP, kAdressesIP);
    if (!sorties.rapport.empty()) sortie << kRapportEcrit << sorties.rapport;
    if (!sorties.csv.empty()) sortie << kTablesEcrites << sorties.csv;
    sortie << " (" << texteDuree << kSecondes << ")\n";
}

}  // namespace kestrane
