#include "forest/pickups_round_item.h"

#include "engine/sprite/sprite.h"
#include "forest/cab_categories.h"
#include "forest/pickups_art.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/physics_world.h"

namespace {
constexpr float TWO_PI = 6.2831855f;
// Squared speeds of a knock that is heard, and of one that shakes the ledge.
constexpr float LOUD_KNOCK = 60.0f;
constexpr float HARD_KNOCK = 10.0f;
}  // namespace

RoundItem::RoundItem() { angleOffset = random01() * TWO_PI; }

void RoundItem::makeBody(float radius, float density, float friction, float restitution) {
    radii[0] = radius;
    bodyCount = 1;
    BodyDef def;
    def.allowSleep = true;
    def.userData = reinterpret_cast<uintptr_t>(static_cast<CabObject*>(this));
    bodies[0] = world->cabWorld->createBody(def);
    ShapeDef circle = circleShape(radius);
    circle.density = density;
    circle.friction = friction;
    circle.restitution = restitution;
    circle.isSensor = false;
    circle.filter = makeFilter(CAB_LOOSE, ROUND_ITEM_MASK);
    addShape(bodies[0], circle);
    setMassFromShapes(bodies[0]);
}

void RoundItem::makeLeaf(int n) {
    sprite = pickupArt().leaves[n & 3];
    makeBody(0.5f, 0.1f, 0.1f, 0.1f);
    // Leaves sail down and settle at once.
    bodies[0]->SetLinearDamping(5.0f);
    bodies[0]->SetAngularDamping(5.0f);
}

void RoundItem::makePinecone() {
    sprite = pickupArt().pinecone;
    makeBody(0.5f, 1.0f, 0.5f, 0.2f);
    bodies[0]->SetLinearDamping(1.0f);
}

void RoundItem::makeBerry() {
    sprite = pickupArt().berry;
    makeBody(0.4f, 0.5f, 0.5f, 0.5f);
    // Small enough for the spokes, not the rim; the mouth and a badger take it.
    setMaskBits(CAB_WHEEL_SPOKES | CAB_MOUTH | CAB_BADGER_HEAD);
    clearMaskBits(CAB_WHEEL_RIM);
    nutrition = 0.03f;
    chewDuration = 0.65f;
}

void RoundItem::update() {
    if (active) applyOpenings();
}

void RoundItem::onContact() {
    const float v2 = bodies[0]->GetLinearVelocity().LengthSquared();
    const float now = world->elapsed;
    if (v2 > LOUD_KNOCK && soundCount > 0 && lastSoundTime + 0.25f < now) {
        const EffectHandle sound = sounds[randomInt(static_cast<uint32_t>(soundCount))];
        const float pitch = randomRange(0.75f, 1.25f) * pitchScale;
        engine->Effect_PlayWith(sound, 100, 0, pitch, false);
        lastSoundTime = now;
    }
    if (v2 > HARD_KNOCK) struck = true;
}

void RoundItem::onEaten(b2Body* body) {
    (void)body;  // the item's only body
    clearMaskBits(CAB_MOUTH | CAB_BADGER_HEAD);
    dead = true;
}

void RoundItem::render() {
    if (!sprite || bodyCount == 0) return;
    const b2Vec2 p = bodies[0]->GetPosition();
    sprite->DrawTransformed(16.0f * p.x, 16.0f * p.y, bodies[0]->GetAngle() + angleOffset, scale, scale);
}
