#include "forest/pickups_fish.h"

#include "engine/sprite/sprite.h"
#include "forest/cab_categories.h"
#include "forest/pickups_art.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/physics_world.h"

namespace {
// Walls, windows, the wheel's rim, loose things, the ledge, the pedals, the mouth
// and a badger's head: a fish can be eaten and caught.
constexpr uint16_t FISH_MASK = 0x07CD;
constexpr float PI = 3.14159265f;

b2Body* fishPart(Fish* fish, b2Vec2 at, float halfWidth, float halfHeight) {
    BodyDef def;
    def.position = at;
    def.userData = reinterpret_cast<uintptr_t>(static_cast<CabObject*>(fish));
    b2Body* body = world->cabWorld->createBody(def);
    ShapeDef box = boxShape(halfWidth, halfHeight);
    box.friction = 0.5f;
    box.restitution = 0.1f;
    box.density = 1.0f;
    box.filter = makeFilter(CAB_LOOSE, FISH_MASK);
    addShape(body, box);
    setMassFromShapes(body);
    return body;
}

void clearBodyMask(b2Body* body, uint16_t bits) {
    for (b2Fixture* f = body->GetFixtureList(); f; f = f->GetNext()) {
        b2Filter filter = f->GetFilterData();
        if ((filter.maskBits & bits) == 0) continue;
        filter.maskBits &= static_cast<uint16_t>(~bits);
        f->SetFilterData(filter);
    }
}

void drawPart(Sprite* sprite, const b2Body* body, float size, bool mirrored) {
    if (!sprite) return;
    const b2Vec2 p = body->GetPosition();
    sprite->DrawTransformed(16.0f * p.x, 16.0f * p.y, body->GetAngle(), size, mirrored ? -size : size);
}
}  // namespace

Fish::Fish() {
    kind = CAB_KIND_FISH;
    bodyCount = 2;
    life = randomRange(30.0f, 45.0f);
    mirrored = randomInt(2) == 0;
    // The gentle start has no big or huge fish, and draws nothing for them.
    if (!world->easyStart && randomInt(25) == 0) {
        size = 1.75f;
    } else if (!world->easyStart && randomInt(125) == 99) {
        size = 4.0f;
    } else {
        size = randomInt(2) != 0 ? 1.0f : 0.5f;
    }
    radii[0] = 2.0f * size;
    radii[1] = 1.2f * size;
    nutrition = 0.125f * size;
    chewDuration = 1.6f * size;

    bodies[0] = fishPart(this, b2Vec2(0.0f, 0.0f), 2.0f * size, 0.5f * size);
    bodies[1] = fishPart(this, b2Vec2(3.2f * size, 0.0f), 1.2f * size, 0.5f * size);

    b2RevoluteJointDef hinge;
    hinge.Initialize(bodies[0], bodies[1], b2Vec2(2.0f * size, 0.0f));
    hinge.enableLimit = true;
    hinge.lowerAngle = -0.4f * PI;
    hinge.upperAngle = 0.4f * PI;
    hinge.enableMotor = false;
    hinge.collideConnected = false;
    joint = static_cast<b2RevoluteJoint*>(world->cabWorld->createJoint(hinge));

    // The smallest fish slips between the spokes, not the rim.
    if (size == 0.5f) {
        setMaskBits(CAB_WHEEL_SPOKES);
        clearMaskBits(CAB_WHEEL_RIM);
    }
}

Fish::~Fish() {
    // The hinge goes before the base destroys the bodies it joins.
    if (joint) world->cabWorld->destroyJoint(joint);
    joint = nullptr;
}

void Fish::update() {
    if (life > 0.0f) {
        const float dt = engine->Timer_Delta();
        const float r = random01();
        const float rate = remapClamped(life, 0.0f, 30.0f, 0.2f, 1.5f);
        if (dt * rate > r) {
            const float side = randomInt(2) != 0 ? -1.0f : 1.0f;
            const float strength = 5000.0f + 10000.0f * random01();
            b2Body* part = randomInt(2) == 0 ? head() : tail();
            part->ApplyTorque(side * strength * size * size, true);
            if (randomInt(2) == 0) {
                engine->Effect_PlayWith(pickupArt().fishFlop, 100, 0, randomRange(0.75f, 1.25f), false);
            }
        }
        life -= dt;
    }
    applyOpenings();
}

void Fish::onEaten(b2Body* body) {
    life = 0.0f;
    if (body == head()) headEaten = true;
    if (body == tail()) tailEaten = true;
    clearBodyMask(body, CAB_MOUTH | CAB_BADGER_HEAD);
}

void Fish::onContact() {
    if (head()->GetLinearVelocity().LengthSquared() > 10.0f) struck = true;
}

FishLook Fish::headLook() const {
    return headEaten ? FishLook::Bones : tailEaten ? FishLook::Half : FishLook::Whole;
}

FishLook Fish::tailLook() const {
    return tailEaten ? FishLook::Bones : headEaten ? FishLook::Half : FishLook::Whole;
}

void Fish::render() {
    const PickupArt& art = pickupArt();
    drawPart(art.fishHead[static_cast<int>(headLook())], head(), size, mirrored);
    drawPart(art.fishTail[static_cast<int>(tailLook())], tail(), size, mirrored);
}
