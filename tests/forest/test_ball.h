// A loose round thing of the cab for tests: one circle body that meets the cab's
// categories in its mask, with the density, friction and bounce asked for.
#pragma once

#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "main/game.h"
#include "main/world.h"

#include <cstdint>

class TestBall : public CabObject {
public:
    TestBall(b2Vec2 at, float radius, uint16_t mask, float density = 1.0f, float friction = ShapeDef().friction,
             float restitution = 0.0f) {
        BodyDef def;
        def.position = at;
        def.userData = reinterpret_cast<uintptr_t>(this);
        bodies[0] = world->cabWorld->createBody(def);
        ShapeDef s = circleShape(radius);
        s.density = density;
        s.friction = friction;
        s.restitution = restitution;
        s.filter = makeFilter(CAB_LOOSE, mask);
        addShape(bodies[0], s);
        setMassFromShapes(bodies[0]);
        radii[0] = radius;
        bodyCount = 1;
    }
    void update() override {}
    void render() override {}
};
