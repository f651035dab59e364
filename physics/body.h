// Bodies: a body with no mass is static; it becomes dynamic when it is given mass,
// either from its shapes or stated outright.
#pragma once

#include <box2d/box2d.h>

#include <cstdint>

struct BodyDef {
    b2Vec2 position = b2Vec2(0.0f, 0.0f);
    float angle = 0.0f;
    float linearDamping = 0.0f;
    float angularDamping = 0.0f;
    bool allowSleep = true;
    bool isSleeping = false;
    bool isBullet = false;
    bool fixedRotation = false;
    uintptr_t userData = 0;
    // Mass 0: static until setMassFromShapes or setMass gives it mass.
    b2MassData massData = {0.0f, b2Vec2(0.0f, 0.0f), 0.0f};
};

// The user data value that marks the cab's own bodies (walls, fixtures, bear).
constexpr uintptr_t CAB_BODY = ~static_cast<uintptr_t>(0);

// Mass, centre and inertia from the shapes' densities; a body whose shapes give
// no mass is (or becomes) static.
void setMassFromShapes(b2Body* body);
// Stated mass (inertia about the body origin); mass 0 makes the body static.
void setMass(b2Body* body, const b2MassData& mass);

inline bool isStatic(const b2Body* body) { return body->GetType() == b2_staticBody; }
