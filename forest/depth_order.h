// The forest list's depth order: farthest ahead of the player's car first.
#pragma once

#include "forest/forest_object.h"

#include <vector>

// Sorts objects by localY, largest first, into exactly the order std::sort gives.
// From one update to the next the order barely changes, so an insertion sort
// finishes in about one pass where std::sort starts over. Only equally far
// objects could end up in another order than std::sort's (and with it the order
// they are updated and drawn in); then the list is put back as it came and
// std::sort orders it. scratch keeps its memory between calls.
void sortFarthestFirst(std::vector<ForestObject*>& objects, std::vector<ForestObject*>& scratch);
