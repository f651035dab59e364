// The game's one random generator and its small math helpers. Every random draw of
// the game goes through these, in a fixed order, so that a recorded game replays.
#pragma once

#include <cstdint>

void seedRandom(uint32_t s);  // 0 seeds from the millisecond clock
uint32_t randomState();
uint32_t randomInt(uint32_t n);  // 0..n-1; 0 for n == 0
float random01();                // 0..1, both ends included
float randomRange(float a, float b);

int clampInt(int v, int lo, int hi);
float clampFloat(float v, float lo, float hi);
float lerp(float t, float a, float b);
float mix(float a, float b, float t);
float remapClamped(float v, float in0, float in1, float out0, float out1);
int wrapMod(int a, int b);
