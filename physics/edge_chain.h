// Edge chains: a line of straight edges on one body, each colliding on both sides.
#pragma once

#include "physics/shape.h"

// Adds count - 1 edges (count edges when loop closes the chain back to the first
// vertex), each with the material, filter and user data of def. Returns the first.
Shape* addEdgeChain(b2Body* body, const b2Vec2* vertices, int count, bool loop, const ShapeDef& def);
