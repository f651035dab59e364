// A particle system as the resource script declares it: its settings block and its
// sprite. The game never runs one; it only has to exist when a script names it.
#pragma once

#include <cstdint>

class Sprite;

constexpr int PARTICLE_SETTINGS_SIZE = 128;

class ParticleSystem {
public:
    // Copies the first 128 bytes of settings (zeros after a shorter block). The
    // sprite stays the resource manager's.
    ParticleSystem(const void* settings, uint32_t size, Sprite* sprite);
    virtual ~ParticleSystem() = default;

    unsigned char settings[PARTICLE_SETTINGS_SIZE];
    Sprite* sprite;
};
