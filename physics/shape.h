// Shapes: what the game calls a shape is a fixture of the physics library. A shape
// definition carries its geometry, its material and its collision filter.
#pragma once

#include <box2d/box2d.h>

#include <cstdint>

using Shape = b2Fixture;

struct ShapeDef {
    enum Kind { Circle, Polygon, Edge };

    Kind kind = Circle;
    b2CircleShape circle;
    b2PolygonShape polygon;
    b2EdgeShape edge;

    float friction = 0.2f;
    float restitution = 0.0f;
    float density = 0.0f;
    bool isSensor = false;
    b2Filter filter;  // category 1, mask 0xFFFF, group 0
    uintptr_t userData = 0;
};

ShapeDef circleShape(float radius, b2Vec2 center = b2Vec2(0.0f, 0.0f));
// A box of the given half-extents about its centre, turned by angle.
ShapeDef boxShape(float halfWidth, float halfHeight, b2Vec2 center = b2Vec2(0.0f, 0.0f), float angle = 0.0f);
// A convex polygon of 3 to 8 vertices.
ShapeDef polygonShape(const b2Vec2* vertices, int count);
// A straight edge that collides on both sides.
ShapeDef edgeShape(b2Vec2 v1, b2Vec2 v2);

// Adds the shape to the body. Adding a shape never changes the body's mass: the
// mass changes only through setMassFromShapes or setMass.
Shape* addShape(b2Body* body, const ShapeDef& def);
// Removes the shape; the body keeps its mass.
void destroyShape(Shape* shape);

inline b2Filter makeFilter(uint16_t category, uint16_t mask = 0xFFFF, int16_t group = 0) {
    b2Filter f;
    f.categoryBits = category;
    f.maskBits = mask;
    f.groupIndex = group;
    return f;
}
