// How coarse the windshield art gets where the car really comes: the car is put
// before each kind of object and driven into it, into the fence and past the
// other cars, and every frame the view's projection tells how many target pixels
// one texel of each drawn sprite covers.
#pragma once

// The check fails above this many target pixels per texel.
constexpr float TEXEL_LIMIT = 3.0f;

// Runs the drives headless, prints the largest texel of each kind and, last,
// "largest texel: X target pixels (KIND)". 0 when X is within TEXEL_LIMIT.
int runTexelCheck();
