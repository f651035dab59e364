// The animals a hard knock on a tree shakes loose into the cab: badgers and bees.
// Impacts create them through these and the cab's contacts tell a badger what its
// head caught.
#pragma once

#include <box2d/box2d.h>

class CabObject;

// A new badger or bee with its bodies at their local start positions, not yet
// dropped into the cab.
CabObject* newBadger();
CabObject* newBee();
// Badgers alive now, whatever took the others away; no more fall in while there
// are three.
int livingBadgers();
// badger's head caught food (a body of another loose object); it eats it on its
// next update.
void badgerCatches(CabObject* badger, b2Body* food);
