// The sprites and sounds of the badger and the bee, fetched from the resource
// manager on first use and kept for the run.
#pragma once

#include "engine/engine.h"

class Sprite;

struct AnimalArt {
    Sprite* badgerPaw;
    Sprite* badgerBody;
    Sprite* badgerHead[2];  // the jaws open and shut
    Sprite* bee[2];         // wings up, wings down
    Sprite* ouch;
    EffectHandle badger;
    EffectHandle scratch;
    EffectHandle buzz[2];
    EffectHandle sting;
};

// Null sprites and no sounds while there is no resource manager.
const AnimalArt& animalArt();
