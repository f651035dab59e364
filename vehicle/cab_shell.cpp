// The cab's static shell: roof, floor, walls with their window openings, the
// floor block and the ledge, all on cabAnchor. Loose objects pass an opening or
// not by their own masks.
#include "main/world.h"
#include "physics/edge_chain.h"

Shape* World::addCabBox(float x, float y, float w, float h, uint16_t category) {
    ShapeDef box = boxShape(w * 0.5f, h * 0.5f, b2Vec2(x + w * 0.5f, y + h * 0.5f));
    box.friction = 1.0f;
    box.restitution = 0.0f;
    box.density = 0.0f;
    box.filter = makeFilter(category);
    return addShape(cabAnchor, box);
}

Shape* World::addCabEdge(float x1, float y1, float x2, float y2, uint16_t category) {
    const b2Vec2 ends[2] = {b2Vec2(x1, y1), b2Vec2(x2, y2)};
    ShapeDef edge;
    edge.friction = 1.0f;
    edge.restitution = 0.0f;
    edge.density = 0.0f;
    edge.filter = makeFilter(category);
    // A bare line, without the physics library's skin on edges: a thing resting on
    // the ledge then reaches below y 6, so the opening rule ("entirely above")
    // leaves a ledge bit that a jolt cleared cleared, and the thing falls.
    edge.edge.m_radius = 0.0f;
    return addEdgeChain(cabAnchor, ends, 2, false, edge);
}
