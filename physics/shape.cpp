#include "physics/shape.h"

ShapeDef circleShape(float radius, b2Vec2 center) {
    ShapeDef def;
    def.kind = ShapeDef::Circle;
    def.circle.m_radius = radius;
    def.circle.m_p = center;
    return def;
}

ShapeDef boxShape(float halfWidth, float halfHeight, b2Vec2 center, float angle) {
    ShapeDef def;
    def.kind = ShapeDef::Polygon;
    def.polygon.SetAsBox(halfWidth, halfHeight, center, angle);
    return def;
}

ShapeDef polygonShape(const b2Vec2* vertices, int count) {
    ShapeDef def;
    def.kind = ShapeDef::Polygon;
    def.polygon.Set(vertices, count);
    return def;
}

ShapeDef edgeShape(b2Vec2 v1, b2Vec2 v2) {
    ShapeDef def;
    def.kind = ShapeDef::Edge;
    def.edge.SetTwoSided(v1, v2);
    return def;
}

Shape* addShape(b2Body* body, const ShapeDef& def) {
    b2FixtureDef fd;
    switch (def.kind) {
    case ShapeDef::Circle: fd.shape = &def.circle; break;
    case ShapeDef::Polygon: fd.shape = &def.polygon; break;
    case ShapeDef::Edge: fd.shape = &def.edge; break;
    }
    fd.friction = def.friction;
    fd.restitution = def.restitution;
    fd.density = def.density;
    fd.isSensor = def.isSensor;
    fd.filter = def.filter;
    fd.userData.pointer = def.userData;

    // The library recomputes a dynamic body's mass when a shape with density
    // arrives; the game states its masses itself, so keep the one it had.
    const bool keepMass = body->GetType() == b2_dynamicBody && def.density > 0.0f;
    b2MassData mass;
    if (keepMass) body->GetMassData(&mass);
    Shape* shape = body->CreateFixture(&fd);
    if (keepMass) body->SetMassData(&mass);
    return shape;
}

void destroyShape(Shape* shape) {
    b2Body* body = shape->GetBody();
    const bool keepMass = body->GetType() == b2_dynamicBody;
    b2MassData mass;
    if (keepMass) body->GetMassData(&mass);
    body->DestroyFixture(shape);
    if (keepMass) body->SetMassData(&mass);
}
