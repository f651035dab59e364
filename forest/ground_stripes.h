// The ground's stripes in the windshield view: their colours, and the phase that
// the forest step moves with the car. Kept for the whole run; each forest resets it.
#pragma once

#include <cstdint>

// 0 and 1 a normal year's two colours, 2 and 3 a frozen year's.
extern uint32_t stripeColors[4];
extern float stripePhase;  // 0 <= phase < 1
extern int stripeParity;   // 0 or 1: which colour the nearest band has

void resetGroundStripes();
// Moves the stripes by the car's forward speed s (one step).
void scrollGroundStripes(float s);
