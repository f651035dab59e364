// The gear lever: a stick with a knob on a pivot that stops 30 degrees either side
// of upright. Knob toward the front (+x) is the forward gear, toward the back is
// reverse; the motor throws the lever to the end stop of the side it stands on.
#include "forest/cab_categories.h"
#include "main/world.h"

namespace {
constexpr float THIRTY_DEGREES = 0.5235988f;
}

void World::createShifter(float x, float y) {
    BodyDef def;
    def.position.Set(x, y);
    def.angle = THIRTY_DEGREES;
    def.userData = CAB_BODY;
    shifterBody = cabWorld->createBody(def);

    ShapeDef knob = boxShape(1.0f, 0.4f, b2Vec2(0.0f, -2.1f));
    ShapeDef stick = boxShape(0.25f, 1.1f, b2Vec2(0.0f, -1.0f));
    for (ShapeDef* part : {&knob, &stick}) {
        part->friction = 1.0f;
        part->density = 1.0f;
        part->filter = makeFilter(CAB_PEDALS);
        addShape(shifterBody, *part);
    }
    setMassFromShapes(shifterBody);

    // The lever is body A, so the joint angle is minus the lever's angle: the
    // lower stop is the forward gear.
    b2RevoluteJointDef pivot;
    pivot.Initialize(shifterBody, cabAnchor, b2Vec2(x, y));
    pivot.referenceAngle = 0.0f;
    pivot.enableLimit = true;
    pivot.lowerAngle = -THIRTY_DEGREES;
    pivot.upperAngle = THIRTY_DEGREES;
    pivot.enableMotor = true;
    pivot.motorSpeed = -20.0f;
    pivot.maxMotorTorque = 100000.0f;
    shifterJoint = static_cast<b2RevoluteJoint*>(cabWorld->createJoint(pivot));
}
