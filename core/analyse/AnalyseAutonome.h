// An analysis without the window: the journal files loaded as one, the lines of a period kept,
// the first pass with its counts and the statistics pass into the eight tables, exactly as the
// Analyse command computes them (the tables are those the window's grids show).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/journal/Erreur.h"
#include "core/journal/Journal.h"
#include "core/analyse/Complements.h"

namespace kestrane {

struct OptionsAnalyse {
    std::vector<std::string> journaux;
    bool ignorerNonConformes = false;
    PeriodeAnalyse periode;
    bool complements = false;
    int largeurTranches = 1;
};

struct ResultatAnalyse {
    std::size_t lignesJournal = 0;  // lines of the files loaded
    std::size_t lignesAnalysees = 0;
    std::size_t horsPeriode = 0;
    std::size_t ignorees = 0;
    std::optional<Complements> complements;
    std::vector<std::string> journaux;  // the files as joined, oldest first
};

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

// Fills statIP ... statVMensuelles (the requests report for the whole journal). Raises
// ErreurFichier for a file that cannot be read; ErreurAnalyse for a line that stops the analysis
// (not with `ignorerNonConformes`), for a sum that passes its range (naming the line that took it
// there), for a journal of fewer than two lines ("Pas de fichier à analyser") and for a period
// without a line ("Aucune ligne dans la période analysée").
ResultatAnalyse analyserSansFenetre(const OptionsAnalyse& options);

}  // namespace kestrane
