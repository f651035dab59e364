#include "tools/pilot/driving.h"

#include "forest/forest.h"
#include "forest/scenery.h"
#include "physics/portable_math.h"
#include "vehicle/car.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float CAR_RADIUS = 1.5f;   // the car's box, 2 by 2.2, and a little
constexpr float LOOK_AHEAD = 12.0f;  // how far ahead an obstacle is steered round
constexpr float NOT_DRIVING = 0.25f;  // seconds between two calls
// Nearly on course, a late driver turns the wheel no further than this.
constexpr float LATE_FINE_ERROR = 0.5f;
constexpr float LATE_FINE_STEER = 0.4f;
}  // namespace

void Navigator::backOff(float elapsed, float seconds) {
    // Turn the other way each time: a corner is left by one side or the other.
    backOff(elapsed, seconds, (++stuckCount_ % 2) ? -0.6f : 0.6f);
}

void Navigator::backOff(float elapsed, float seconds, float steer) {
    backUntil_ = elapsed + seconds * patience;
    backSteer_ = steer;
}

Wish Navigator::toward(const Car* car, b2Vec2 goal, bool through, float elapsed, float most) {
    const b2Vec2 p = car->position();
    const float sinceLast = elapsed - lastCall_;
    lastCall_ = elapsed;
    if (elapsed < backUntil_) return {backSteer_, 0.8f, 0.0f, true};
    // Standing while the paw fed the bear or cleared the pedals is no sign of
    // being stuck: the three seconds start again when it drives on.
    if (sinceLast > NOT_DRIVING) {
        checkpoint_ = p;
        checkAt_ = elapsed + 3.0f * patience;
    }
    // Stuck: hardly moved in three seconds.
    if (elapsed >= checkAt_) {
        if (elapsed > 5.0f && (p - checkpoint_).Length() < 1.5f) {
            backOff(elapsed, 4.0f);
            checkpoint_ = p;
            checkAt_ = elapsed + 6.0f * patience;
            return {backSteer_, 0.8f, 0.0f, true};
        }
        checkpoint_ = p;
        checkAt_ = elapsed + 3.0f * patience;
    }
    // The goal as the windshield shows it: to the side (right positive) and ahead.
    const b2Vec2 d = goal - p;
    const float distance = d.Length();
    b2Vec2 aim(b2Dot(d, car->body->GetWorldVector(b2Vec2(1.0f, 0.0f))),
               b2Dot(d, car->body->GetWorldVector(b2Vec2(0.0f, 1.0f))));
    // The nearest tree, boulder or car in the way before the goal: pass it on the
    // side it leaves open.
    const ForestObject* block = nullptr;
    float blockRadius = 0.0f;
    for (const ForestObject* o : forest->objects) {
        float r = CAR_RADIUS;
        if (o->kind == FOREST_SCENERY) {
            const Scenery* s = static_cast<const Scenery*>(o);
            if (!s->shape || s->shape->IsSensor()) continue;
            r = s->shape->GetShape()->m_radius;
        }
        if (o->localY < 0.0f || o->localY > std::min(LOOK_AHEAD, distance)) continue;
        if (std::fabs(o->localX) > r + CAR_RADIUS + 0.5f) continue;
        if (!block || o->localY < block->localY) {
            block = o;
            blockRadius = r;
        }
    }
    if (block) {
        const float side = block->localX > 0.0f ? -1.0f : 1.0f;
        aim = b2Vec2(block->localX + side * (blockRadius + CAR_RADIUS + 1.5f), block->localY);
    }
    float error = portable::atan2(-aim.x, aim.y);
    float lock = 1.0f;
    if (lag > 0.0f) {
        // The turn already under way carries the nose on meanwhile.
        error -= car->body->GetAngularVelocity() * lag;
        if (std::fabs(error) < LATE_FINE_ERROR) lock = LATE_FINE_STEER;
    }
    const float steer = std::max(-lock, std::min(lock, 1.5f * error));
    const float speed = car->forwardSpeed();
    if (!through && distance < 4.0f) return {steer, 0.0f, speed > 0.5f ? 1.0f : 0.0f, false};
    if (speed > most + 2.0f) return {steer, 0.0f, 0.5f, false};
    if (speed > most) return {steer, 0.0f, 0.0f, false};
    if (speed > 12.0f && std::fabs(error) > 0.8f) return {steer, 0.0f, 0.6f, false};
    if (speed > 8.0f && std::fabs(error) > 1.4f) return {steer, 0.0f, 0.3f, false};
    return {steer, 1.0f, 0.0f, false};
}
