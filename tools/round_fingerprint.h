// The round's state words (main/round_state.h) as a list, for the tools and tests
// that compare two runs update by update and tell where they part.
#pragma once

#include "main/round_state.h"

#include <cstdint>
#include <vector>

inline std::vector<uint32_t> roundFingerprint() {
    std::vector<uint32_t> bits;
    visitRoundState([&bits](uint32_t w) { bits.push_back(w); });
    return bits;
}
