#include "forest/animals_bee.h"

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
// Walls, windows, the wheel's spokes, loose things, the pedals and the lever.
constexpr uint16_t BEE_MASK = 0x0155;
constexpr float DRIFT_FORCE = 6.0f;
constexpr float CLIMB_FORCE = 12.0f;
constexpr float OUCH_SHOWN = 0.15f;
}  // namespace

CabObject* newBee() { return new Bee(); }

Bee::Bee() {
    bodyCount = 1;
    stayChance = 0.0f;

    BodyDef def;
    def.fixedRotation = true;
    def.allowSleep = true;
    def.userData = reinterpret_cast<uintptr_t>(static_cast<CabObject*>(this));
    bodies[0] = world->cabWorld->createBody(def);
    ShapeDef circle = circleShape(0.5f);
    circle.friction = 0.1f;
    circle.restitution = 0.0f;
    circle.density = 0.5f;
    circle.filter = makeFilter(CAB_LOOSE, BEE_MASK);
    addShape(bodies[0], circle);
    setMassFromShapes(bodies[0]);
    radii[0] = 0.5f;
}

void Bee::update() {
    const float dt = engine->Timer_Delta();
    const AnimalArt& art = animalArt();
    b2Body* b = body();

    if (dt > random01()) {
        const float pitch = randomRange(0.5f, 1.5f);
        engine->Effect_PlayWith(art.buzz[randomInt(2)], 100, 0, pitch, false);
    }
    if (dt > random01()) {
        // Near either side wall it tends back toward the middle.
        const float x = b->GetPosition().x;
        const float lo = x >= 5.0f ? -1.0f : -0.25f;
        const float hi = x > 15.0f ? 0.25f : 1.0f;
        direction = randomRange(lo, hi);
    }
    if (dt > random01()) targetY = randomRange(-2.0f, 13.0f);

    b->ApplyForceToCenter(b2Vec2(DRIFT_FORCE * direction, 0.0f), true);
    if (targetY < b->GetPosition().y) b->ApplyForce(b2Vec2(0.0f, -CLIMB_FORCE), b->GetPosition(), true);

    if (ouchTime > 0.0f) ouchTime -= dt;

    const b2Vec2 p = b->GetPosition();
    if (world->stingPaw(p.x, p.y)) {
        ouchTime = OUCH_SHOWN;
        direction = -direction;
        // The mark stays behind the bee as it turns away.
        ouchX = p.x + (direction > 0.0f ? -0.25f : 0.25f);
        ouchY = p.y;
        engine->Effect_PlayWith(art.sting, 50, 0, 1.0f, false);
    }
    applyOpenings();
}

void Bee::render() {
    const AnimalArt& art = animalArt();
    const b2Body* b = body();
    // The wings beat at 5 Hz; the bee leans into its flight and faces its way.
    Sprite* sprite = art.bee[static_cast<int>(std::trunc(world->elapsed * 10.0f)) & 1];
    if (sprite) {
        const b2Vec2 p = b->GetPosition();
        const float tilt = remapClamped(b->GetLinearVelocity().x, -20.0f, 20.0f, -PI / 4.0f, PI / 4.0f);
        sprite->DrawTransformed(16.0f * p.x, 16.0f * p.y, tilt, direction >= 0.0f ? -size : size, size);
    }
    if (ouchTime > 0.0f && art.ouch) art.ouch->Draw(16.0f * ouchX, 16.0f * ouchY);
}
