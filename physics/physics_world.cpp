#include "physics/physics_world.h"

PhysicsWorld::PhysicsWorld(const b2AABB& bounds, b2Vec2 gravity, bool allowSleep)
    : world_(gravity), bounds_(bounds) {
    world_.SetAllowSleeping(allowSleep);
    world_.SetContactListener(&dispatch_);
    BodyDef ground;
    ground_ = createBody(ground);
}

PhysicsWorld::~PhysicsWorld() {
    // The library frees everything with the world without reporting contacts.
    world_.SetContactListener(nullptr);
}

b2Body* PhysicsWorld::createBody(const BodyDef& def) {
    b2BodyDef bd;
    bd.type = b2_staticBody;
    bd.position = def.position;
    bd.angle = def.angle;
    bd.linearDamping = def.linearDamping;
    bd.angularDamping = def.angularDamping;
    bd.allowSleep = def.allowSleep;
    bd.awake = !def.isSleeping;
    bd.bullet = def.isBullet;
    bd.fixedRotation = def.fixedRotation;
    bd.userData.pointer = def.userData;
    b2Body* body = world_.CreateBody(&bd);
    if (def.massData.mass > 0.0f) setMass(body, def.massData);
    return body;
}

void PhysicsWorld::destroyBody(b2Body* body) { world_.DestroyBody(body); }

void PhysicsWorld::step(float dt, int velocityIterations, int positionIterations) {
    dispatch_.beginStep();
    world_.Step(dt, velocityIterations, positionIterations);
    dispatch_.reportSensorPersists(&world_);
    checkBounds();
}

// A body is out when one of its shapes lies wholly outside the bounds. Resting
// bodies do not move and are not looked at. The step has just given each moving
// shape's broad-phase box, which covers where the shape is now: one inside the
// bounds needs no box of its own.
void PhysicsWorld::checkBounds() {
    for (b2Body* b = world_.GetBodyList(); b; b = b->GetNext()) {
        if (b->GetType() == b2_staticBody || !b->IsEnabled() || !b->IsAwake()) continue;
        bool out = false;
        const b2Transform& xf = b->GetTransform();
        for (b2Fixture* f = b->GetFixtureList(); f && !out; f = f->GetNext()) {
            const b2Shape* shape = f->GetShape();
            for (int32 child = 0; child < shape->GetChildCount() && !out; ++child) {
                if (bounds_.Contains(f->GetAABB(child))) continue;
                b2AABB box;
                shape->ComputeAABB(&box, xf, child);
                out = !b2TestOverlap(box, bounds_);
            }
        }
        if (!out) continue;
        if (boundary_) boundary_->violation(b);
        b->SetEnabled(false);
    }
}
