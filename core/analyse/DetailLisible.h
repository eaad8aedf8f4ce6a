// The detail text of a record with readable results: the described thirteen lines, but the
// browser or robot and the system named by the user-agent catalogue from the whole agent, as the
// readable tables of browsers and systems name them (the positional cut means little to a
// reader: "Intel Mac OS X 10_9_1) AppleWebKit/537.36 (KHTML, like Gecko").
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/lecture/LecteurLignes.h"
#include "core/lecture/ULog.h"

namespace kestrane {

class CacheAgents;

// The whole user agent of a record made from `ligne`, as the readable tables count it: from the
// browser's start to the closing quote or the line's end; the agent a format's reader rewrote
// outside the line (`plus`, when given); the record's browser itself when it lies elsewhere
// (the parser's "-").
std::string_view agentDuRecord(const RLog& r, std::string_view ligne,
                               const ChampsEnPlus* plus = nullptr);

// Not to be shared between threads: each keeps the names of the agents it met.
class DetailsLisibles {
  public:
    // `sansAgent`: the format holds no agent, which the browser and system then say (kPasDAgent).
    explicit DetailsLisibles(bool sansAgent = false);
    ~DetailsLisibles();
    DetailsLisibles(const DetailsLisibles&) = delete;
    DetailsLisibles& operator=(const DetailsLisibles&) = delete;

    // ajouterDetailLog's text of `r`, its browser and system those the catalogue names `agent`.
    void ajouter(std::string& sortie, const RLog& r, std::string_view agent);

  private:
    bool sansAgent_;
    std::unique_ptr<CacheAgents> cache_;  // each distinct agent classified once
};

}  // namespace kestrane
