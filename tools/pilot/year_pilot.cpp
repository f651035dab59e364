#include "tools/pilot/year_pilot.h"

#include "forest/animals_badger.h"
#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "forest/forest.h"
#include "forest/scenery.h"
#include "main/game.h"
#include "main/world.h"
#include "physics/portable_math.h"
#include "vehicle/car.h"

#include <algorithm>
#include <cmath>

namespace {

// A thing the paw gave up on is left alone while it lies about where it was.
constexpr float BLOCKED_REACH = 1.0f;

// The way to a cave follows the line from the forest's middle out to it: from
// this far out, aiming this far ahead of the car along it, and slowly from here.
constexpr float CAVE_LINE_START = 30.0f;
constexpr float CAVE_LOOK_AHEAD = 10.0f;
constexpr float CAVE_SLOW = 50.0f;

// The cave's mouth seen ahead: this near and within this angle of straight on
// (the windshield shows 0.79 either side), and how fast a late hand drives at it.
constexpr float MOUTH_SEEN = 40.0f;
constexpr float MOUTH_SEEN_ANGLE = 0.7f;
constexpr float LATE_CAVE_SPEED = 3.0f;

// Food the mouth can still take: a body whose shapes the mouth senses.
bool edible(const b2Body* body) {
    for (const b2Fixture* f = body->GetFixtureList(); f; f = f->GetNext()) {
        if (f->GetFilterData().maskBits & CAB_MOUTH) return true;
    }
    return false;
}

b2AABB boxOf(const b2Body* body) {
    b2AABB box;
    box.lowerBound.Set(1e9f, 1e9f);
    box.upperBound.Set(-1e9f, -1e9f);
    for (const b2Fixture* f = body->GetFixtureList(); f; f = f->GetNext()) box.Combine(f->GetAABB(0));
    return box;
}

bool insideCab(b2Vec2 p) { return p.x > -1.0f && p.x < 21.0f && p.y > 1.0f && p.y < 15.2f; }

// What a run through the scenery gives now: nutrition the pilot can expect.
float worth(const Scenery* s, float elapsed) {
    const float t = elapsed - s->lastHitTime;
    if (s->sceneryType == SCENERY_BUSH) {
        if (t > 30.0f) return 6.0f * 0.03f;
        if (t > 15.0f) return 2.5f * 0.03f;
        return 0.0f;
    }
    const int fish = std::min(3, std::max(0, static_cast<int>(t) / 30));
    return 0.19f * static_cast<float>(fish);
}

}  // namespace

YearPilot::YearPilot() {
    for (ForestObject* o : forest->objects) {
        if (o->kind != FOREST_SCENERY) continue;
        const Scenery* s = static_cast<const Scenery*>(o);
        if (s->sceneryType == SCENERY_POND || s->sceneryType == SCENERY_BUSH) foodPlaces_.push_back(s);
        if (s->hasCave) caves_.push_back(s);
    }
    lastFatness_ = world->fatness;
}

void YearPilot::observe() {
    if (world->fatness > lastFatness_) {
        ++stats.meals;
        if (stats.firstMeal < 0.0f) stats.firstMeal = world->elapsed;
        if (stats.fatAt < 0.0f && fatEnough(world->fatness)) stats.fatAt = world->elapsed;
    }
    lastFatness_ = world->fatness;
    for (const CabObject* o : world->cabObjects) {
        for (int i = 0; i < o->bodyCount; ++i) {
            if (edible(o->bodies[i]) && insideCab(o->bodies[i]->GetPosition())) {
                ++stats.foodFrames;
                return;
            }
        }
    }
}

bool YearPilot::blocked(const CabObject* thing) const {
    for (const Blocked& b : blocked_) {
        if (world->elapsed >= b.until) continue;
        for (int i = 0; i < thing->bodyCount; ++i) {
            if ((thing->bodies[i]->GetPosition() - b.at).Length() < BLOCKED_REACH) return true;
        }
    }
    return false;
}

void YearPilot::block(const CabObject* thing, int index, float seconds) {
    // Expired spots are dropped, so the list stays short.
    blocked_.erase(std::remove_if(blocked_.begin(), blocked_.end(),
                                  [](const Blocked& b) { return world->elapsed >= b.until; }),
                   blocked_.end());
    blocked_.push_back({thing->bodies[index]->GetPosition(), world->elapsed + seconds});
}

CabObject* YearPilot::chooseFood(int* index) {
    // What the paw already holds comes first.
    if (world->grabJoint) {
        b2Body* held = world->grabJoint->GetBodyB();
        for (CabObject* o : world->cabObjects) {
            if (!o->owns(held)) continue;
            for (int i = 0; i < o->bodyCount; ++i) {
                if (edible(o->bodies[i])) {
                    *index = i;
                    return o;
                }
            }
        }
    }
    CabObject* best = nullptr;
    float bestScore = 1e9f;
    const b2Vec2 mouth(MOUTH_X, MOUTH_Y);
    const b2Vec2 hub = world->wheelBody->GetPosition();
    for (CabObject* o : world->cabObjects) {
        if (blocked(o)) continue;
        for (int i = 0; i < o->bodyCount; ++i) {
            const b2Body* b = o->bodies[i];
            if (!edible(b) || !insideCab(b->GetPosition())) continue;
            if (b->GetLinearVelocity().LengthSquared() > 16.0f) continue;  // still falling or flying
            float score = (b->GetPosition() - mouth).Length();
            if ((b->GetPosition() - hub).Length() < 3.2f) score += 20.0f;  // behind the wheel
            if (hasFood_ && (b->GetPosition() - foodAt_).Length() < 1.0f) score -= 30.0f;  // keep to the choice
            if (score < bestScore) {
                bestScore = score;
                best = o;
                *index = i;
            }
        }
    }
    return best;
}

CabObject* YearPilot::loose(int kind) const {
    for (CabObject* o : world->cabObjects) {
        if (o->kind == kind && !o->dead && o->bodyCount > 0 && insideCab(o->bodies[0]->GetPosition()) && !blocked(o)) {
            return o;
        }
    }
    return nullptr;
}

CabObject* YearPilot::heldJunk(int* index) {
    if (!world->grabJoint) return nullptr;
    const b2Body* held = world->grabJoint->GetBodyB();
    for (CabObject* o : world->cabObjects) {
        if (!o->owns(held) || o->kind != 0) continue;
        for (int i = 0; i < o->bodyCount; ++i) {
            if (edible(o->bodies[i])) return nullptr;
            if (o->bodies[i] == held) *index = i;
        }
        return o;
    }
    return nullptr;
}

CabObject* YearPilot::underTheGas(int* index) {
    // Before it holds the pedal up: what lies on the floor under its plate.
    b2AABB under = boxOf(world->gasPedalBody);
    under.lowerBound.y = under.upperBound.y;
    under.upperBound.y = 15.2f;
    for (CabObject* o : world->cabObjects) {
        if (blocked(o)) continue;
        for (int i = 0; i < o->bodyCount; ++i) {
            if (b2TestOverlap(under, boxOf(o->bodies[i])) && o->bodies[i]->GetLinearVelocity().LengthSquared() < 1.0f) {
                *index = i;
                return o;
            }
        }
    }
    return nullptr;
}

CabObject* YearPilot::onThePedals(int* index) {
    const Car* car = forest->playerCar;
    const bool brake = car->brake > 0.05f && !world->isHeld(world->brakePedalBody);
    const bool gas = car->throttle > 0.05f && !world->isHeld(world->gasPedalBody);
    // Pushed by the paw, yet hardly down for a while: something lies under it.
    const bool under = world->isHeld(world->gasPedalBody) && car->throttle < 0.6f;
    // Held a second in all, over any number of grips, and the gear not changed:
    // something is in the lever's way. Between grips the paw turns the wheel or
    // backs off, so only a change of gear starts the count again.
    const bool reverse = world->shifterBody->GetAngle() <= 0.0f;
    if (reverse != leverReverse_) leverFrames_ = 0;
    leverReverse_ = reverse;
    if (world->isHeld(world->shifterBody)) ++leverFrames_;
    pressedFrames_ = brake || gas || under ? pressedFrames_ + 1 : 0;
    // A late hand's pedal and lever move that much later.
    const int late = paw_.lateness();
    if (pressedFrames_ < 20 + late && leverFrames_ < 60 + late) return nullptr;
    // Whatever lies on the pressed plate, under the blocked one or against the
    // lever, as the picture shows it.
    b2AABB plate = boxOf(leverFrames_ >= 60 + late ? world->shifterBody
                         : brake           ? world->brakePedalBody
                                           : world->gasPedalBody);
    plate.lowerBound.x -= 0.2f;
    plate.upperBound.x += 0.2f;
    if (leverFrames_ >= 60 + late) {
        plate.lowerBound.y -= 0.3f;
    } else if (under && !brake && !gas) {
        plate.lowerBound.y = plate.upperBound.y - 0.2f;
        plate.upperBound.y = 15.2f;
    } else {
        plate.lowerBound.y -= 0.3f;
    }
    for (CabObject* o : world->cabObjects) {
        if (blocked(o)) continue;
        for (int i = 0; i < o->bodyCount; ++i) {
            if (b2TestOverlap(plate, boxOf(o->bodies[i]))) {
                *index = i;
                return o;
            }
        }
    }
    return nullptr;
}

Wish YearPilot::toCave() {
    const Car* car = forest->playerCar;
    const b2Vec2 p = car->position();
    // The nearest cave, seen from well inside the forest.
    const b2Vec2 c0 = cave_ ? cave_->position() : b2Vec2(0.0f, 0.0f);
    if (!cave_ || b2Dot(p, (1.0f / c0.Length()) * c0) < CAVE_LINE_START) {
        for (const Scenery* c : caves_) {
            if (!cave_ || (c->position() - p).Length() < (cave_->position() - p).Length()) cave_ = c;
        }
    }
    if (!cave_) return Navigator::stop();
    // Onto the line from the middle of the forest out to the cave, and out along
    // it: at its end the car faces the cave.
    const b2Vec2 c = cave_->position();
    b2Vec2 u = c;
    u.Normalize();
    const float along = b2Dot(p, u);
    float ahead = std::min(c.Length(), std::max(along, CAVE_LINE_START) + CAVE_LOOK_AHEAD);
    // Along the fence, far from the line: no way out there; back in toward the middle.
    if (p.Length() > FENCE_RADIUS - 10.0f && (p - along * u).Length() > 8.0f) ahead = CAVE_LINE_START + CAVE_LOOK_AHEAD;
    if (along > FENCE_RADIUS - 5.0f && std::fabs(car->forwardSpeed()) < 0.3f && !navigator_.backingOff(world->elapsed)) {
        // At the fence and the cave not in view: back off and come again.
        if (++fenceFrames_ > 60) {
            // Backing with the wheel toward the cave turns the nose toward it.
            const b2Vec2 d = c - p;
            const float side = b2Dot(d, car->body->GetWorldVector(b2Vec2(1.0f, 0.0f)));
            navigator_.backOff(world->elapsed, 4.5f, side > 0.0f ? 0.8f : -0.8f);
            fenceFrames_ = 0;
        }
    } else {
        fenceFrames_ = 0;
    }
    // A late hand steers at the mouth itself once it shows ahead, slowly, in small
    // corrections: aiming at a point of the line it keeps overshooting.
    const bool late = navigator_.lag > 0.0f;
    if (late && cave_->localY > 0.0f && (c - p).Length() < MOUTH_SEEN &&
        std::fabs(portable::atan2(cave_->localX, cave_->localY)) < MOUTH_SEEN_ANGLE) {
        return navigator_.toward(car, c, true, world->elapsed, LATE_CAVE_SPEED);
    }
    // Slowly at the end, where the cave must come into view straight ahead.
    // A late hand drives the whole way out slowly: fast, each correction comes too late.
    return navigator_.toward(car, ahead * u, true, world->elapsed, late || along > CAVE_SLOW ? 4.0f : 1e9f);
}

const Scenery* YearPilot::chooseGoal() {
    const float elapsed = world->elapsed;
    // Keep to the goal until it has been run through or it takes too long.
    if (goal_ && goal_->lastHitTime == goalHitTime_ && elapsed - goalSince_ < 25.0f) return goal_;
    if (goal_ && goal_->lastHitTime != goalHitTime_) ++stats.impacts;
    const b2Vec2 p = forest->playerCar->position();
    const Scenery* best = nullptr;
    float bestScore = -1.0f;
    for (const Scenery* s : foodPlaces_) {
        if (s == goal_) continue;  // just hit or given up on
        const float score = worth(s, elapsed + 3.0f) / ((s->position() - p).Length() + 15.0f);
        if (score > bestScore) {
            bestScore = score;
            best = s;
        }
    }
    goal_ = best;
    goalSince_ = elapsed;
    goalHitTime_ = best ? best->lastHitTime : 0.0f;
    return best;
}

InputFrame YearPilot::next() {
    observe();
    if (world->sleepPhase > 0) {
        doing = "sleeping";
        return paw_.letGo();
    }
    int index = 0;
    if (CabObject* junk = heldJunk(&index)) {
        // What is left of a fish when both halves are eaten goes out of the window.
        doing = "throwing out bones";
        bool done = false;
        const InputFrame f = paw_.clear(junk, index, &done);
        // Jammed on the way out, or thrown back in: left alone a while, else the
        // pedals' check picks it up again and again.
        if (done) block(junk, index, 20.0f);
        return f;
    }
    if (CabObject* thing = onThePedals(&index)) {
        doing = "clearing the pedals";
        bool done = false;
        const InputFrame f = paw_.clear(thing, index, &done);
        // Cleared, or stuck where the paw cannot get it out: drive on for a while,
        // and give the lever a fresh try.
        if (done) {
            block(thing, index, 20.0f);
            leverFrames_ = 0;
        }
        return f;
    }
    if (CabObject* badger = loose(CAB_KIND_BADGER)) {
        // A badger eats what falls in and scratches: out with it first.
        doing = "throwing out a badger";
        bool done = false;
        const InputFrame f = paw_.clear(badger, 0, &done);
        if (done) block(badger, 0, 20.0f);
        return f;
    }
    CabObject* food = !fatEnough(world->fatness) && world->winterPhase <= 1 ? chooseFood(&index) : nullptr;
    hasFood_ = food != nullptr;
    if (food) foodAt_ = food->bodies[index]->GetPosition();
    if (food) {
        doing = "feeding";
        bool givingUp = false;
        const InputFrame f = paw_.feed(food, index, &givingUp);
        if (givingUp) block(food, index, 15.0f);
        return f;
    }
    if (fatEnough(world->fatness)) {
        doing = "driving to the cave";
        return paw_.drive(toCave());
    }
    if (CabObject* thing = underTheGas(&index)) {
        doing = "clearing the pedals";
        bool done = false;
        const InputFrame f = paw_.clear(thing, index, &done);
        if (done) block(thing, index, 20.0f);
        return f;
    }
    const Scenery* goal = chooseGoal();
    doing = "driving to food";
    if (!goal) return paw_.drive(Navigator::stop());
    return paw_.drive(navigator_.toward(forest->playerCar, goal->position(), true, world->elapsed));
}
