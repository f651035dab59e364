// A physics world with bounds: bodies that fly out of them are reported once and
// taken out of the simulation. It reports contacts point by point and owns a
// static ground body for joints that hold something to the world.
#pragma once

#include "physics/area_query.h"
#include "physics/body.h"
#include "physics/contact_dispatch.h"
#include "physics/contact_events.h"
#include "physics/mouse_joint.h"
#include "physics/shape.h"

class PhysicsWorld {
public:
    PhysicsWorld(const b2AABB& bounds, b2Vec2 gravity, bool allowSleep);
    ~PhysicsWorld();
    PhysicsWorld(const PhysicsWorld&) = delete;
    PhysicsWorld& operator=(const PhysicsWorld&) = delete;

    void setContactListener(ContactListener* listener) { dispatch_.setListener(listener); }
    void setBoundaryListener(BoundaryListener* listener) { boundary_ = listener; }

    b2Body* createBody(const BodyDef& def);
    // Removes the body, its shapes and joints; touching points get remove events.
    void destroyBody(b2Body* body);
    b2Joint* createJoint(const b2JointDef& def) { return world_.CreateJoint(&def); }
    b2MouseJoint* createMouseJoint(const MouseJointDef& def) { return ::createMouseJoint(&world_, ground_, def); }
    void destroyJoint(b2Joint* joint) { world_.DestroyJoint(joint); }

    // One step; contact events arrive during it, boundary violations after it.
    void step(float dt, int velocityIterations, int positionIterations);

    int query(const b2AABB& box, Shape** shapes, int maxCount) const {
        return queryArea(&world_, box, shapes, maxCount);
    }

    void setGravity(b2Vec2 g) { world_.SetGravity(g); }
    b2Vec2 gravity() const { return world_.GetGravity(); }
    const b2AABB& bounds() const { return bounds_; }
    b2Body* groundBody() const { return ground_; }
    b2Body* bodies() { return world_.GetBodyList(); }
    int bodyCount() const { return world_.GetBodyCount(); }
    bool isLocked() const { return world_.IsLocked(); }
    b2World* library() { return &world_; }

private:
    void checkBounds();

    b2World world_;
    ContactDispatch dispatch_;
    b2AABB bounds_;
    BoundaryListener* boundary_ = nullptr;
    b2Body* ground_ = nullptr;
};
