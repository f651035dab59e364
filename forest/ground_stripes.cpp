#include "forest/ground_stripes.h"

uint32_t stripeColors[4] = {0xFF295215, 0xFF1E3B0F, 0xFFD2D2DC, 0xFFB4B4DC};
float stripePhase = 0.0f;
int stripeParity = 0;

void resetGroundStripes() {
    stripeColors[0] = 0xFF295215;
    stripeColors[1] = 0xFF1E3B0F;
    stripeColors[2] = 0xFFD2D2DC;
    stripeColors[3] = 0xFFB4B4DC;
    stripePhase = 0.0f;
    stripeParity = 0;
}

void scrollGroundStripes(float s) {
    stripePhase -= 0.004f * s;
    if (stripePhase >= 1.0f) {
        stripePhase -= 1.0f;
        stripeParity ^= 1;
    } else if (stripePhase < 0.0f) {
        stripePhase += 1.0f;
        stripeParity ^= 1;
    }
}
