// The analysis of journals read as streams (files or standard input, plain or gzip), for the
// command line: each input is read in blocks of whole lines, counted on both cores by the readers
// of the loaded analysis (ComptesJournal, ComptesComplements), and its bytes dropped once
// counted, so that memory follows the distinct keys, not the lines. The tables, lists, skipped
// lines, period and Compléments are those analyserJournal gives for the same files joined.
//
// A new reader of the first pass joins here as in analyserJournal; it must know how to fold its
// second stretch into its first (LecteurEnregistrements::replier).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/analyse/ResultatAnalyse.h"
#include "core/analyse/ServiceAnalyse.h"
#include "core/journal/Erreur.h"
#include "core/journal/LectureFlux.h"

namespace kestrane {

// How far a stream analysis is: bytes read from the inputs (compressed ones for gzip), their
// total when every input is a regular file (0 otherwise), lines read.
struct AvanceeFlux {
    uint64_t octets = 0, octetsTotal = 0;
    std::size_t lignes = 0;
};

struct OptionsFlux {
    std::size_t tailleBloc = DecoupeLignes::kTailleBloc;
    std::size_t ligneMax = DecoupeLignes::kLigneMax;
    // After each block, on the calling thread.
    std::function<void(const AvanceeFlux&)> progression;
};

// What the stream analysis tells beyond the result: the inputs in the order read (indexes among
// the paths given, oldest first) with their lines, and the lines analysed and skipped.
struct BilanFlux {
    std::vector<std::size_t> ordre;
    std::vector<std::size_t> nbLignes;
    std::size_t lignesAnalysees = 0, ignorees = 0;
};

// A line that stops the analysis: the error of the loaded analysis, with the line's number (from
// 1) in its input (an index among the paths given), and whether that line begins with no dotted
// address, and whether it is empty.
class ErreurLigneFlux : public ErreurKestrane {
  public:
    ErreurLigneFlux(const std::string& message, std::size_t entree, std::size_t ligne,
                    bool clientNonPointe, bool ligneVide = false)
        : ErreurKestrane(message),
          entree_(entree),
          ligne_(ligne),
          clientNonPointe_(clientNonPointe),
          ligneVide_(ligneVide) {}
    std::size_t entree() const { return entree_; }
    std::size_t ligne() const { return ligne_; }
    bool clientNonPointe() const { return clientNonPointe_; }
    // Whether that line is empty (the message is the parse's, which names its first field).
    bool ligneVide() const { return ligneVide_; }

  private:
    std::size_t entree_, ligne_;
    bool clientNonPointe_, ligneVide_;
};

// What the counts alone cannot tell, and only the lines read again in order can (an hour that
// does not convert, a byte sum past the 64-bit range or a negative byte count, a count past 32
// bits): the caller reads the files again as the loaded analysis does.
class RelectureNecessaire : public ErreurKestrane {
  public:
    RelectureNecessaire() : ErreurKestrane(kRelectureNecessaire) {}
};

// The inputs' order: oldest first by the date of their first line, as chargerJournaux joins
// files; standard input ("-") keeps its place, as a file without a date does. Each first line is
// read through the input opened for `chemins[k]`, which hands it out again when read.
std::vector<std::size_t> ordreDesEntrees(const std::vector<std::string>& chemins,
                                         std::vector<std::unique_ptr<EntreeFlux>>& entrees);

// Analyses the inputs into `resultat` (its journal and records stay empty). Raises the file
// errors, ErreurLigneTropLongue, ErreurLigneFlux and RelectureNecessaire.
IssueAnalyse analyserFlux(const std::vector<std::string>& chemins, const OptionsAnalyse& options,
                          ResultatAnalyse& resultat, BilanFlux& bilan,
                          const OptionsFlux& flux = {});

}  // namespace kestrane
