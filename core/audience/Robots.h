// Which user agents are robots, and their names, for the robots' table. The catalogue of user
// agents is plugged in from outside; the rule below applies to every agent besides it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kestrane {

// Whether a user agent (the whole quoted text of the log, its bytes as written) is a robot,
// with its name in `nom` (UTF-8) when it is. The analysis calls it once per distinct agent,
// after the first pass, on one thread.
using ReconnaitreRobot = std::function<bool(std::string_view agent, std::string& nom)>;

// The agents that name themselves robots: "bot", "Bot", "crawler", "Crawler", "spider" or
// "Spider" anywhere in them (the capital letters of a phone's model, "CUBOT ONE", are no robot's).
// The name is the word holding it, before its "/version" ("Googlebot/2.1" gives "Googlebot");
// for a word that is an address ("+http://example.com/bot.html"), that address's host.
bool robotParSonNom(std::string_view agent, std::string& nom);
// Where the first of those words starts in `agent`, npos without one.
std::size_t motDeRobot(std::string_view agent);

// The catalogue's answer when it has one, otherwise the rule's. `catalogue` may be empty.
bool reconnaitreRobot(const ReconnaitreRobot& catalogue, std::string_view agent, std::string& nom);

}  // namespace kestrane
