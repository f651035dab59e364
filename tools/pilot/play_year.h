// A first year played by the pilot from a seed, headless, to its end: the bear
// hibernates (won) or is snowed in. The round is drawn every update, as the game
// draws it: the view tells when the cave is ahead.
#pragma once

#include "main/input_log.h"
#include "tools/pilot/year_pilot.h"

#include <cstdint>
#include <vector>

struct YearResult {
    bool won = false;
    float seconds = 0.0f;  // how long the year lasted
    float fatness = 0.0f;  // at its end
    int grabs = 0;         // button presses of the paw
    YearStats stats;
};

// A whole game played by the pilot from a seed as the game plays it: the Game's
// own fades and years, one generator through them, each year's modifiers and
// shorter winter, until the bear is snowed in (or maxYears are won).
struct GameResult {
    int years = 0;  // survived
    // Per year played: its modifiers (-1 none) and whether it was won.
    struct Year {
        int modifierA, modifierB;
        bool won;
        float fatness;  // at the year's end
        int meals;
    };
    std::vector<Year> played;
};
// Records every update's frame into record if given, with its checkpoints.
GameResult playGame(uint32_t seed, bool human = false, int maxYears = 30, InputLog* record = nullptr);

// Needs the engine and the game; records the pilot's frames into record if given.
// human: the pilot plays through a HumanHand (tools/pilot/human_hand.h).
// year: the same round as a later year without modifiers (no easy start).
YearResult playFirstYear(uint32_t seed, InputLog* record = nullptr, bool human = false, int year = 1);
