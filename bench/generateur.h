// Synthetic access logs in the combined format, for the benchmarks and for tests that need
// volume: tens of thousands of clients of skewed popularity, a few hundred common user agents
// (robots included) and a long tail of thousands of rare ones, thousands of paths, half the
// referrers "-", 30 days of increasing times with a daily rhythm. The same line count and seed
// always give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kestrane {

inline constexpr uint64_t kGraineParDefaut = 20061206;

// Calls `ecrire` with consecutive pieces of the journal (about 1 MiB each, whole lines):
// `lignes` lines, each ended by LF, over `nbJours` days.
inline constexpr int kJoursParDefaut = 30;
void genererJournal(std::size_t lignes, uint64_t graine,
                    const std::function<void(std::string_view)>& ecrire,
                    int nbJours = kJoursParDefaut);

// The whole journal as one text.
std::string texteJournal(std::size_t lignes, uint64_t graine = kGraineParDefaut);

// Writes the journal to `chemin` (replaced) and returns its size in bytes. Raises
// std::runtime_error naming the file when it cannot be written.
uint64_t ecrireJournal(const std::string& chemin, std::size_t lignes,
                       uint64_t graine = kGraineParDefaut, int nbJours = kJoursParDefaut);

// The size in bytes of that journal, without keeping it.
uint64_t tailleJournal(std::size_t lignes, uint64_t graine = kGraineParDefaut);

}  // namespace kestrane
