// The records of the last analysis run, made by a first pass over the journal that hands each
// record to a reader as it is parsed.
#pragma once

#include <cstddef>
#include <functional>

#include "log/Journal.h"
#include "log/ULog.h"

namespace kestrane {

// Reads the records of a first pass while they are parsed. A long journal is parsed in two
// stretches at once, one per core: lire(0, ...) receives the lines of the first stretch and
// lire(1, ...) those of the second, each stretch in journal order, from two threads.
class LecteurEnregistrements {
  public:
    virtual ~LecteurEnregistrements() = default;
    // Before any line: the journal and the number of stretches (1 or 2).
    virtual void commencer(const Journal& journal, int nbTranches) = 0;
    virtual void lire(int tranche, const RLog& r) = 0;
    // After the last line, only when every line parsed.
    virtual void terminer() = 0;
};

// The records of the last analysis run, one per journal line. A record is not stored: it is the
// parse of its line, made again when it is asked for (a fraction of a microsecond), so the
// records of a journal of ten million lines cost no memory at all.
class TableauLog {
  public:
    // Parses every line of the journal in order, handing each record to `lecteur` when there
    // is one. On a conversion error the records before the failing line stay, `taille()` is the
    // failing line's index and the error is raised. On a long journal `progression` is called on
    // this thread every few tens of milliseconds with the number of lines parsed so far (the two
    // halves are parsed at once, so the count is not a prefix of the journal).
    void memoriser(const Journal& journal,
                   const std::function<void(std::size_t faites)>& progression = {},
                   LecteurEnregistrements* lecteur = nullptr);

    std::size_t taille() const { return taille_; }
    RLog operator[](std::size_t i) const;
    // The journal the records were made from.
    const Journal& journal() const { return journal_; }
    // Whether the records are the complete parse of exactly this journal.
    bool couvre(const Journal& journal) const;

  private:
    Journal journal_;
    std::size_t taille_ = 0;
    bool complet_ = false;
};

// The records of the last analysis run.
extern TableauLog tableauLog;

}  // namespace kestrane
