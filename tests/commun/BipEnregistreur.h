// The beep of the tests and benchmarks: records each tone instead of playing it.
#pragma once

#include <utility>
#include <vector>

#include "core/analyse/Interfaces.h"

namespace kestrane {

class BipEnregistreur : public Bip {
  public:
    void bip(int frequenceHz, int dureeMs) override { bips.emplace_back(frequenceHz, dureeMs); }

    // (frequency, duration) of every tone, in order.
    std::vector<std::pair<int, int>> bips;
};

}  // namespace kestrane
