// The catalogue's expressions as data compiled into the program: the three lists of
// third_party/uap-core/regexes.yaml in its order, turned into C++ at build time by
// generer_modeles.cpp, so that no program reads a YAML file at run time.
#pragma once

#include <cstdint>
#include <span>

namespace kestrane::catalogue {

// One entry of a list: the expression and what replaces its groups.
struct ModeleUap {
    const char* expression;
    // regex_flag: 'i' (a few device entries match without regard to case).
    bool sansCasse;
    // The family, then the versions: family_replacement, v1_replacement... for browsers,
    // os_replacement, os_v1_replacement... for systems, device_replacement for devices (the
    // only one read of that list). nullptr where the entry has none (or an empty one).
    const char* remplacements[5];
};

// Texts an agent must all hold: indices[debut] to indices[debut + nb - 1], numbers of atomes.
struct ClauseUap {
    uint32_t debut;
    uint32_t nb;
};

// What one entry needs in an agent to match, found at build time by RE2's prefilter: one of its
// clauses. None: the entry is always tried.
struct ConditionUap {
    uint32_t debut;  // its first clause in FiltreUap::clauses
    uint32_t nbClauses;
};

// The conditions of a list's entries: an entry whose condition fails cannot match, so its
// expression is not run.
struct FiltreUap {
    std::span<const char* const> atomes;  // lowercase ASCII, 3 bytes or more
    std::span<const uint16_t> indices;
    std::span<const ClauseUap> clauses;
    std::span<const ConditionUap> conditions;  // one per entry, in the list's order
};

extern const std::span<const ModeleUap> kModelesNavigateurs;
extern const std::span<const ModeleUap> kModelesSystemes;
extern const std::span<const ModeleUap> kModelesAppareils;
extern const FiltreUap kFiltreNavigateurs;
extern const FiltreUap kFiltreSystemes;
extern const FiltreUap kFiltreAppareils;

// The catalogue's version ("0.18.0").
extern const char* const kVersionModeles;

}  // namespace kestrane::catalogue
