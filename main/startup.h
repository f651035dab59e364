// The game's start-up steps, shared by the entry point and the tools that run the
// real game (the screenshot tool drives it with callbacks of its own).
#pragma once

#include "engine/engine.h"

// Sets every Engine state the game runs with: the window, the frame rate, sound,
// point sampling, the hidden pointer, the icon and the three callbacks.
void configureEngine(EngineCallback frame, EngineCallback render, EngineCallback restore);

// Builds the resource manager on "data\bear.res" and loads every resource of every
// group. On false the Engine's error text tells why and no manager is left.
bool loadResources();

// Deletes the resource manager, if any.
void freeResources();
