#include "forest/pickups_clock.h"

#include "engine/sprite/sprite.h"
#include "forest/cab_categories.h"
#include "forest/pickups_art.h"
#include "main/game.h"
#include "main/world.h"
#include "physics/physics_world.h"

namespace {
constexpr float TWO_PI = 6.2831855f;
// The hand's turn: the longest year's five minutes and ten seconds more.
constexpr float TURN_MINUTES = 5.17f;
// Walls, roof, windows, the wheel's rim, loose things, the ledge, the pedals.
constexpr uint16_t CLOCK_MASK = 0x01CF;
}  // namespace

Clock::Clock(float minutes) {
    bodyCount = 1;
    usesOpenings = true;
    escapesWhenFast = false;
    hand = 1.0f - (minutes + 0.17f) / TURN_MINUTES;
    radii[0] = 1.1f;
    stayChance = 0.9f;

    BodyDef def;
    def.allowSleep = true;
    def.userData = reinterpret_cast<uintptr_t>(static_cast<CabObject*>(this));
    bodies[0] = world->cabWorld->createBody(def);
    ShapeDef face = circleShape(0.99f);
    face.friction = 0.5f;
    face.restitution = 0.0f;
    face.density = 0.5f;
    face.filter = makeFilter(CAB_LOOSE, CLOCK_MASK);
    addShape(bodies[0], face);
    ShapeDef foot = boxShape(1.0f, 0.5f, b2Vec2(0.0f, 0.5f));
    foot.friction = 1.0f;
    foot.restitution = 0.0f;
    foot.density = 0.5f;
    foot.filter = makeFilter(CAB_LOOSE, CLOCK_MASK);
    addShape(bodies[0], foot);
    setMassFromShapes(bodies[0]);
}

void Clock::update() {
    hand += engine->Timer_Delta() / (TURN_MINUTES * 60.0f);
    if (hand > 1.0f) hand = 1.0f;
    applyOpenings();
}

void Clock::render() {
    const PickupArt& art = pickupArt();
    Sprite* face = art.clock;
    Sprite* minute = art.clockMinute;
    const b2Vec2 p = bodies[0]->GetPosition();
    const float angle = bodies[0]->GetAngle();
    if (face) face->DrawTransformed(16.0f * p.x, 16.0f * p.y, angle, 1.0f, 1.0f);
    if (minute) minute->DrawTransformed(16.0f * p.x, 16.0f * p.y, hand * TWO_PI + angle, 1.0f, 1.0f);
}
