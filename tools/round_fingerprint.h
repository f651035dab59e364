// Everything that moves in both worlds, the paw, the cab and the generator, as
// bits: two runs of the same records that end alike end with equal fingerprints.
// Shared by round_tool's --verify and the replay test.
#pragma once

#include "forest/forest.h"
#include "main/random.h"
#include "main/world.h"

#include <cstdint>
#include <cstring>
#include <vector>

inline std::vector<uint32_t> roundFingerprint() {
    std::vector<uint32_t> bits;
    auto put = [&bits](float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        bits.push_back(u);
    };
    for (b2Body* b = world->cabWorld->bodies(); b; b = b->GetNext()) {
        put(b->GetPosition().x);
        put(b->GetPosition().y);
        put(b->GetAngle());
        put(b->GetLinearVelocity().x);
        put(b->GetLinearVelocity().y);
        put(b->GetAngularVelocity());
    }
    for (b2Body* b = forest->world->bodies(); b; b = b->GetNext()) {
        put(b->GetPosition().x);
        put(b->GetPosition().y);
        put(b->GetAngle());
    }
    put(world->pawX);
    put(world->pawY);
    put(world->cabTilt);
    put(world->growlTimer);
    bits.push_back(static_cast<uint32_t>(world->frameCount));
    bits.push_back(randomState());
    bits.push_back(world->grabJoint ? 1u : 0u);
    return bits;
}
