// Plays a year as a player does, with nothing but the pointer and its buttons:
// drives at the bushes and ponds that have something to give, takes the food
// that falls into the cab to the bear's mouth until the bear is fat enough, then
// drives into a cave. It reads the cab and the forest as the player sees them
// on the screen and never touches a body itself.
#pragma once

#include "main/input_log.h"
#include "tools/pilot/driving.h"
#include "tools/pilot/paw_pilot.h"

#include <vector>

class CabObject;
class Scenery;

// How the year went for the pilot.
struct YearStats {
    int meals = 0;            // bites swallowed
    float firstMeal = -1.0f;  // seconds into the year; -1 none
    int foodFrames = 0;       // updates with food lying in the cab
    int impacts = 0;          // bushes and ponds run through
    float fatAt = -1.0f;      // seconds into the year when the bear was fat enough; -1 never
};

// How much longer a late hand takes over the car's controls than a machine.
constexpr float LATE_PATIENCE = 2.5f;
// Seconds a late hand's turn of the wheel takes to arrive: its reaction, the
// travel to the rim and the turn itself.
constexpr float LATE_STEER_LAG = 0.6f;

class YearPilot {
public:
    // Reads the forest of the round just set up.
    YearPilot();
    // This update's pointer movement and buttons.
    InputFrame next();

    YearStats stats;
    // What it did in the last update, in a word or two.
    const char* doing = "";
    int grabs() const { return paw_.grabs; }
    int gearChanges() const { return paw_.gearChanges; }
    // Updates its presses take to reach the paw.
    void setReaction(int frames) {
        paw_.reaction = frames;
        navigator_.patience = frames > 0 ? LATE_PATIENCE : 1.0f;
        navigator_.lag = frames > 0 ? LATE_STEER_LAG : 0.0f;
    }

private:
    // Where a thing lay that the paw gave up on, and until when to leave it.
    // The pilot keeps no object's address, which a later object may get: its
    // choices must not hang on where the memory allocator puts things.
    struct Blocked {
        b2Vec2 at;
        float until;
    };

    void observe();
    // The food to take now, or null; index gets the body to grip.
    CabObject* chooseFood(int* index);
    bool blocked(const CabObject* thing) const;
    void block(const CabObject* thing, int index, float seconds);
    // A loose thing at rest on the floor under the gas pedal, or null.
    CabObject* underTheGas(int* index);
    // A loose thing of that kind in the cab, not left alone for now, or null.
    CabObject* loose(int kind) const;
    // The bones of a fish the paw still holds once both halves are eaten, or null.
    CabObject* heldJunk(int* index);
    // A loose thing that holds a pedal down or up, or the gear lever between
    // its gears, or null.
    CabObject* onThePedals(int* index);
    // The bush or pond to run through next.
    const Scenery* chooseGoal();
    // The way into the nearest cave: out along the line from the forest's middle.
    Wish toCave();

    PawPilot paw_;
    Navigator navigator_;
    std::vector<const Scenery*> foodPlaces_;
    std::vector<const Scenery*> caves_;
    const Scenery* cave_ = nullptr;
    int fenceFrames_ = 0;
    const Scenery* goal_ = nullptr;
    float goalSince_ = 0.0f;
    float goalHitTime_ = 0.0f;
    bool hasFood_ = false;
    b2Vec2 foodAt_ = b2Vec2(0.0f, 0.0f);
    std::vector<Blocked> blocked_;
    float lastFatness_ = 0.0f;
    int pressedFrames_ = 0;
    int leverFrames_ = 0;
    bool leverReverse_ = false;
};
