// The game's start-up steps, shared by the entry point and the tools that run the
// real game (the screenshot tool drives it with callbacks of its own).
#pragma once

#include "engine/engine.h"

#include <string>

// Sets every Engine state the game runs with: the window, the frame rate, sound,
// point sampling, the hidden pointer, the icon and the three callbacks.
void configureEngine(EngineCallback frame, EngineCallback render, EngineCallback restore);

// Builds the resource manager on "data\bear.res" and loads every resource of every
// group. On false the Engine's error text tells why, failedFile (if given) receives
// the file that could not be loaded, and no manager is left. What the script and the
// font skip is said on standard error.
bool loadResources(std::string* failedFile = nullptr);

// Deletes the resource manager, if any.
void freeResources();

// Before the start-up error box: SIGTERM and SIGINT end the game while the box waits,
// and the box's own process ends with the game's.
void letTheErrorBoxEnd();
