// The command line's analysis: the journals loaded whole or read as streams, through the analysis
// service, an error naming the line to blame in its own file.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Sorties.h"
#include "core/analyse/AnalyseFlux.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/export/Export.h"
#include "core/journal/Erreur.h"

namespace kestrane {

// An error of the analysis with the number (from 1) of the line where it arose in its file, 0
// when no line is to blame; the file is named when several were analysed.
class ErreurAnalyse : public ErreurKestrane {
  public:
    ErreurAnalyse(const std::string& message, std::size_t ligne, std::string fichier = {},
                  bool clientNonPointe = false)
        : ErreurKestrane(message),
          ligne_(ligne),
          fichier_(std::move(fichier)),
          clientNonPointe_(clientNonPointe) {}
    std::size_t ligne() const { return ligne_; }
    const std::string& fichier() const { return fichier_; }
    // Whether the line that did not parse begins with no dotted address (IPv6, a host name).
    bool clientNonPointe() const { return clientNonPointe_; }

  private:
    std::size_t ligne_;
    std::string fichier_;
    bool clientNonPointe_;
};

// The service's result and the files analysed, oldest first; for a stream, the lines analysed
// and skipped (its result holds no lines).
struct Analyse {
    ResultatAnalyse resultat;
    std::vector<std::string> journaux;
    std::optional<BilanFlux> flux;
};

ResumeAnalyse resumerAnalyse(const Analyse& a);

// The journal files loaded whole and analysed as one: the service's result, or the error of the
// line to blame, named in its own file when several were joined, as an editor shows it.
Analyse analyser(const std::vector<std::string>& chemins, const OptionsAnalyse& options);

// The journals read as streams; the progress every second on `progression` when given, after
// the program's name `nom`.
Analyse analyserEnFlux(const std::vector<std::string>& chemins, const OptionsAnalyse& options,
                       std::ostream* progression, const char* nom);

// The same into `a` in the default format, whatever the issue (RelectureNecessaire raised, never
// handed to the loaded analysis): `flux` tells how the journals are read (its progression replaced
// when asked), `comptes` where the counts are made, to count on after (AnalyseFlux.h).
IssueAnalyse lireEnFlux(const std::vector<std::string>& chemins, const OptionsAnalyse& options,
                        std::ostream* progression, const char* nom, Analyse& a,
                        OptionsFlux flux = {}, ComptesFlux* comptes = nullptr);

// An analysis that had nothing to analyse says so: ErreurAnalyse unless `issue` is terminee.
void verifierIssue(IssueAnalyse issue);

// An error of the stream's lines as the command line tells it: the file named when there are
// several inputs.
ErreurAnalyse erreurDeLigne(const ErreurLigneFlux& e, const std::vector<std::string>& chemins);

// Now, local time, as strftime writes it with `format`.
std::string dateLocale(const char* format);

// What the report of `a` shows, its lines counted as `resume` says, `premier` the journal named
// first on the command line, dated now.
DonneesRapport donneesDeLAnalyse(const Analyse& a, const ResumeAnalyse& resume,
                                 const std::string& premier);

// The summary line: "1 200 lignes analysées, 3 ignorées, ..., 52 adresses IP ; rapport : r.html
// (0,42 s)", with its line break.
void ecrireResume(std::ostream& sortie, const Analyse& a, const ResumeAnalyse& resume,
                  const DonneesRapport& d, const Sorties& sorties, double secondes);

}  // namespace kestrane
