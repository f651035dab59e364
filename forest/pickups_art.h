// The sprites and sounds of the loose things, fetched from the resource manager on
// first use and kept for the run.
#pragma once

#include "engine/engine.h"

class Sprite;

struct PickupArt {
    Sprite* fishHead[3];  // whole, tail eaten, bones
    Sprite* fishTail[3];  // whole, head eaten, bones
    Sprite* leaves[4];
    Sprite* pinecone;
    Sprite* berry;
    Sprite* rocks[3];
    Sprite* snowballs[3];
    Sprite* clock;
    Sprite* clockMinute;
    EffectHandle fishFlop;
    EffectHandle rockKnocks[2];
};

// Null sprites and no sounds while there is no resource manager.
const PickupArt& pickupArt();
