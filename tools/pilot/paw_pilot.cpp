#include "tools/pilot/paw_pilot.h"

#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "forest/forest.h"
#include "main/game.h"
#include "main/world.h"
#include "physics/portable_math.h"
#include "vehicle/car.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float TWO_PI = 6.2831855f;
constexpr float PIXELS_PER_UNIT = 32.0f;
constexpr float MAX_PIXELS = 40.0f;   // the most a hand moves the pointer in one update
constexpr float CARRY_PIXELS = 12.0f;  // slow enough that what the paw holds follows
constexpr float HOLD_TURN = 0.3f;      // a turn the paw holds the wheel through
// How far round the wheel the paw moves its grip in an update: a quarter of
// a turn in five updates, 27 pixels on the rim. A late hand turns it in half
// steps: longer ones overshoot before it sees where the wheel has got to.
constexpr float WHEEL_STEP = 0.3f;
constexpr float LATE_WHEEL_STEP = 0.15f;
// Above the wheel's rim (top at y 4.25): the lane a small thing is carried along.
constexpr float HIGH_LANE = 3.0f;
// The column between the left wall and the rim, above the mouth.
constexpr float MOUTH_COLUMN = 4.0f;
// Between the wheel's rim (bottom at y 10.25) and the pedals' tops.
constexpr float UNDER_WHEEL = 11.0f;
// Right of the rim (x 10.25) and left of the gear lever's knob.
constexpr float PAST_RIM = 11.0f;
// Below the bottoms of the pedals' plates.
constexpr float UNDER_PLATES = 13.4f;
// The paw's right edge, where a thing swung along the high lane is let go to fly
// out through the right window.
constexpr float THROW_X = 20.0f;
// Updates beyond the reaction a late hand takes to travel to where it presses.
constexpr int TRAVEL_FRAMES = 10;
constexpr float SECONDS_PER_UPDATE = 1.0f / 60.0f;
// Releases and grips a late hand makes in a task, each a reaction and a travel long.
constexpr int TASK_DELAY_FRAMES = 3;

b2Vec2 paw() { return b2Vec2(world->pawX, world->pawY); }

void moveToward(InputFrame& f, b2Vec2 target, float most = MAX_PIXELS) {
    f.dx = std::max(-most, std::min(most, (target.x - world->pawX) * PIXELS_PER_UNIT));
    f.dy = std::max(-most, std::min(most, (target.y - world->pawY) * PIXELS_PER_UNIT));
}

void release(InputFrame& f) {
    if (world->grabJoint) f.buttons = INPUT_LEFT_UP;
}

}  // namespace

InputFrame PawPilot::sent(InputFrame f) {
    // The same button again while the first is on its way would only fumble.
    if (waiting() && f.buttons == lastButtons_) f.buttons = 0;
    if (f.buttons & INPUT_LEFT_DOWN) ++grabs;
    if (f.buttons && reaction > 0) {
        buttonArrives_ = world->elapsed + static_cast<float>(lateness()) * SECONDS_PER_UPDATE;
        lastButtons_ = f.buttons;
    }
    return f;
}

int PawPilot::lateness() const { return reaction > 0 ? reaction + TRAVEL_FRAMES : 0; }

bool PawPilot::waiting() const { return reaction > 0 && world->elapsed < buttonArrives_; }

InputFrame PawPilot::letGo() {
    InputFrame f{0.0f, 0.0f, 0};
    release(f);
    task_ = IDLE;
    carrying_ = false;
    return sent(f);
}

InputFrame PawPilot::drive(const Wish& w) {
    InputFrame f{0.0f, 0.0f, 0};
    carrying_ = false;
    const bool reverse = world->shifterBody->GetAngle() <= 0.0f;
    const float speed = forest->playerCar->forwardSpeed();
    ++frames_;
    if (task_ == IDLE || frames_ > limit_) choose(w, reverse, speed);
    switch (task_) {
    case GEAR: gear(f, w, reverse); break;
    case WHEEL: wheel(f, w); break;
    case PEDAL: pedal(f, w, reverse, speed); break;
    case IDLE: release(f); break;
    }
    return sent(f);
}

void PawPilot::choose(const Wish& w, bool reverse, float speed) {
    // A late hand's release and grip take this long out of each task.
    frames_ = reaction > 0 ? -TASK_DELAY_FRAMES * lateness() : 0;
    const float steer = -world->wheelBody->GetAngle() / TWO_PI;
    if (w.reverse != reverse && std::fabs(speed) < 1.0f) {
        task_ = GEAR;
        limit_ = 90;
    } else if (w.reverse == reverse && std::fabs(w.steer - steer) > 0.12f) {
        task_ = WHEEL;
        limit_ = 120;
    } else {
        task_ = PEDAL;  // also the brake, to stop for a change of gear
        limit_ = 45;
    }
}

// Carries the paw to `at` on body and grips; false until it holds body.
bool PawPilot::hold(InputFrame& f, b2Body* body, const b2Vec2* points, int count) {
    if (world->isHeld(body)) return true;
    const b2Vec2 at = points[wrongGrips_ % count];
    if (waiting()) {
        moveToward(f, at);
        return false;
    }
    if (world->grabJoint) {
        // Caught something lying on it: let go and try it at another point.
        f.buttons = INPUT_LEFT_UP;
        ++wrongGrips_;
        return false;
    }
    moveToward(f, at);
    if (b2Distance(at, paw()) < 0.3f) {
        f.buttons = INPUT_LEFT_DOWN;
        gripY_ = at.y;
    }
    return false;
}

void PawPilot::gear(InputFrame& f, const Wish& w, bool reverse) {
    b2Body* lever = world->shifterBody;
    const b2Vec2 grips[3] = {lever->GetWorldPoint(b2Vec2(0.0f, -2.1f)), lever->GetWorldPoint(b2Vec2(0.0f, -1.5f)),
                             lever->GetWorldPoint(b2Vec2(0.5f, -2.1f))};
    if (!hold(f, lever, grips, 3)) return;
    if (reverse == w.reverse && std::fabs(lever->GetAngle()) > 0.45f) {
        ++gearChanges;
        f.buttons = INPUT_LEFT_UP;
        task_ = IDLE;
        return;
    }
    // Past the stop on the other side; the lever's motor does the rest.
    const float a = w.reverse ? -0.7f : 0.7f;
    const float r = (world->grabJoint->GetAnchorB() - lever->GetPosition()).Length();
    moveToward(f, lever->GetPosition() + r * b2Vec2(portable::sin(a), -portable::cos(a)));
}

void PawPilot::wheel(InputFrame& f, const Wish& w) {
    b2Body* wheel = world->wheelBody;
    const b2Vec2 hub = wheel->GetPosition();
    const b2Vec2 grips[3] = {hub + b2Vec2(0.0f, -2.8f), hub + b2Vec2(2.8f, 0.0f), hub + b2Vec2(-2.0f, -2.0f)};
    if (!hold(f, wheel, grips, 3)) return;
    const float want = -TWO_PI * w.steer;
    // The grip goes round the hub with the wheel, a little at a time. A late hand
    // judges by where it has sent the paw: the wheel will follow it there.
    const b2Vec2 g = world->grabJoint->GetAnchorB() - hub;
    float gripAngle = portable::atan2(g.y, g.x);
    float angle = wheel->GetAngle();
    if (reaction > 0) {
        const b2Vec2 sentTo = paw() - hub;
        const float ahead = std::remainder(portable::atan2(sentTo.y, sentTo.x) - gripAngle, TWO_PI);
        angle += ahead;
        gripAngle += ahead;
    }
    const float error = want - angle;
    if (std::fabs(error) < 0.05f) {
        // In a real turn it keeps holding the wheel while the car rolls on: let
        // go and the wheel turns back straight at speed.
        // Not past the task's time as the machine counts it: the car coasts meanwhile.
        if (std::fabs(w.steer) > HOLD_TURN && forest->playerCar->forwardSpeed() > 2.0f &&
            frames_ < limit_ - TASK_DELAY_FRAMES * lateness())
            return;
        f.buttons = INPUT_LEFT_UP;
        task_ = IDLE;
        return;
    }
    const float step = reaction > 0 ? LATE_WHEEL_STEP : WHEEL_STEP;
    const float a = gripAngle + std::max(-step, std::min(step, error));
    moveToward(f, hub + 2.8f * b2Vec2(portable::cos(a), portable::sin(a)));
}

void PawPilot::pedal(InputFrame& f, const Wish& w, bool reverse, float speed) {
    // A change of gear waits for the car to stand: brake first.
    const bool stopping = w.reverse != reverse && std::fabs(speed) >= 1.0f;
    const float brake = stopping ? 1.0f : w.brake;
    const float amount = brake > 0.05f ? brake : w.throttle;
    if (amount < 0.05f) {
        release(f);
        task_ = IDLE;
        return;
    }
    b2Body* body = brake > 0.05f ? world->brakePedalBody : world->gasPedalBody;
    const b2Vec2 grips[3] = {
        body->GetWorldPoint(brake > 0.05f ? b2Vec2(1.375f, -0.75f) : b2Vec2(1.25f, -1.0f)),
        body->GetWorldPoint(brake > 0.05f ? b2Vec2(0.6f, -0.4f) : b2Vec2(0.8f, -1.6f)),
        body->GetWorldPoint(brake > 0.05f ? b2Vec2(2.2f, -1.1f) : b2Vec2(1.7f, -0.4f))};
    if (!hold(f, body, grips, 3)) return;
    // A full press pushes past the stop; the pedal's motor pushes back.
    moveToward(f, b2Vec2(world->pawX, gripY_ + 1.5f * amount + (amount > 0.95f ? 0.2f : 0.0f)));
}

bool PawPilot::take(InputFrame& f, CabObject* thing, int index, bool* givingUp) {
    *givingUp = false;
    task_ = IDLE;
    // A thing is known by where it lies: a jump means another one.
    b2Body* body = thing->bodies[index];
    if (!carrying_ || (body->GetPosition() - lastAt_).Length() > 1.5f) {
        carrying_ = true;
        thingFrames_ = 0;
        attempts_ = 0;
        emptyMouthFrames_ = 0;
        wiggleFrames_ = 0;
        progressFrames_ = 0;
    }
    lastAt_ = body->GetPosition();
    ++thingFrames_;
    if (!world->grabJoint) progressFrames_ = 0;
    const bool holding = world->grabJoint && world->grabJoint->GetBodyB() == body;
    if (world->grabJoint && !holding) {
        // A fixture, something else, or the eaten half of this food.
        if (!waiting()) f.buttons = INPUT_LEFT_UP;
        return false;
    }
    if (thingFrames_ > 20 * 60 || attempts_ > 5) {
        *givingUp = true;
        release(f);
        return false;
    }
    if (holding) return true;
    // Within the paw's reach: a thing beyond its edge is caught from the edge;
    // one under a plate is caught low, where the grab does not reach the plate.
    b2Vec2 p = body->GetPosition();
    if (p.y > UNDER_PLATES) p.y += 0.3f;
    const b2Vec2 at(std::max(0.0f, std::min(20.0f, p.x)), std::max(2.0f, std::min(15.0f, p.y)));
    moveToward(f, at);
    if (b2Distance(at, paw()) < 0.25f && world->elapsed - world->lastGrabTime > 0.1f && !waiting()) {
        f.buttons = INPUT_LEFT_DOWN;
        ++attempts_;
    }
    return false;
}

bool PawPilot::stalled(b2Vec2 g, b2Vec2 goal, bool chewing) {
    // The way along the lanes: it shrinks while the carried thing gets anywhere.
    const float way = std::fabs(g.y - HIGH_LANE) + std::fabs(g.x - goal.x) + std::fabs(goal.y - HIGH_LANE);
    if (progressFrames_ == 0 || way < bestWay_ - 0.5f) {
        bestWay_ = way;
        progressFrames_ = 1;
        return false;
    }
    // Three seconds without getting anywhere: jammed, unless the bear chews it.
    return !chewing && ++progressFrames_ > 180;
}

InputFrame PawPilot::feed(CabObject* food, int index, bool* givingUp) {
    InputFrame f{0.0f, 0.0f, 0};
    if (!take(f, food, index, givingUp)) return sent(f);

    const b2Vec2 g = world->grabJoint->GetAnchorB();
    const b2Vec2 mouth(MOUTH_X, MOUTH_Y);
    if (stalled(g, mouth, world->biteBody && food->owns(world->biteBody))) {
        *givingUp = true;
        release(f);
        return sent(f);
    }
    b2Vec2 target = mouth;
    if (g.x > MOUTH_COLUMN) {
        // Up above the wheel first, then across to the column over the mouth.
        target = g.y > HIGH_LANE + 0.4f ? b2Vec2(g.x, HIGH_LANE) : b2Vec2(MOUTH_X, HIGH_LANE);
    } else if (b2Distance(g, mouth) < 0.8f) {
        bool chewing = false;
        for (int i = 0; i < food->bodyCount; ++i) chewing = chewing || world->biteBody == food->bodies[i];
        emptyMouthFrames_ = chewing ? 0 : emptyMouthFrames_ + 1;
        // Nothing bites: out of the mouth and in again, a fresh touch.
        if (emptyMouthFrames_ > 40) wiggleFrames_ = 25;
    }
    if (wiggleFrames_ > 0) {
        --wiggleFrames_;
        emptyMouthFrames_ = 0;
        target = b2Vec2(MOUTH_X, MOUTH_Y - 3.0f);
    }
    moveToward(f, target, CARRY_PIXELS);
    return sent(f);
}

InputFrame PawPilot::clear(CabObject* thing, int index, bool* done) {
    InputFrame f{0.0f, 0.0f, 0};
    *done = false;
    if (!take(f, thing, index, done)) return sent(f);
    // Up a column beside the wheel: from under the plates along the floor to the
    // one left of the rim, off the pedals under the wheel to the one between the
    // rim and the gear lever. Then along the high lane and out of the right window.
    const b2Vec2 g = world->grabJoint->GetAnchorB();
    if (stalled(g, b2Vec2(THROW_X, HIGH_LANE), false)) {
        *done = true;
        release(f);
        return sent(f);
    }
    // Let go while it still flies: the held thing stops where the paw does.
    if (world->pawX > THROW_X - 2.0f && g.y < HIGH_LANE + 0.5f) {
        f.buttons = INPUT_LEFT_UP;
        *done = true;
        carrying_ = false;
        return sent(f);
    }
    b2Vec2 target(THROW_X, HIGH_LANE);
    float most = CARRY_PIXELS;
    if (g.y > UNDER_PLATES && g.x > MOUTH_COLUMN && g.x < PAST_RIM) {
        target = b2Vec2(MOUTH_X, g.y);  // out from under the plates along the floor
    } else if (g.x > MOUTH_COLUMN && g.x < PAST_RIM && g.y > HIGH_LANE + 1.0f) {
        target = g.y > UNDER_WHEEL + 0.3f ? b2Vec2(g.x, UNDER_WHEEL) : b2Vec2(PAST_RIM + 0.3f, UNDER_WHEEL);
    } else if (g.y > HIGH_LANE + 0.4f) {
        target = b2Vec2(g.x, HIGH_LANE);  // up a column beside the wheel
    } else {
        // Along the lane as fast as a hand goes, and let go at the right side:
        // fast enough, it flies out through the window.
        most = MAX_PIXELS;
    }
    moveToward(f, target, most);
    return sent(f);
}
