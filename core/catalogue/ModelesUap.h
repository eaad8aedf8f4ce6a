// The catalogue's expressions as data compiled into the program: the three lists of
// third_party/uap-core/regexes.yaml in its order, turned into C++ at build time by
// generer_modeles.cpp, so that no program reads a YAML file at run time.
#pragma once

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

extern const std::span<const ModeleUap> kModelesNavigateurs;
extern const std::span<const ModeleUap> kModelesSystemes;
extern const std::span<const ModeleUap> kModelesAppareils;

// The catalogue's version ("0.18.0").
extern const char* const kVersionModeles;

}  // namespace kestrane::catalogue
