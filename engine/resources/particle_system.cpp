#include "engine/resources/particle_system.h"

#include <cstring>

ParticleSystem::ParticleSystem(const void* data, uint32_t size, Sprite* spr) : sprite(spr) {
    std::memset(settings, 0, sizeof(settings));
    if (data) std::memcpy(settings, data, size < sizeof(settings) ? size : sizeof(settings));
}
