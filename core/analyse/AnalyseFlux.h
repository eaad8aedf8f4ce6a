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
    // A journal followed after this first read: its last line is counted only with its break,
    // the one still being written left to the follower (BilanFlux::octetsLignes).
    bool ligneOuverteLaissee = false;
};

// What the stream analysis tells beyond the result: the inputs in the order read (indexes among
// the paths given, oldest first) with their lines, and the lines analysed and skipped.
struct BilanFlux {
    std::vector<std::size_t> ordre;
    std::vector<std::size_t> nbLignes;
    std::size_t lignesAnalysees = 0, ignorees = 0;
    // The bytes of the last input up to the end of its last line counted: where a follower of
    // that file reads on.
    uint64_t octetsLignes = 0;
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

class Comptage;
class FilAuxiliaire;

// The counts of a stream, kept past its result: the lines that follow are counted on (a journal
// followed as it grows), never read again, and a result made whenever asked. Memory follows the
// distinct keys, not the lines.
class ComptesFlux {
  public:
    explicit ComptesFlux(const OptionsAnalyse& options);
    ~ComptesFlux();
    ComptesFlux(const ComptesFlux&) = delete;
    ComptesFlux& operator=(const ComptesFlux&) = delete;

    // Counts `lignes` (views into `octets`, which may go once this returns), the lines that
    // follow those counted before; `premiere`: the number (from 0) in input `entree` of the
    // first. Raises ErreurLigneFlux on a line that stops the analysis (the counts are then no
    // longer whole), RelectureNecessaire on a sum past its range in the fold.
    void compter(const std::vector<std::string_view>& lignes, std::string_view octets,
                 std::size_t premiere, std::size_t entree = 0);
    // The result of every line counted so far into `r`, the counts left as they are. Raises
    // RelectureNecessaire when only the lines read again could tell.
    IssueAnalyse resultat(ResultatAnalyse& r);

    // The lines read, and those analysed and skipped (BilanFlux).
    std::size_t lignes() const { return lignes_; }
    std::size_t analysees() const { return analysees_; }
    std::size_t ignorees() const { return ignorees_; }

  private:
    OptionsAnalyse options_;
    std::unique_ptr<FilAuxiliaire> fil_;
    std::unique_ptr<Comptage> comptage_;
    std::size_t lignes_ = 0, horsPeriode_ = 0, horsFiltre_ = 0, analysees_ = 0, ignorees_ = 0;
};

// Analyses the inputs into `resultat` (its journal and records stay empty). Raises the file
// errors, ErreurLigneTropLongue, ErreurLigneFlux and RelectureNecessaire. With `comptes` (made
// with the same options, nothing counted yet), the counts are made there and stay for the lines
// that follow.
IssueAnalyse analyserFlux(const std::vector<std::string>& chemins, const OptionsAnalyse& options,
                          ResultatAnalyse& resultat, BilanFlux& bilan, const OptionsFlux& flux = {},
                          ComptesFlux* comptes = nullptr);

}  // namespace kestrane
