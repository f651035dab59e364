// Everything that moves in both worlds, the paw, the cab and the generator, as
// 32-bit words: two runs of the same records that end alike give the same words.
// Demo files keep a hash of them every CHECKPOINT_UPDATES updates, so that a
// replay can tell when it no longer plays the recorded game; the tools compare
// them update by update.
#pragma once

#include "forest/forest.h"
#include "main/input_log.h"
#include "main/random.h"
#include "main/world.h"

#include <cstdint>
#include <cstring>

template <typename Put>
void visitRoundState(Put&& put) {
    auto putFloat = [&put](float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        put(u);
    };
    for (b2Body* b = world->cabWorld->bodies(); b; b = b->GetNext()) {
        putFloat(b->GetPosition().x);
        putFloat(b->GetPosition().y);
        putFloat(b->GetAngle());
        putFloat(b->GetLinearVelocity().x);
        putFloat(b->GetLinearVelocity().y);
        putFloat(b->GetAngularVelocity());
    }
    for (b2Body* b = forest->world->bodies(); b; b = b->GetNext()) {
        putFloat(b->GetPosition().x);
        putFloat(b->GetPosition().y);
        putFloat(b->GetAngle());
    }
    putFloat(world->pawX);
    putFloat(world->pawY);
    putFloat(world->cabTilt);
    putFloat(world->growlTimer);
    put(static_cast<uint32_t>(world->frameCount));
    put(randomState());
    put(world->grabJoint ? 1u : 0u);
}

// FNV-1a over the words; without a round, the generator's state alone.
inline uint32_t roundStateHash() {
    uint32_t hash = 2166136261u;
    const auto put = [&hash](uint32_t w) { hash = (hash ^ w) * 16777619u; };
    if (world && forest) {
        visitRoundState(put);
    } else {
        put(randomState());
    }
    return hash;
}
