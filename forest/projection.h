// The windshield view's projection of the forest plane: where an object seen from
// the driver's seat lands in the 320 x 240 picture, how large it is drawn, from
// which side a car is seen, and where the ground's bands lie. Pure arithmetic, so
// that it can be checked without drawing.
#pragma once

#include "physics/portable_math.h"

#include <box2d/box2d.h>

// The ground plane sits a quarter of the picture's height above where a level
// camera would put it; everything infinitely far away meets at the horizon.
constexpr float VIEW_LIFT = -60.0f;
constexpr float VIEW_HORIZON = 128.0f + VIEW_LIFT;  // 68
constexpr float VIEW_HALF_WIDTH = 160.0f;
constexpr float VIEW_FIELD = 0.78539816f;  // pi/4: the angle that reaches an edge
constexpr float VIEW_NEAR = 0.5f;          // nearer than this ahead, nothing is drawn
// The car sprites' first view faces the viewer a little off the straight line.
constexpr float CAR_SPRITE_OFFSET = 1.7671459f;  // 9 pi / 16

// Where one object of the plane is drawn.
struct ViewPlacement {
    float screenX;
    float screenY;  // the sprite's anchor
    float scale;
    float distance;
};

// x of an object at (localX to the side, localY ahead) in the player's car frame.
inline float viewScreenX(float localX, float localY) {
    return (portable::atan2(localX, localY) / VIEW_FIELD + 1.0f) * VIEW_HALF_WIDTH;
}

inline float viewScale(float distance) { return 10.0f / distance; }

// The anchor's y: lower the nearer, with a lift that shrinks with the scale.
inline float viewScreenY(float distance) {
    return VIEW_HORIZON - VIEW_LIFT / distance + 20.0f * viewScale(distance);
}

inline ViewPlacement viewPlacement(float localX, float localY, float distance) {
    return ViewPlacement{viewScreenX(localX, localY), viewScreenY(distance), viewScale(distance), distance};
}

// The angle a car's sprite is chosen by: heading is the car's unit heading, toCar
// the unit vector from the viewer to the car. Seen from directly behind (heading
// along toCar) the angle is pi + offset, from the front the offset alone; the sign
// tells which side of the car shows.
inline float carViewAngle(const b2Vec2& heading, const b2Vec2& toCar) {
    float c = -(heading.x * toCar.x + heading.y * toCar.y);
    // Rounding can push a unit dot product just past 1, where acos has no answer.
    if (c > 1.0f) c = 1.0f;
    if (c < -1.0f) c = -1.0f;
    float a = portable::acos(c);
    if (toCar.y * heading.x - heading.y * toCar.x < 0.0f) a = -a;
    return a + CAR_SPRITE_OFFSET;
}

// y of the ground at depth z (0 at the viewer); tends to 52 far away.
inline float groundY(float z) { return VIEW_HORIZON - VIEW_LIFT / (z + 10.0f) + 1000.0f / (z + 10.0f) - 16.0f; }

// The first band reaches down to here, well past the picture's bottom.
constexpr float GROUND_BOTTOM = 400.0f;
constexpr float GROUND_BAND_DEPTH = 5.0f;

// Calls band(y, height, parity) for each ground band from the bottom of the
// picture toward the horizon: bands of 5 units of depth, alternating in colour,
// shifted by the stripe phase. Stops at the first band less than a pixel high.
template <class BandFn>
void forEachGroundBand(float phase, int parity, BandFn band) {
    float z = GROUND_BAND_DEPTH * phase;
    float y = groundY(z);
    float h = GROUND_BOTTOM - y;
    int p = parity;
    while (h >= 1.0f) {
        band(y, h, p);
        p = 1 - p;
        z += GROUND_BAND_DEPTH;
        const float top = groundY(z);
        h = y - top;
        y = top;
    }
}
