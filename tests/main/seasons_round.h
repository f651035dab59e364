// A set-up round for the seasons' tests, and the player's volume settings kept
// safe around them.
#pragma once

#include "tests/forest/round_globals.h"

struct SeasonRound {
    RoundGlobals globals;
    int savedFx = fxVolume;
    int savedMusic = musicVolume;

    explicit SeasonRound(int year = 2, int modifierA = -1, int modifierB = -1, uint32_t seed = 42u)
        : globals(year, modifierA, modifierB) {
        seedRandom(seed);
        world->setup(static_cast<float>(game->winterMinutes));
    }
    ~SeasonRound() {
        fxVolume = savedFx;
        musicVolume = savedMusic;
    }
    SeasonRound(const SeasonRound&) = delete;
    SeasonRound& operator=(const SeasonRound&) = delete;

    static void update() {
        const InputFrame idle{0.0f, 0.0f, 0};
        world->update(&idle);
    }
    static float dt() { return engine->Timer_Delta(); }
};
