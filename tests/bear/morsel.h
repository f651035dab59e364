// A loose round thing for the mouth's tests: edible when its mask holds the
// mouth's category, and chewed but never swallowed while a test watches.
#pragma once

#include "tests/forest/test_ball.h"

class Morsel : public TestBall {
public:
    explicit Morsel(b2Vec2 at, float radius = 0.4f, bool edible = true)
        : TestBall(at, radius, edible ? 0x07D5 : 0x01CD, 0.5f, 0.5f) {
        chewDuration = 1000.0f;
    }
};
