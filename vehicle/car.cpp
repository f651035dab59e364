#include "vehicle/car.h"

#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/art_density.h"
#include "forest/forest.h"
#include "forest/scenery.h"
#include "main/art_stamp.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "main/year.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

EffectHandle effectNamed(const char* name) { return resourceManager ? resourceManager->EffectByName(name, 0) : 0; }

EffectHandle motorEffect() {
    static const EffectHandle motor = effectNamed("motor");
    return motor;
}

Sprite* const* escortSprites() {
    static Sprite* sprites[9] = {};
    static ArtStamp stamp;
    if (stamp.stale()) {
        stamp.fill();
        char name[16];
        for (int i = 0; i < 9; ++i) {
            std::snprintf(name, sizeof(name), "escort%d", i);
            sprites[i] = resourceManager ? resourceManager->SpriteByName(name) : nullptr;
        }
    }
    return sprites;
}

b2Vec2 forwardAxis(const b2Body* body) { return body->GetWorldVector(b2Vec2(0.0f, 1.0f)); }
b2Vec2 sideAxis(const b2Body* body) { return body->GetWorldVector(b2Vec2(1.0f, 0.0f)); }
}  // namespace

Car::Car(bool player) : isPlayer(player) {
    kind = FOREST_CAR;

    BodyDef def;
    def.position.Set(0.0f, 0.0f);
    def.angle = 0.0f;
    def.linearDamping = 0.0f;
    def.angularDamping = isPlayer && modifierActive(MODIFIER_FROZEN) ? 0.05f : 1.5f;
    def.allowSleep = false;
    def.isBullet = false;
    def.fixedRotation = false;
    def.userData = reinterpret_cast<uintptr_t>(static_cast<ForestObject*>(this));
    body = forest->world->createBody(def);

    ShapeDef box = boxShape(1.0f, 1.1f);
    box.friction = 0.0f;
    box.restitution = 0.6f;
    box.density = 0.1f;
    box.filter = makeFilter(0x0001, 0xFFFF, 0);
    addShape(body, box);
    // The rounded nose.
    ShapeDef nose = circleShape(1.0f, b2Vec2(0.0f, 1.1f));
    nose.friction = 0.0f;
    nose.restitution = 0.6f;
    nose.density = 0.0f;
    nose.filter = makeFilter(0x0001, 0xFFFF, 0);
    addShape(body, nose);
    // The densities above do not decide the mass.
    setMass(body, b2MassData{CAR_MASS, b2Vec2(0.0f, 0.0f), CAR_INERTIA});

    // In the first year the other cars sit still for their first 15 seconds.
    nextDecisionTime = world->easyStart ? world->elapsed + 15.0f : 0.0f;

    if (!isPlayer) motorChannel = engine->Effect_PlayWith(motorEffect(), 1, 0, 0.5f, true);
}

Car::~Car() {
    if (!isPlayer) engine->Channel_Stop(motorChannel);
}

void Car::place(float x, float y) { body->SetTransform(b2Vec2(x, y), 0.0f); }

void Car::setControls(float s, float t, float b, bool r) {
    steer = s;
    throttle = t;
    brake = b;
    reverse = r ? 1 : 0;
}

float Car::forwardSpeed() const { return b2Dot(body->GetLinearVelocity(), forwardAxis(body)); }

void Car::update() {
    if (!isPlayer) {
        chooseManoeuvre();
        updateMotorVoice();
    }
    const b2Vec2 v = body->GetLinearVelocity();
    const b2Vec2 F = forwardAxis(body);
    const b2Vec2 S = sideAxis(body);
    const b2Vec2 origin = body->GetPosition();
    const float fwd = b2Dot(F, v);
    const float side = b2Dot(S, v);

    if (throttle > 0.0f) {
        float f = reverse ? CAR_DRIVE_FORCE * -0.5f * throttle : CAR_DRIVE_FORCE * throttle;
        if (isPlayer && modifierActive(MODIFIER_TURBO)) f *= 2.0f;
        body->ApplyForce(f * F, origin - 0.5f * F, true);
    }
    if (brake > 0.0f) {
        // At rest the brake pushes forward: a stiff damper about zero speed.
        const float b = CAR_BRAKE_FORCE * brake;
        body->ApplyForce((fwd > 0.0f ? -b : b) * F, origin, true);
    }
    // No turn at rest, mirrored when rolling backwards.
    body->ApplyTorque(steer * 0.5f * fwd, true);
    body->SetAngularDamping(remapClamped(fwd, 0.0f, 10.0f, 5.0f, 1.0f));
    body->ApplyForce(-0.025f * fwd * F, origin, true);
    const float grip = isPlayer && modifierActive(MODIFIER_FROZEN) ? -2.0f * 0.2f : -2.0f;
    body->ApplyForce(grip * side * S, origin, true);
}

void Car::chooseManoeuvre() {
    const float elapsed = world->elapsed;
    if (!(nextDecisionTime < elapsed)) return;
    nextDecisionTime = elapsed + randomRange(3.0f, 10.0f);
    const bool wasStopped = brake == 1.0f;
    if (!wasStopped) {
        if (random01() <= 0.1f) {
            throttle = 0.0f;
            brake = 1.0f;
            return;
        }
        reverse = 0;
    } else {
        reverse = random01() > 0.5f ? 1 : 0;
    }
    throttle = 1.0f;
    // Always 0..1: the other cars curve left going forward, right in reverse.
    steer = random01();
    brake = 0.0f;
}

void Car::updateMotorVoice() {
    const b2Body* player = forest->playerCar->body;
    const b2Vec2 d = body->GetPosition() - player->GetPosition();
    const float lx = b2Dot(sideAxis(player), d);
    const float ly = b2Dot(forwardAxis(player), d);
    const float dist = std::sqrt(lx * lx + ly * ly);
    if (dist >= 30.0f) {
        if (engine->Channel_IsPlaying(motorChannel)) engine->Channel_Pause(motorChannel);
        return;
    }
    if (!engine->Channel_IsPlaying(motorChannel)) engine->Channel_Resume(motorChannel);
    const float v = remapClamped(dist, 3.0f, 30.0f, 1.0f, 0.0f);
    const int k = throttle >= 0.25f ? 50 : 25 - static_cast<int>(-100.0f * throttle);
    const int volume = static_cast<int>(v * static_cast<float>(k));
    const int pan = dist >= 1.0f ? static_cast<int>(remapClamped(lx / dist, -1.0f, 1.0f, -100.0f, 100.0f)) : 0;
    engine->Channel_SetPan(motorChannel, pan);
    engine->Channel_SetVolume(motorChannel, volume);
    engine->Channel_SetPitch(motorChannel, (3.0f * throttle + 0.5f) * 2.5f);
}

void Car::stop() {
    steer = 0.0f;
    throttle = 0.0f;
    brake = 1.0f;
    nextDecisionTime = std::min(nextDecisionTime, world->elapsed + 2.0f);
}

void Car::onTouch(ForestObject* other, float speed, float contactX, float contactY) {
    (void)contactX;
    (void)contactY;
    const float elapsed = world->elapsed;
    if (other->kind == FOREST_SCENERY) {
        if (elapsed - lastSceneryHitTime < 1.0f) return;
        lastSceneryHitTime = elapsed;
        if (isPlayer) {
            world->carImpact(static_cast<Scenery*>(other), speed);
        } else {
            stop();
        }
    } else if (other->kind == FOREST_CAR) {
        if (elapsed - lastCarHitTime < 1.0f) return;
        lastCarHitTime = elapsed;
        if (isPlayer) playCrash(speed);
    }
}

void Car::onTouchBoundary() {
    if (!isPlayer) stop();
}

void playCrash(float speed) {
    static const EffectHandle crash = effectNamed("crash");
    if (speed >= 3.0f) engine->Effect_PlayWith(crash, 100, 0, randomRange(0.75f, 1.25f), false);
}

int carView(float viewAngle, bool* mirrored) {
    // Sixteen views of 22.5 degrees; nine are stored, the rest are their mirrors.
    // The product of the two floats is taken exactly (a double holds it), so that
    // pi/2 comes out just under 4, in view 3; rounded to a float it would be 4.
    const double turns = static_cast<double>(viewAngle) * static_cast<double>(2.546479f);
    int index = wrapMod(static_cast<int>(turns), 16);
    *mirrored = false;
    if (index > 8) {
        *mirrored = true;
        index = 16 - index;
    }
    return index;
}

void Car::render(float screenX, float screenY, float viewAngle, float scale, float distance) {
    (void)distance;
    bool mirrored;
    const int index = carView(viewAngle, &mirrored);
    const float s = 0.5f * scale;
    const float t = carArtScale(scale);
    Sprite* sprite = escortSprites()[index];
    if (sprite) sprite->DrawTransformed(screenX, screenY + 12.0f * s, 0.0f, mirrored ? t : -t, t);
}
