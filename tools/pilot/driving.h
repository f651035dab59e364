// Where the pilot wants the car to go, as a player reads it off the windshield
// view: a point of the forest to reach, and what the car's controls should be to
// get there. It backs off when the car is stuck.
#pragma once

#include <box2d/box2d.h>

class Car;

// What the pilot wants of the car's controls.
struct Wish {
    float steer;     // -1..1, positive turns left
    float throttle;  // 0..1
    float brake;     // 0..1
    bool reverse;
};

class Navigator {
public:
    // Heads for goal; `through` drives on at speed (a bush or a pond to run
    // through), else it slows down on arrival; never faster than most.
    Wish toward(const Car* car, b2Vec2 goal, bool through, float elapsed, float most = 1e9f);
    // Stands still.
    static Wish stop() { return {0.0f, 0.0f, 1.0f, false}; }
    // True while it backs off from something it stuck on.
    bool backingOff(float elapsed) const { return elapsed < backUntil_; }
    // Backs off at once (the goal is the other way round an obstacle).
    void backOff(float elapsed, float seconds);
    // Backs off with the wheel at steer: the nose turns the other way.
    void backOff(float elapsed, float seconds, float steer);

    // How many times longer than a machine's its driver takes to change gear,
    // turn the wheel and press a pedal: the stuck test and backing off wait so long.
    float patience = 1.0f;
    // Seconds from a decision until the wheel has it: a late driver steers by where
    // the car's turning will have taken it by then, and in small corrections.
    float lag = 0.0f;

private:
    b2Vec2 checkpoint_ = b2Vec2(0.0f, 0.0f);
    float checkAt_ = 0.0f;
    float backUntil_ = -1.0f;
    float lastCall_ = 0.0f;
    float backSteer_ = -0.5f;
    int stuckCount_ = 0;
};
