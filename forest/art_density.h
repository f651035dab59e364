// How finely the windshield art is drawn: texels per pixel of the view's projection
// (the pixel a sprite would have at the object's scale of 1 texel per pixel). The
// view divides its scale by these, so what an object covers on screen does not
// depend on them; they only make the art hold up where the car comes close.
// tools/art/generate.py reads the values below by their names: one source for both.
#pragma once

constexpr float ART_DENSITY_TREE = 5.0f;      // trees but the big fir
constexpr float ART_DENSITY_BIG_FIR = 2.0f;   // tree6, drawn at half the others' scale
constexpr float ART_DENSITY_MOUNTAIN = 3.0f;
// The cave over a mountain grows up to 3.85 times as the bear falls asleep in it.
constexpr float ART_DENSITY_CAVE = 9.0f;
constexpr float ART_DENSITY_BOULDER = 3.0f;
constexpr float ART_DENSITY_BUSH = 15.0f;
constexpr float ART_DENSITY_POND = 14.0f;  // and the jumping fish over it
constexpr float ART_DENSITY_CAR = 1.0f;   // the other cars' views

// The scale a car's view is drawn at, per texel, for the projection's scale.
inline float carArtScale(float viewScale) { return 0.5f * viewScale / ART_DENSITY_CAR; }
