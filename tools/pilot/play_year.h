// A first year played by the pilot from a seed, headless, to its end: the bear
// hibernates (won) or is snowed in. The round is drawn every update, as the game
// draws it: the view tells when the cave is ahead.
#pragma once

#include "main/input_log.h"
#include "tools/pilot/year_pilot.h"

#include <cstdint>

struct YearResult {
    bool won = false;
    float seconds = 0.0f;  // how long the year lasted
    float fatness = 0.0f;  // at its end
    int grabs = 0;         // button presses of the paw
    YearStats stats;
};

// Needs the engine and the game; records the pilot's frames into record if given.
// human: the pilot plays through a HumanHand (tools/pilot/human_hand.h).
YearResult playFirstYear(uint32_t seed, InputLog* record = nullptr, bool human = false);
