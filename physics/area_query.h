// Shapes whose bounding boxes overlap a box, at most a given number of them.
#pragma once

#include "physics/shape.h"

// Fills shapes with up to maxCount shapes and returns how many it found.
int queryArea(const b2World* world, const b2AABB& box, Shape** shapes, int maxCount);
