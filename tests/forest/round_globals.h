// The program-wide objects a round needs, for tests: a headless engine, a Game
// with the year and modifiers under test, and a World (not set up).
#pragma once

#include "main/game.h"
#include "main/random.h"
#include "main/world.h"

#include <cstdint>

struct RoundGlobals {
    explicit RoundGlobals(int year = 1, int modifierA = -1, int modifierB = -1) {
        engine = engineCreateHeadless(ENGINE_VERSION);
        game = new Game();
        game->year = year;
        game->modifierA = modifierA;
        game->modifierB = modifierB;
        world = new World();
    }
    ~RoundGlobals() {
        delete world;
        world = nullptr;
        delete game;
        game = nullptr;
        engine->Release();
        engine = nullptr;
    }
    RoundGlobals(const RoundGlobals&) = delete;
    RoundGlobals& operator=(const RoundGlobals&) = delete;
};

// A round set up from a known seed and ready to update, the winter five minutes away.
struct SetUpRound {
    RoundGlobals globals;
    SetUpRound(int year, uint32_t seed, int modifierA = -1, int modifierB = -1)
        : globals(year, modifierA, modifierB) {
        seedRandom(seed);
        world->setup(5.0f);
    }
    // Updates with the pointer still and no button.
    static void idle(int frames = 1) {
        const InputFrame still{0.0f, 0.0f, 0};
        for (int i = 0; i < frames; ++i) world->update(&still);
    }
};

// The game's generator, written out again: the tests predict draws with it.
struct ReferenceRandom {
    uint32_t state;
    explicit ReferenceRandom(uint32_t seed) : state(seed) {}
    uint32_t next() { return state = state * 214013u + 2531011u; }
    uint32_t integer(uint32_t n) {
        uint32_t s = next();
        return ((s >> 15) ^ s) % n;
    }
    float unit() { return static_cast<float>(next() >> 16) * 1.5259022e-5f; }
    float range(float a, float b) { return a + (b - a) * static_cast<float>(next() >> 16) * 1.5259022e-5f; }
};
