#include "physics/mouse_joint.h"

b2MouseJoint* createMouseJoint(b2World* world, b2Body* ground, const MouseJointDef& def) {
    b2MouseJointDef jd;
    jd.bodyA = ground;
    jd.bodyB = def.body;
    jd.target = def.target;
    jd.maxForce = def.maxForce;
    jd.collideConnected = def.collideConnected;
    b2LinearStiffness(jd.stiffness, jd.damping, def.frequencyHz, def.dampingRatio, ground, def.body);
    return static_cast<b2MouseJoint*>(world->CreateJoint(&jd));
}
