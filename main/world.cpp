// The round before its physics, forest and cab exist: it only counts its frames.
#include "main/world.h"

World::World() = default;
World::~World() = default;

void World::setup(float) {
    frameCount = 0;
    elapsed = 0.0f;
}

void World::update(const InputFrame*) {
    ++frameCount;
    elapsed += 0.0166667f;
}
