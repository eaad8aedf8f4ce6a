// What the benchmarks share: timing a step several times, the synthetic journals kept under
// bench/data/, the peak resident memory and the machine's load.
#pragma once

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrane {

// The figures of one step: every run, in order.
struct Mesure {
    std::vector<double> secondes;

    double premiere() const { return secondes.front(); }
    double mediane() const {
        std::vector<double> s = secondes;
        std::sort(s.begin(), s.end());
        const std::size_t m = s.size() / 2;
        return s.size() % 2 ? s[m] : (s[m - 1] + s[m]) / 2;
    }
    double min() const { return *std::min_element(secondes.begin(), secondes.end()); }
    double max() const { return *std::max_element(secondes.begin(), secondes.end()); }
};

// Runs etape `runs` times and times each run; `avant` runs untimed before each run.
// Seconds `f` takes, once.
double chronometrer(const std::function<void()>& f);

Mesure mesurer(int runs, const std::function<void()>& etape,
               const std::function<void()>& avant = {});

// One line of the table: first run, median, fastest, slowest.
void afficher(const char* nom, const Mesure& m);

double mio(double octets);

// journal-1M.log, journal-250k.log, journal-1234.log
std::string nomJournal(std::size_t lignes);

// The journal of `lines` lines for the default seed under racine/bench/data, generated unless a
// file of exactly the expected size is already there.
std::filesystem::path preparerJournal(std::size_t lignes, const std::filesystem::path& racine);

// The load average, as a text.
std::string chargeMachine();

// Peak resident memory in KiB: the larger of what the kernel reports both ways.
long creteRssKio();

// A whole text as a decimal integer.
bool lireEntier(std::string_view texte, long& valeur);

// The arguments "[lines] [--runs N]" (or -r N) into the two values, which keep their defaults
// when absent; false on anything else, a line count under 2 or a run count under 1.
bool lireArguments(int argc, char** argv, long& lignes, long& runs);

}  // namespace kestrane
