#include "tools/pilot/driving.h"

#include "vehicle/car.h"

#include <algorithm>
#include <cmath>

void Navigator::backOff(float elapsed, float seconds) {
    backUntil_ = elapsed + seconds;
    // Turn the other way each time: a corner is left by one side or the other.
    backSteer_ = (++stuckCount_ % 2) ? -0.6f : 0.6f;
}

Wish Navigator::toward(const Car* car, b2Vec2 goal, bool through, float elapsed) {
    const b2Vec2 p = car->position();
    if (elapsed < backUntil_) return {backSteer_, 0.8f, 0.0f, true};
    // Stuck: hardly moved in three seconds.
    if (elapsed >= checkAt_) {
        if (elapsed > 5.0f && (p - checkpoint_).Length() < 1.5f) {
            backOff(elapsed, 2.5f);
            checkpoint_ = p;
            checkAt_ = elapsed + 6.0f;
            return {backSteer_, 0.8f, 0.0f, true};
        }
        checkpoint_ = p;
        checkAt_ = elapsed + 3.0f;
    }
    const b2Vec2 F = car->body->GetWorldVector(b2Vec2(0.0f, 1.0f));
    const b2Vec2 d = goal - p;
    const float error = std::atan2(b2Cross(F, d), b2Dot(F, d));
    const float steer = std::max(-1.0f, std::min(1.0f, 1.5f * error));
    const float speed = car->forwardSpeed();
    const float distance = d.Length();
    if (!through && distance < 4.0f) return {steer, 0.0f, speed > 0.5f ? 1.0f : 0.0f, false};
    if (speed > 12.0f && std::fabs(error) > 0.8f) return {steer, 0.0f, 0.6f, false};
    if (speed > 8.0f && std::fabs(error) > 1.4f) return {steer, 0.0f, 0.3f, false};
    return {steer, 1.0f, 0.0f, false};
}
