// The forest list's depth order: farthest ahead of the player's car first.
#pragma once

#include "forest/forest_object.h"

#include <vector>

// Sorts objects by localY, largest first; equally far objects (and a NaN, which
// is as far as anything) by creation index, so that the order is the same under
// every standard library. From one update to the next the order barely changes,
// so an insertion sort finishes in about one pass.
void sortFarthestFirst(std::vector<ForestObject*>& objects);
