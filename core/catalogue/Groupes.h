// The catalogue's rules for turning one match into a name, apart from the expression engine that
// found the match (the benchmark feeds them from two engines).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/catalogue/CatalogueAgents.h"
#include "core/catalogue/ModelesUap.h"

namespace kestrane::catalogue {

// The groups of one match: entry i is group i; a group that took no part in the match is an
// empty view, as is a group the expression does not have.
using Groupes = std::array<std::string_view, 10>;

// The replacement text with $1...$9 replaced by those groups (an absent group by nothing), blanks
// trimmed at both ends.
std::string remplacer(std::string_view modele, const Groupes& groupes);

// Field `rang` of an entry's result (0 the family, 1 the major version...): its replacement
// when the entry has one, else group rang + 1. Empty when there is none.
std::string lireChamp(const ModeleUap& modele, const Groupes& groupes, int rang);

// The family and major version an entry gives for its match; "Other" with no version when it
// gives no family (named "Inconnu"). modele null: no entry matched.
Designation designer(const ModeleUap* modele, const Groupes& groupes);

// Whether a device entry's match names the device "Spider", the catalogue's robots.
bool designeRobot(const ModeleUap* modele, const Groupes& groupes);

// What a device entry's replacement allows of that name, whatever the agent: never (a name of its
// own, or one that keeps letters "Spider" has not), only from an agent that holds "Spider" (its
// groups alone, blanks between them: one of them must be the whole name), or maybe.
enum class RobotPossible { jamais, siSpiderDansLAgent, peutEtre };
RobotPossible robotPossible(const ModeleUap& modele);

}  // namespace kestrane::catalogue
