// Pointer input for a round, written the way a player moves: the paw is carried to
// a cab point over some frames, buttons go down and up. The frames are what a
// recording would hold; the script does not look at the world.
#pragma once

#include "main/input_log.h"

#include <cmath>
#include <vector>

struct PawScript {
    std::vector<InputFrame> frames;
    float x = 10.0f;  // where the script believes the paw is, in cab units
    float y = 10.0f;

    // Carries the paw to (tx, ty) in equal moves over n frames.
    PawScript& moveTo(float tx, float ty, int n = 1) {
        const float dx = (tx - x) * 32.0f / static_cast<float>(n);
        const float dy = (ty - y) * 32.0f / static_cast<float>(n);
        for (int i = 0; i < n; ++i) frames.push_back({dx, dy, 0});
        x = tx;
        y = ty;
        return *this;
    }
    // n frames of the same movement in window pixels.
    PawScript& drag(float dx, float dy, int n = 1) {
        for (int i = 0; i < n; ++i) frames.push_back({dx, dy, 0});
        x += dx * static_cast<float>(n) / 32.0f;
        y += dy * static_cast<float>(n) / 32.0f;
        return *this;
    }
    PawScript& wait(int n) { return drag(0.0f, 0.0f, n); }
    // Throws the pointer into the top-left corner of the paw's reach, where the
    // script knows the paw to be again (a held thing would pull it back).
    PawScript& home() {
        frames.push_back({-1000.0f, -1000.0f, 0});
        x = 0.0f;
        y = 2.0f;
        return *this;
    }
    PawScript& press() {
        frames.push_back({0.0f, 0.0f, INPUT_LEFT_DOWN});
        return *this;
    }
    PawScript& release() {
        frames.push_back({0.0f, 0.0f, INPUT_LEFT_UP});
        return *this;
    }
    PawScript& rightClick() {
        frames.push_back({0.0f, 0.0f, INPUT_RIGHT_DOWN});
        return *this;
    }
    // Drags round a centre by `turn` radians in n frames (positive: clockwise on
    // the screen, y pointing down).
    PawScript& circle(float cx, float cy, float turn, int n) {
        const float r = std::hypot(x - cx, y - cy);
        const float a0 = std::atan2(y - cy, x - cx);
        for (int i = 1; i <= n; ++i) {
            const float a = a0 + turn * static_cast<float>(i) / static_cast<float>(n);
            moveTo(cx + r * std::cos(a), cy + r * std::sin(a), 1);
        }
        return *this;
    }
};

// Gas pedal plate: x 8.75..10.25, y 11.75..13.75; brake plate: x 5..7.25, y 12..13.5;
// steering rim: radius 3 about (7.25, 7.25); lever knob at about (14.05, 11.18).
constexpr float GAS_X = 9.5f, GAS_Y = 12.75f;
constexpr float BRAKE_X = 6.1f, BRAKE_Y = 12.75f;
constexpr float WHEEL_X = 7.25f, WHEEL_Y = 7.25f;
