// What making and dropping each loose thing draws from the game's generator,
// written out again so that tests can predict a whole sequence of draws.
#pragma once

#include "tests/forest/round_globals.h"

#include <box2d/box2d.h>

#include <vector>

struct PickupDraws {
    explicit PickupDraws(uint32_t seed) : r(seed) {}

    // dropIntoCab: x, then y.
    b2Vec2 drop() {
        const float x = r.range(5.0f, 15.0f);
        const float y = r.range(-5.0f, -10.0f);
        drops.push_back(b2Vec2(x, y));
        return drops.back();
    }
    // The RoundItem constructor's turn of its sprite.
    float roundItem() { return r.unit() * 6.2831855f; }
    void berry() {
        roundItem();
        drop();
    }
    void leafOrPinecone() {
        roundItem();
        drop();
    }
    // Returns the rock's size index.
    int rock() {
        roundItem();
        const int k = r.integer(9) != 0 ? static_cast<int>(r.integer(2)) : 2;
        drop();
        return k;
    }
    // Returns the fish's size.
    float fish(bool easyStart, bool dropped = true) {
        r.range(30.0f, 45.0f);
        r.integer(2);
        float size;
        if (!easyStart && r.integer(25) == 0) {
            size = 1.75f;
        } else if (!easyStart && r.integer(125) == 99) {
            size = 4.0f;
        } else {
            size = r.integer(2) != 0 ? 1.0f : 0.5f;
        }
        if (dropped) drop();
        return size;
    }

    ReferenceRandom r;
    std::vector<b2Vec2> drops;
};

// The round's first frame of a set-up World: seeded, built, nothing updated yet.
struct PickupRound : SetUpRound {
    explicit PickupRound(int year = 2, uint32_t seed = 77u, int modifierA = -1) : SetUpRound(year, seed, modifierA) {}
};
