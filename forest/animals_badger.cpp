#include "forest/animals_badger.h"

#include "engine/sprite/sprite.h"
#include "forest/animals.h"
#include "forest/animals_art.h"
#include "forest/cab_categories.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/physics_world.h"

#include <cmath>

namespace {
constexpr float PI = 3.14159265f;
// Walls, windows, the wheel's spokes, loose things, the pedals and the lever; the
// roof only once it is inside.
constexpr uint16_t BADGER_MASK = 0x0155;
constexpr float KICK_TORQUE = 10000.0f;
constexpr float THRASH_IMPULSE = 1000.0f;

int living = 0;

// The head and the four legs: where each starts, and where it hinges on the torso.
struct Part {
    float x, y;
    uint16_t category;
    float hingeX, hingeY;
};
constexpr Part PARTS[5] = {
    {-3.6f, 0.0f, CAB_BADGER_HEAD, -2.1f, 0.0f},
    {-1.7f, -2.0f, CAB_LOOSE, -1.5f, -1.0f},
    {1.3f, -2.0f, CAB_LOOSE, 1.5f, -1.0f},
    {-1.7f, 2.0f, CAB_LOOSE, -1.5f, 1.0f},
    {1.3f, 2.0f, CAB_LOOSE, 1.5f, 1.0f},
};

b2Body* badgerBody(Badger* badger, b2Vec2 at, const ShapeDef& shape) {
    BodyDef def;
    def.position = at;
    def.userData = reinterpret_cast<uintptr_t>(static_cast<CabObject*>(badger));
    b2Body* body = world->cabWorld->createBody(def);
    addShape(body, shape);
    setMassFromShapes(body);
    return body;
}

ShapeDef material(ShapeDef shape, uint16_t category) {
    shape.friction = 0.1f;
    shape.restitution = 0.0f;
    shape.density = 2.0f;
    shape.filter = makeFilter(category, BADGER_MASK);
    return shape;
}

bool hasMaskBit(const b2Body* body, uint16_t bit) {
    return (body->GetFixtureList()->GetFilterData().maskBits & bit) != 0;
}

void drawAt(Sprite* sprite, const b2Body* body, float hscale, float vscale) {
    if (!sprite) return;
    const b2Vec2 p = body->GetPosition();
    sprite->DrawTransformed(16.0f * p.x, 16.0f * p.y, body->GetAngle(), hscale, vscale);
}
}  // namespace

CabObject* newBadger() { return new Badger(); }

int livingBadgers() { return living; }

void badgerCatches(CabObject* badger, b2Body* food) {
    // Only a badger's head has the catching category; anything else is ignored.
    if (Badger* b = dynamic_cast<Badger*>(badger)) b->heldBody = food;
}

Badger::Badger() {
    kind = CAB_KIND_BADGER;
    bodyCount = 6;
    stayChance = 0.0f;
    escapesWhenFast = false;

    bodies[5] = badgerBody(this, b2Vec2(0.0f, 0.0f), material(boxShape(1.5f, 0.7f), CAB_LOOSE));
    radii[5] = 2.0f;
    for (int i = 0; i < 5; ++i) {
        bodies[i] = badgerBody(this, b2Vec2(PARTS[i].x, PARTS[i].y), material(circleShape(0.5f), PARTS[i].category));
        radii[i] = 0.5f;
    }

    for (int i = 0; i < 5; ++i) {
        b2RevoluteJointDef hinge;
        hinge.Initialize(torso(), bodies[i], b2Vec2(PARTS[i].hingeX, PARTS[i].hingeY));
        hinge.enableLimit = true;
        hinge.lowerAngle = -PI / 4.0f;
        hinge.upperAngle = PI / 4.0f;
        hinge.enableMotor = false;
        legJoints[i] = static_cast<b2RevoluteJoint*>(world->cabWorld->createJoint(hinge));
    }
    living += 1;
}

Badger::~Badger() {
    // The hinges go before the base destroys the bodies they join.
    for (b2RevoluteJoint*& joint : legJoints) {
        if (joint) world->cabWorld->destroyJoint(joint);
        joint = nullptr;
    }
    living -= 1;
}

void Badger::update() {
    const float dt = engine->Timer_Delta();
    if (dt * 10.0f > random01()) {
        const float torque = random01() < 0.5f ? -KICK_TORQUE : KICK_TORQUE;
        bodies[1 + randomInt(4)]->ApplyTorque(torque, true);
        // Only inside the cab (the roof shuts behind it) does it thrash about.
        if (hasMaskBit(torso(), CAB_ROOF)) {
            const float ix = randomRange(-THRASH_IMPULSE, THRASH_IMPULSE);
            const float iy = randomRange(-THRASH_IMPULSE, THRASH_IMPULSE);
            torso()->ApplyLinearImpulse(b2Vec2(ix, iy), torso()->GetPosition(), true);
        }
        const AnimalArt& art = animalArt();
        if (randomInt(10) == 0) engine->Effect_PlayWith(art.badger, 100, 0, randomRange(0.7f, 1.3f), false);
        if (randomInt(5) == 0) engine->Effect_PlayWith(art.scratch, 40, 0, 2.0f, false);
    }
    if (heldBody) {
        // What was caught may have left the cab and been deleted since: only a body
        // of a listed object is eaten, and the pointer is only compared until then.
        for (CabObject* o : world->cabObjects) {
            if (o != this && o->owns(heldBody)) {
                o->onEaten(heldBody);
                break;
            }
        }
        heldBody = nullptr;
    }
    applyOpenings();
}

void Badger::render() {
    const AnimalArt& art = animalArt();
    for (int leg = 1; leg <= 4; ++leg) drawAt(art.badgerPaw, bodies[leg], 1.0f, leg <= 2 ? 1.0f : -1.0f);
    drawAt(art.badgerBody, torso(), 1.0f, 1.0f);
    const int frame = static_cast<int>(std::trunc(world->elapsed * 5.0f)) & 1;
    drawAt(art.badgerHead[frame], head(), 1.0f, 1.0f);
}
