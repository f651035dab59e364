// A badger shaken out of a tree: a torso with a head and four legs on limited
// hinges. It thrashes and kicks about the cab, and its head eats any fish or berry
// it gets hold of.
#pragma once

#include "forest/cab_object.h"

constexpr int CAB_KIND_BADGER = 1;

class Badger : public CabObject {
public:
    // Bodies at their local start positions until dropIntoCab; counts itself alive.
    Badger();
    ~Badger() override;

    void update() override;
    void render() override;

    b2Body* head() const { return bodies[0]; }
    b2Body* torso() const { return bodies[5]; }

    // torso-head first, then torso to each leg in body order.
    b2RevoluteJoint* legJoints[5] = {};
    // What the head caught in the last cab step, eaten at the next update.
    b2Body* heldBody = nullptr;
};
