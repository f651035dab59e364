// Mouse joints are given as a frequency and a damping ratio, as the game states
// them; the joint's stiffness and damping follow from the held body's mass.
#pragma once

#include <box2d/box2d.h>

struct MouseJointDef {
    b2Body* body = nullptr;           // the body that is dragged
    b2Vec2 target = b2Vec2(0.0f, 0.0f);  // also the grip point on the body
    float maxForce = 0.0f;
    float frequencyHz = 5.0f;
    float dampingRatio = 0.7f;
    bool collideConnected = false;
};

// The joint pulls def.body towards its target; its other body is ground.
b2MouseJoint* createMouseJoint(b2World* world, b2Body* ground, const MouseJointDef& def);
