// A hostile user agent: every text the catalogue's entries need (the filters of its three lists,
// once each, joined by blanks) in alternating case. Lowercased, as the filter reads it, it meets
// every entry's condition; the case-sensitive expressions then fail, so that each of them runs
// over the whole agent. About 52 KB with uap-core 0.18.0. Read by the tests and by
// bench_agents_longs.
#pragma once

#include <algorithm>
#include <set>
#include <string>
#include <string_view>

#include "core/catalogue/ModelesUap.h"

namespace kestrane {

// A text holding a quote, a backslash or a control byte is left out: a server escapes those,
// and the agent must stay one field of a combined line.
inline std::string agentPiege() {
    std::set<std::string_view> textes;
    for (const catalogue::FiltreUap* f :
         {&catalogue::kFiltreNavigateurs, &catalogue::kFiltreSystemes,
          &catalogue::kFiltreAppareils})
        for (const std::string_view a : f->atomes)
            if (std::none_of(a.begin(), a.end(), [](char c) {
                    return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
                }))
                textes.insert(a);
    std::string agent;
    for (const std::string_view t : textes) {
        if (!agent.empty()) agent += ' ';
        agent += t;
    }
    for (std::size_t k = 0; k < agent.size(); k += 2)
        if (agent[k] >= 'a' && agent[k] <= 'z') agent[k] = static_cast<char>(agent[k] - 'a' + 'A');
    return agent;
}

}  // namespace kestrane
