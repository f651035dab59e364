// The picture while a round is played: the windshield view, the winter snow over
// it, and the cab (dashboard, fixtures, gauges, bear, paw, loose things, seats)
// turned and lifted as one by the cab's tilt and bumps, with the "Hibernate!"
// notice on top. The drawing is World::drawCab and its parts (main/world.h).
#pragma once

// Cab pixels per cab unit.
constexpr float CAB_PIXELS_PER_UNIT = 16.0f;
// The point the cab turns about: the picture's centre.
constexpr float CAB_PIVOT_X = 160.0f;
constexpr float CAB_PIVOT_Y = 120.0f;
// Pixels the cab rises per unit of bumpSmooth.
constexpr float CAB_BUMP_LIFT = 32.0f;
// Flakes of a full snowfall: every frame draws this many positions from the
// Engine's generator, whether or not the flake is shown yet.
constexpr int SNOWFLAKES = 100;

// The fat gauge's gold "fat enough" mark, in cab pixels (also on the help card).
void drawFatGaugeMark();
