// The paw: a point in the cab that the pointer pushes around. The left button
// grips the movable body under it with a mouse joint and lets go on release;
// grabs that catch nothing four times in a row make the bear growl.
#include "engine/resources/resource_manager.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/portable_math.h"

namespace {

constexpr float POINTER_PIXELS_PER_UNIT = 32.0f;
constexpr float FOLLOW_GRIP = 0.25f;
constexpr float GRAB_REACH = 0.5f;
constexpr int GRAB_CANDIDATES = 3;
constexpr int MISSES_TO_GROWL = 4;
constexpr float STING_IMMUNE = -5.0f;
constexpr float TWO_PI = 6.2831855f;

EffectHandle effectNamed(const char* name) { return resourceManager ? resourceManager->EffectByName(name, 0) : 0; }

// The body of the shape if the paw at p catches it: p inside the outline, or a
// quarter or half unit further toward the body's origin.
b2Body* catches(Shape* shape, b2Vec2 p) {
    b2Body* body = shape->GetBody();
    if (body->GetType() != b2_dynamicBody || body->GetMass() == 0.0f) return nullptr;
    if (shape->TestPoint(p)) return body;
    b2Vec2 u = body->GetPosition() - p;
    const float length = u.Length();
    if (length > 1.1920929e-7f) u *= 1.0f / length;
    if (shape->TestPoint(p + 0.25f * u) || shape->TestPoint(p + 0.5f * u)) return body;
    return nullptr;
}

}  // namespace

void World::grabAt(float x, float y) {
    if (grabJoint) return;
    lastGrabTime = elapsed;

    const b2Vec2 p(x, y);
    b2AABB around;
    around.lowerBound.Set(x - GRAB_REACH, y - GRAB_REACH);
    around.upperBound.Set(x + GRAB_REACH, y + GRAB_REACH);
    Shape* found[GRAB_CANDIDATES];
    const int n = cabWorld->query(around, found, GRAB_CANDIDATES);
    b2Body* caught = nullptr;
    for (int i = 0; i < n && !caught; ++i) caught = catches(found[i], p);

    if (caught) {
        static const EffectHandle grab = effectNamed("grab");
        engine->Effect_PlayWith(grab, 30, 0, 1.0f, false);
        missedGrabs = 0;
        MouseJointDef grip;
        grip.body = caught;
        grip.target = p;
        grip.maxForce = 10000.0f;
        grip.frequencyHz = 20.0f;
        grip.dampingRatio = 1.0f;
        grip.collideConnected = false;
        grabJoint = cabWorld->createMouseJoint(grip);
        caught->SetAwake(true);
        return;
    }

    static const EffectHandle wiff = effectNamed("wiff");
    engine->Effect_PlayWith(wiff, 38, 0, 1.0f, false);
    missedGrabs += 1;
    if (missedGrabs == MISSES_TO_GROWL) {
        missedGrabs = 0;
        engine->Effect_Play(roundEffects.growl1);
        growlTimer = 1.0f;
    }
}

void World::releaseGrab() {
    if (!grabJoint) return;
    cabWorld->destroyJoint(grabJoint);
    grabJoint = nullptr;
}

bool World::isHeld(const b2Body* body) const { return grabJoint && grabJoint->GetBodyB() == body; }

bool World::stingPaw(float x, float y) {
    // A sting is followed by 5.5 s of immunity; the round's first 5 s are immune too.
    if (stingTimer > STING_IMMUNE) return false;
    const float dx = pawX - x;
    const float dy = pawY - y;
    if (dx * dx + dy * dy >= 4.0f) return false;
    stingTimer = 0.5f;
    stingPhase = random01() * TWO_PI;
    if (grabJoint) {
        // The stung paw throws what it holds, from where it holds it: a wheel
        // pushed at its hub could not turn, pushed at the rim it spins.
        b2Body* held = grabJoint->GetBodyB();
        const float a = random01() * TWO_PI;
        held->ApplyLinearImpulse(b2Vec2(20.0f * portable::cos(a), -20.0f * portable::sin(a)), grabJoint->GetAnchorB(), true);
    }
    releaseGrab();
    return true;
}

void World::updatePaw(float dx, float dy, bool leftDown, bool leftUp) {
    const float dt = engine->Timer_Delta();
    if (grabJoint) {
        // A held thing that does not follow the pointer pulls the paw back to it.
        const b2Vec2 g = grabJoint->GetAnchorB();
        pawX += FOLLOW_GRIP * (g.x - pawX);
        pawY += FOLLOW_GRIP * (g.y - pawY);
    }
    pawX = clampFloat(pawX + dx / POINTER_PIXELS_PER_UNIT, 0.0f, 20.0f);
    pawY = clampFloat(pawY + dy / POINTER_PIXELS_PER_UNIT, 2.0f, 15.0f);
    if (stingTimer > STING_IMMUNE) {
        stingTimer -= dt;
        stingPhase += dt;
    }
    if (grabJoint) grabJoint->SetTarget(b2Vec2(pawX, pawY));

    // A press skips the release of the same update: press and release within one
    // update grabs and holds until the next release.
    if (leftDown && winterPhase <= 1 && sleepPhase == 0) {
        grabAt(pawX, pawY);
    } else if (leftUp) {
        releaseGrab();
    }
}

void World::GripWatch::SayGoodbye(b2Joint* joint) {
    if (joint == owner->grabJoint) owner->grabJoint = nullptr;
}
