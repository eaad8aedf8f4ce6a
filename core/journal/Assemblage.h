// Several log files loaded as one journal, oldest first: rotated logs (access.log.2.gz,
// access.log.1, access.log) in whatever order they were named.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/Journal.h"
#include "core/journal/Messages.h"

namespace kestrane {

// The time of a log line, in seconds since 1970 UTC, to order files by: the first bracketed
// "dd/Mon/yyyy:hh:mm:ss" of the line, less its zone "+hhmm" or "-hhmm" when one follows.
// Nothing when no bracket of the line opens such a date.
std::optional<int64_t> dateDeLigne(std::string_view ligne);

// The order in which to join files whose first lines have these dates: oldest first, files of the
// same date in the order given. A file without a date keeps its place right after the file given
// before it (the first places when no dated file comes before it): nothing tells where it belongs,
// and a user usually names rotated files in some order of their own.
std::vector<std::size_t> ordreChronologique(const std::vector<std::optional<int64_t>>& dates);

// The journals one after the other, in this order. A journal that does not end with a line break
// gets one before the next, so that no line is glued to the following one; so does one ending with
// a lone CR when the next starts with LF (the two would make one break, and lose a line).
Journal joindreJournaux(const std::vector<Journal>& journaux,
                        const std::vector<std::size_t>& ordre);

struct JournauxCharges {
    Journal journal;
    // ordre[k]: the index, among the paths given, of the k-th file joined, and nbLignes[k] its
    // number of lines (a line of the whole is named in its own file with them).
    std::vector<std::size_t> ordre;
    std::vector<std::size_t> nbLignes;
    // The indexes of the paths left out: each names a file already named before it.
    std::vector<std::size_t> ecartes;
};

// Loads every file once (a file named twice, through whatever path or link, would count its lines
// twice: the later names are left out), with Journal::charger (the first that fails raises its
// error), then joins them oldest first. One file is the journal of Journal::charger itself.
JournauxCharges chargerJournaux(const std::vector<std::string>& chemins,
                                std::atomic<uint64_t>* lus = nullptr);
// The same, followed and bounded by `suivi` (Journal.h); the joined journal too must fit.
JournauxCharges chargerJournaux(const std::vector<std::string>& chemins,
                                const SuiviChargement& suivi);

// The note on the files left out: noteJournauxEcartes (Messages.h).

}  // namespace kestrane
