// One list of the catalogue compiled by PCRE2, with its JIT, over the agent's bytes (no UTF mode:
// an agent is Windows-1252 or UTF-8, and the catalogue's expressions are ASCII).
// bench_catalogue compares it with RE2: both accept every expression and name every agent alike,
// but PCRE2's JIT compiles the catalogue 4 to 15 times faster than RE2 (one expression after the
// other, or one RE2::Set) and classifies a distinct agent 2 to 9 times faster while RE2 has not
// yet built its automata, which is the case of every agent of an analysis, each classified once.
// (Warm, an RE2::Set is the faster; an analysis never asks twice.)
#pragma once

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "core/catalogue/Groupes.h"
#include "core/catalogue/ModelesUap.h"

namespace kestrane::catalogue {

class ListeExpressions {
  public:
    // Raises ErreurKestrane when an expression does not compile. Without `jit`, PCRE2 interprets
    // the expressions (for comparison; it does so too where the JIT is missing). With `filtre`
    // (the list's conditions), an entry runs only on an agent that holds the texts it needs:
    // same first match, a few expressions run instead of hundreds.
    explicit ListeExpressions(std::span<const ModeleUap> modeles, bool jit = true,
                              const FiltreUap* filtre = nullptr);

    // The first entry that matches the agent, and its groups; null when none does. Any number
    // of threads at once.
    const ModeleUap* premier(std::string_view agent, Groupes& groupes) const;
    // Whether entry `i` alone matches the agent, as premier() would find it.
    bool correspond(std::size_t i, std::string_view agent) const;
    // Whether one of the entries marked in `parmi` (bits by entry, taille() of them) matches the
    // agent: only those of them whose condition it meets are run.
    bool correspondUneDe(std::string_view agent, const std::vector<uint64_t>& parmi) const;
    std::size_t taille() const { return codes_.size(); }

  private:
    // Marks in `presents` the texts of the filter that the lowercased agent holds, and lists
    // each once in `trouves`.
    void chercherAtomes(std::string_view agent, std::vector<uint64_t>& presents,
                        std::vector<uint16_t>& trouves) const;
    bool possible(std::size_t entree, const std::vector<uint64_t>& presents) const;
    // f(entry) for each entry whose condition the agent meets, in the list's order, until f
    // returns true; only the entries marked in `parmi` when it is given.
    template <typename F>
    void parcourirCandidates(std::string_view agent, const F& f,
                             const std::vector<uint64_t>* parmi = nullptr) const;

    struct LibererCode {
        void operator()(pcre2_code* code) const { pcre2_code_free(code); }
    };
    std::span<const ModeleUap> modeles_;
    std::vector<std::unique_ptr<pcre2_code, LibererCode>> codes_;
    const FiltreUap* filtre_ = nullptr;
    // The filter's texts by their first three bytes: bucket b holds the texts numbered
    // parSeau_[debutSeau_[b]] to parSeau_[debutSeau_[b + 1] - 1].
    std::vector<uint32_t> debutSeau_;
    std::vector<uint16_t> parSeau_;
    std::vector<uint16_t> longueurs_;
    // Bits by entry, mots_ words a set: at set a (from 0), the entries that name text a in one
    // of their clauses; after the last text's, the entries without a condition. An agent's
    // candidates are the union of the sets of the texts it holds, in the list's order, instead
    // of every entry's condition tested.
    std::size_t mots_ = 0;
    std::vector<uint64_t> parTexte_;
};

}  // namespace kestrane::catalogue
