#include "physics/body.h"

void setMassFromShapes(b2Body* body) {
    float mass = 0.0f;
    for (b2Fixture* f = body->GetFixtureList(); f; f = f->GetNext()) {
        if (f->GetDensity() <= 0.0f) continue;
        b2MassData md;
        f->GetMassData(&md);
        mass += md.mass;
    }
    if (mass <= 0.0f) {
        body->SetType(b2_staticBody);
        return;
    }
    if (body->GetType() == b2_dynamicBody) {
        body->ResetMassData();
    } else {
        body->SetType(b2_dynamicBody);  // computes the mass from the shapes
    }
}

void setMass(b2Body* body, const b2MassData& mass) {
    if (mass.mass <= 0.0f) {
        body->SetType(b2_staticBody);
        return;
    }
    body->SetType(b2_dynamicBody);
    body->SetMassData(&mass);
}
