// One round: one year of the bear's life.
#pragma once

#include "main/input_log.h"

class World {
public:
    World();
    virtual ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Builds the round with winter the given number of minutes away.
    void setup(float winterMinutes);
    // One step of 1/60 s; null means live input.
    void update(const InputFrame* frame);

    int frameCount = 0;
    float elapsed = 0.0f;
};
