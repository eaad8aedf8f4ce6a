// The loaded journal as the journal view's line source.
#pragma once

#include <cstddef>
#include <string>

#include "core/journal/Journal.h"
#include "ui/vues/VueTexte.h"

namespace kestrane {

class SourceJournal : public SourceLignes {
  public:
    // Shares the journal's buffer; measures the widest line from the line starts alone.
    // `avant`: the source of this journal before it grew (Journal::prolonger), whose lines are
    // not measured again.
    explicit SourceJournal(Journal journal, const SourceJournal* avant = nullptr);

    std::size_t nbLignes() const override { return journal_.nbLignes(); }
    std::string ligne(std::size_t i) const override;
    // Counts a CR LF break as one character too many: one column of slack at worst.
    std::size_t largeurMax() const override { return largeurMax_; }
    std::string extrait(std::size_t i, std::size_t debut, std::size_t longueur) const override;
    std::size_t tailleOctets(std::size_t premiere, std::size_t derniere) const override;

    const Journal& journal() const { return journal_; }

  private:
    Journal journal_;
    std::size_t largeurMax_ = 0;
};

}  // namespace kestrane
