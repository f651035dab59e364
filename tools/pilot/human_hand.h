// A hand on a mouse between the pilot and the round, for measuring what a person
// could do: what the pilot decides reaches the paw a quarter second later (it
// acts on the world as it was), the pointer moves no faster than 1,500 window
// pixels per second and strays by a pixel or two as it moves, and a button waits
// until the hand has got where the pilot meant to press it. The scatter comes from
// the hand's own generator, never the game's.
#pragma once

#include "main/input_log.h"

#include <box2d/box2d.h>

#include <cstdint>
#include <deque>
#include <random>

class HumanHand {
public:
    static constexpr int DELAY_FRAMES = 15;       // a quarter second at 60 per second
    static constexpr float MAX_STEP = 25.0f;      // window pixels per update: 1,500 per second
    static constexpr float SCATTER = 1.0f;        // pixels, standard deviation per moving update

    explicit HumanHand(uint32_t seed) : scatter_(seed) {}
    // The pilot's decision of this update in, the hand's movement of this update out.
    InputFrame next(const InputFrame& meant);
    // The movement, in window pixels, that is decided but not yet made: where the
    // pilot feels its hand is going.
    b2Vec2 pending() const;

private:
    std::deque<InputFrame> queue_;
    b2Vec2 debt_ = b2Vec2(0.0f, 0.0f);
    uint32_t buttons_ = 0;  // taken from the queue, waiting for the hand to arrive
    // Near-normal (twelve uniforms summed) with + - * alone: the C library's
    // logarithm, which a normal distribution takes, differs in its last bits
    // between libraries, and the same seed must play the same records everywhere.
    float noise();
    std::mt19937 scatter_;
};
