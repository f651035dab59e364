// A bee shaken out of a tree with its swarm: it buzzes about the cab, drifting
// sideways and climbing to heights of its own choosing, and stings the paw.
#pragma once

#include "forest/cab_object.h"

class Bee : public CabObject {
public:
    // The body at the cab's origin until dropIntoCab.
    Bee();

    void update() override;
    void render() override;

    b2Body* body() const { return bodies[0]; }

    float direction = 1.0f;  // sideways drive in [-1, 1]
    float targetY = 10.0f;   // the height it climbs toward
    float size = 0.5f;
    float ouchTime = 0.0f;  // seconds the sting's mark still shows
    float ouchX = 0.0f;
    float ouchY = 0.0f;
};
