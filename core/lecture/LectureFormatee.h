// The first pass in a format other than the default: records whose texts outlive the line's
// reading, so that the readers of the first pass may keep them as keys, as they keep views into
// the journal's bytes with the default format.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "core/lecture/IndexCles.h"
#include "core/lecture/LecteurLignes.h"

namespace kestrane {

// Texts kept once each (a date converted, a request joined, a value unescaped): what garder()
// gives stays valid as long as the store. Not thread-safe: one per thread, or garderPartage().
class MagasinTextes {
  public:
    std::string_view garder(std::string_view t);
    // The same under a lock, for the records made again on any thread.
    std::string_view garderPartage(std::string_view t);
    std::size_t taille() const { return textes_.taille(); }
    // The same for field `champ` (0 to kChampsGardes - 1) of consecutive records: a text equal to
    // the field's last one is found without a lookup (a date, a zone, a user repeat line after
    // line).
    static constexpr std::size_t kChampsGardes = 13;
    std::string_view garderChamp(std::size_t champ, std::string_view t);

  private:
    // Texts packed in blocks that never move, found through an open-addressing index: a joined
    // request or a date is looked up on every line.
    IndexCles<std::string_view> textes_;
    std::mutex verrou_;
    std::string_view derniers_[kChampsGardes];
};

// Every text of `r` (and the agent and virtual host of `plus`) that does not lie within `ligne`
// moves into `magasin`: the texts of the line live as long as the journal.
void stabiliser(std::string_view ligne, RLog& r, ChampsEnPlus& plus, MagasinTextes& magasin,
                bool partage = false);

// Whether lines in `format` may name their virtual host (a field of a format string, a JSON
// key, a W3C column).
bool porteHote(const FormatJournal& format);
// Whether lines in `format` may hold a user agent: the default format, a format string or a JSON
// mapping with an agent field, and W3C (its columns come with the journal); not the common
// format, whose systems and browsers would all be unknown.
bool porteAgent(const FormatJournal& format);

// Reads a line in a format, with texts that outlive the reading. The record and the extras are
// copies: the reader's own may change at its next line.
Lecture lireStable(LecteurLignes& lecteur, MagasinTextes& magasin, std::string_view ligne,
                   std::size_t numero, RLog& r, ChampsEnPlus& plus, std::string* raison,
                   bool partage = false);

}  // namespace kestrane
