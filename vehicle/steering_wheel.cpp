// The steering wheel: a rim and spokes on a hub that turns one full turn either
// way. Its motor at speed 0 is the friction that keeps it where the paw left it.
#include "forest/cab_categories.h"
#include "main/world.h"

namespace {
constexpr float TWO_PI = 6.2831855f;
}

void World::createSteeringWheel(float x, float y, float radius) {
    BodyDef def;
    def.position.Set(x, y);
    def.angularDamping = 1.0f;
    def.userData = CAB_BODY;
    wheelBody = cabWorld->createBody(def);

    ShapeDef rim = circleShape(radius);
    rim.friction = 1.0f;
    rim.density = 1.0f;
    rim.filter = makeFilter(CAB_WHEEL_RIM);
    addShape(wheelBody, rim);
    // Only the rim weighs: the spokes come after the mass is set.
    setMassFromShapes(wheelBody);

    ShapeDef across = boxShape(2.5f, 0.4f);
    ShapeDef down = boxShape(0.4f, 1.25f, b2Vec2(0.0f, 1.25f));
    for (ShapeDef* spoke : {&across, &down}) {
        spoke->friction = 1.0f;
        spoke->density = 1.0f;
        spoke->filter = makeFilter(CAB_WHEEL_SPOKES);
        addShape(wheelBody, *spoke);
    }

    b2RevoluteJointDef hub;
    hub.Initialize(wheelBody, cabAnchor, wheelBody->GetWorldCenter());
    hub.enableLimit = true;
    hub.lowerAngle = -TWO_PI;
    hub.upperAngle = TWO_PI;
    hub.enableMotor = true;
    hub.motorSpeed = 0.0f;
    hub.maxMotorTorque = 25.0f;
    hub.collideConnected = false;
    wheelJoint = static_cast<b2RevoluteJoint*>(cabWorld->createJoint(hub));
}
