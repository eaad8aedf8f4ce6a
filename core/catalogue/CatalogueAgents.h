// Browsers, robots and operating systems named from a user agent by the catalogue of the
// ua-parser project (uap-core's regexes.yaml, compiled into the program): "Chrome 42",
// "Googlebot 2", "Windows 7", "Inconnu". The catalogue is compiled once per process and then
// shared by every thread; a cache classifies each distinct agent of an analysis once.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/journal/Messages.h"

namespace kestrane {

// The catalogue reads an agent's first bytes only: real agents stay far below, and an agent made
// long (one holding every text the entries need, so that each of hundreds of expressions runs over
// all of it) then costs what an agent of this length costs, not milliseconds a line.
inline constexpr std::size_t kOctetsAgentLus = 1024;

// The catalogue's family when no entry names the agent; the tables write it kNomInconnu
// (Messages.h), not "Autre", which a chart's slice gathering the small entries would also read.
inline constexpr std::string_view kFamilleAutre = "Other";

// A browser, robot or system as the catalogue names it. The texts are the catalogue's (ASCII,
// UTF-8 for a few names) except where an entry copies a piece of the agent into the name: that
// piece keeps the agent's bytes.
struct Designation {
    std::string famille;  // "Chrome", "Mobile Safari", "Windows", "Other"
    std::string majeure;  // the major version, empty when there is none: "42", "7", "10"
    std::string nom;      // the family and its major version: "Chrome 42", "Ubuntu", "Inconnu"
};

// What the catalogue says of one user agent.
struct ClassementAgent {
    Designation navigateur;  // from the catalogue's user-agent list
    Designation systeme;     // from its operating-system list
    bool robot = false;      // its device list names the agent's device "Spider"
};

// The catalogue's three lists, compiled. Const member functions may be called from any number of
// threads at once.
class CatalogueAgents {
  public:
    // Compiles every expression of the catalogue (20 to 40 ms here, quiet machine). Raises
    // ErreurKestrane if one does not compile, which a change of catalogue or engine could cause.
    CatalogueAgents();
    ~CatalogueAgents();
    CatalogueAgents(const CatalogueAgents&) = delete;
    CatalogueAgents& operator=(const CatalogueAgents&) = delete;

    // The process's catalogue, compiled by the first call (calls from several threads wait for
    // that one compilation).
    static const CatalogueAgents& partage();
    // Whether partage() has compiled it already.
    static bool partageCompile();

    // Each reads the agent's first kOctetsAgentLus bytes: a longer agent is named as they are.
    ClassementAgent classer(std::string_view agent) const;
    Designation classerNavigateur(std::string_view agent) const;
    Designation classerSysteme(std::string_view agent) const;
    bool estRobot(std::string_view agent) const;

    // The catalogue's version: "0.18.0".
    static const char* version();

  private:
    struct Moteur;
    std::unique_ptr<const Moteur> moteur_;
};

// The classifications of the agents met so far, keyed by the bytes the catalogue reads (the
// first kOctetsAgentLus: agents that differ only after them are one entry). Not to be shared
// between threads: each stretch of a journal read on its own thread keeps its own cache (an agent
// met in both stretches is classified twice, which costs less than a lock on every line).
class CacheAgents {
  public:
    explicit CacheAgents(const CatalogueAgents& catalogue = CatalogueAgents::partage())
        : catalogue_(catalogue) {}

    // The agent's classification, computed at its first call. The reference stays valid as long
    // as the cache lives (later agents do not move it).
    const ClassementAgent& classer(std::string_view agent);

    // Distinct agents classified so far.
    std::size_t taille() const { return entrees_.size(); }

  private:
    struct Hachage {
        using is_transparent = void;
        std::size_t operator()(std::string_view texte) const {
            return std::hash<std::string_view>{}(texte);
        }
    };
    const CatalogueAgents& catalogue_;
    std::unordered_map<std::string, ClassementAgent, Hachage, std::equal_to<>> entrees_;
};

// What the catalogue says of the agents met, kept for analyses that meet them again and again (a
// base's days, each counted apart, meet mostly the same agents): each agent is classified once
// for each thing asked of it. Keyed, as the catalogue reads, by the agent's first kOctetsAgentLus
// bytes. Any number of threads may use it at once (two threads asking for the same new agent at
// once may both classify it, and get the same answer). It keeps at most kAgentsGardes agents: a
// journal of countless agents made up (scanners) does not fill the memory, its later agents are
// classified each time.
class MemoireAgents {
  public:
    static constexpr std::size_t kAgentsGardes = std::size_t{1} << 16;

    // `catalogue` null: the process's, compiled when first needed (its compilation may then run
    // beside what comes before).
    explicit MemoireAgents(const CatalogueAgents* catalogue = nullptr) : catalogue_(catalogue) {}
    // As CatalogueAgents's functions of the same name.
    Designation classerNavigateur(std::string_view agent);
    Designation classerSysteme(std::string_view agent);
    bool estRobot(std::string_view agent);
    // The three at once: the agent looked up once when the memory holds them all.
    ClassementAgent classer(std::string_view agent);
    // The agents kept.
    std::size_t taille();

  private:
    struct Entree {
        std::optional<Designation> navigateur, systeme;
        std::optional<bool> robot;
    };
    struct Hachage {
        using is_transparent = void;
        std::size_t operator()(std::string_view texte) const {
            return std::hash<std::string_view>{}(texte);
        }
    };
    // The answer kept in `champ` of the agent's entry, computed by `calculer` when there is none.
    template <typename T, typename F>
    T garder(std::string_view agent, std::optional<T> Entree::*champ, F&& calculer);

    const CatalogueAgents& catalogue() const {
        return catalogue_ ? *catalogue_ : CatalogueAgents::partage();
    }

    const CatalogueAgents* catalogue_;
    std::shared_mutex verrou_;
    std::unordered_map<std::string, Entree, Hachage, std::equal_to<>> entrees_;
};

}  // namespace kestrane
