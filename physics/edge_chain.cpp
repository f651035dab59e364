#include "physics/edge_chain.h"

Shape* addEdgeChain(b2Body* body, const b2Vec2* vertices, int count, bool loop, const ShapeDef& def) {
    Shape* first = nullptr;
    const int edges = loop ? count : count - 1;
    for (int i = 0; i < edges; ++i) {
        ShapeDef e = def;
        e.kind = ShapeDef::Edge;
        e.edge.SetTwoSided(vertices[i], vertices[(i + 1) % count]);
        Shape* s = addShape(body, e);
        if (!first) first = s;
    }
    return first;
}
