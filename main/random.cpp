#include "main/random.h"

#include "engine/core/boot_clock.h"

namespace {
uint32_t g_state = 0;

uint32_t step() {
    g_state = g_state * 214013u + 2531011u;
    return g_state;
}
}  // namespace

void seedRandom(uint32_t s) { g_state = s ? s : millisecondsSinceBoot(); }

uint32_t randomState() { return g_state; }

uint32_t randomInt(uint32_t n) {
    uint32_t s = step();
    if (n == 0) return 0;  // the draw still happens, so the sequence stays in step
    return ((s >> 15) ^ s) % n;
}

float random01() { return static_cast<float>(step() >> 16) * 1.5259022e-5f; }

float randomRange(float a, float b) { return a + (b - a) * static_cast<float>(step() >> 16) * 1.5259022e-5f; }

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v < hi ? v : hi); }

// Written so that a value that is not a number takes the low bound: the same as
// "lo if v < lo, hi if v > hi, else v" for every number.
float clampFloat(float v, float lo, float hi) { return v >= lo ? (v > hi ? hi : v) : lo; }

float lerp(float t, float a, float b) { return a + (b - a) * t; }

float mix(float a, float b, float t) { return t * b + (1.0f - t) * a; }

float remapClamped(float v, float in0, float in1, float out0, float out1) {
    float r = out0 + (out1 - out0) * (v - in0) / (in1 - in0);
    float lo = out0 < out1 ? out0 : out1;
    float hi = out0 < out1 ? out1 : out0;
    return clampFloat(r, lo, hi);
}

int wrapMod(int a, int b) { return a >= 0 ? a % b : b - ((-a - 1) % b) - 1; }
