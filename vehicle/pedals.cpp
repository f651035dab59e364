// The gas and brake pedals: plates that slide down by up to 1.5 units and are
// pushed back up by their motors whenever the paw lets go.
#include "forest/cab_categories.h"
#include "main/world.h"

namespace {

constexpr float PEDAL_TRAVEL = 1.5f;

// The plate's outline has its bottom edge level with the body's origin.
b2Body* createPedal(PhysicsWorld* cab, b2Body* anchor, float x, float y, const b2Vec2 (&outline)[4],
                    b2PrismaticJoint** joint) {
    BodyDef def;
    def.position.Set(x, y);
    def.userData = CAB_BODY;
    b2Body* body = cab->createBody(def);

    ShapeDef plate = polygonShape(outline, 4);
    plate.friction = 1.0f;
    plate.density = 0.4f;
    plate.filter = makeFilter(CAB_PEDALS);
    addShape(body, plate);
    setMassFromShapes(body);

    // The pedal is body A: pushing it down makes the translation negative.
    b2PrismaticJointDef slide;
    slide.Initialize(body, anchor, body->GetWorldCenter(), b2Vec2(0.0f, 1.0f));
    slide.enableLimit = true;
    slide.lowerTranslation = -PEDAL_TRAVEL;
    slide.upperTranslation = 0.0f;
    slide.enableMotor = true;
    slide.maxMotorForce = 60.0f;
    slide.motorSpeed = 1000.0f;
    *joint = static_cast<b2PrismaticJoint*>(cab->createJoint(slide));
    return body;
}

}  // namespace

void World::createGasPedal(float x, float y) {
    static const b2Vec2 outline[4] = {b2Vec2(0.5f, 0.0f), b2Vec2(0.5f, -2.0f), b2Vec2(2.0f, -2.0f),
                                      b2Vec2(2.0f, 0.0f)};
    gasPedalBody = createPedal(cabWorld, cabAnchor, x, y, outline, &gasPedalJoint);
}

void World::createBrakePedal(float x, float y) {
    static const b2Vec2 outline[4] = {b2Vec2(0.25f, 0.0f), b2Vec2(0.25f, -1.5f), b2Vec2(2.5f, -1.5f),
                                      b2Vec2(2.5f, 0.0f)};
    brakePedalBody = createPedal(cabWorld, cabAnchor, x, y, outline, &brakePedalJoint);
}
