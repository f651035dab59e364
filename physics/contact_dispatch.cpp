#include "physics/contact_dispatch.h"

namespace {
bool isSensorPair(const b2Contact* c) { return c->GetFixtureA()->IsSensor() || c->GetFixtureB()->IsSensor(); }

void worldManifold(const b2Contact* c, const b2Manifold& m, b2WorldManifold* wm) {
    const b2Fixture* a = c->GetFixtureA();
    const b2Fixture* b = c->GetFixtureB();
    wm->Initialize(&m, a->GetBody()->GetTransform(), a->GetShape()->m_radius, b->GetBody()->GetTransform(),
                   b->GetShape()->m_radius);
}

b2Vec2 relativeVelocity(const b2Contact* c, b2Vec2 p) {
    return c->GetFixtureB()->GetBody()->GetLinearVelocityFromWorldPoint(p) -
           c->GetFixtureA()->GetBody()->GetLinearVelocityFromWorldPoint(p);
}
}  // namespace

void ContactDispatch::emitPoint(b2Contact* contact, const b2WorldManifold& wm, const b2Manifold& m, int i,
                                void (ContactListener::*event)(const ContactPoint&)) {
    (void)m;
    ContactPoint p;
    p.shapeA = contact->GetFixtureA();
    p.shapeB = contact->GetFixtureB();
    p.position = wm.points[i];
    p.normal = wm.normal;
    p.velocity = relativeVelocity(contact, p.position);
    p.separation = wm.separations[i];
    (listener_->*event)(p);
}

// A sensor pair is one point: at the middle of the points the shapes would touch
// at, or between the two shapes' boxes when they overlap deeply without any.
void ContactDispatch::emitSensor(b2Contact* contact, void (ContactListener::*event)(const ContactPoint&)) {
    b2Fixture* a = contact->GetFixtureA();
    b2Fixture* b = contact->GetFixtureB();
    b2Manifold m;
    m.pointCount = 0;
    contact->Evaluate(&m, a->GetBody()->GetTransform(), b->GetBody()->GetTransform());
    b2Vec2 pos(0.0f, 0.0f);
    if (m.pointCount > 0) {
        b2WorldManifold wm;
        worldManifold(contact, m, &wm);
        for (int i = 0; i < m.pointCount; ++i) pos += wm.points[i];
        pos *= 1.0f / static_cast<float>(m.pointCount);
    } else {
        pos = 0.5f * (a->GetAABB(contact->GetChildIndexA()).GetCenter() +
                      b->GetAABB(contact->GetChildIndexB()).GetCenter());
    }
    ContactPoint p;
    p.shapeA = a;
    p.shapeB = b;
    p.position = pos;
    p.normal.SetZero();
    p.velocity = relativeVelocity(contact, pos);
    p.separation = 0.0f;
    (listener_->*event)(p);
}

void ContactDispatch::emitBarePersist(b2Contact* contact) {
    ContactPoint p;
    p.shapeA = contact->GetFixtureA();
    p.shapeB = contact->GetFixtureB();
    p.position.SetZero();
    p.normal.SetZero();
    p.velocity.SetZero();
    p.separation = 0.0f;
    listener_->persist(p);
}

void ContactDispatch::BeginContact(b2Contact* contact) {
    // A solid pair's points are reported by PreSolve, which follows at once.
    if (!isSensorPair(contact)) return;
    ContactRecord* r = memory_.insert(contact);
    r->sensor = true;
    r->step = step_;
    ++sensorsTouching_;
    if (listener_) emitSensor(contact, &ContactListener::add);
}

void ContactDispatch::PreSolve(b2Contact* contact, const b2Manifold* oldManifold) {
    const b2Manifold& m = *contact->GetManifold();
    ContactRecord* r = memory_.insert(contact);
    // A contact is updated again in the same step when a fast body is caught up
    // (time of impact); its remaining points were reported already.
    const bool again = r->step == step_ && r->manifold.pointCount > 0;
    r->manifold = m;
    r->step = step_;
    r->sensor = false;
    if (!listener_) return;

    b2PointState before[b2_maxManifoldPoints], after[b2_maxManifoldPoints];
    b2GetPointStates(before, after, oldManifold, &m);
    bool anyAdded = false;
    for (int i = 0; i < m.pointCount; ++i) anyAdded |= after[i] == b2_addState;
    const bool persistPoints = listener_->persistPointsWanted();
    b2WorldManifold wm;
    if (anyAdded || persistPoints) worldManifold(contact, m, &wm);
    for (int i = 0; i < m.pointCount; ++i) {
        if (after[i] == b2_addState) {
            emitPoint(contact, wm, m, i, &ContactListener::add);
        } else if (after[i] == b2_persistState && !again) {
            if (persistPoints) {
                emitPoint(contact, wm, m, i, &ContactListener::persist);
            } else {
                emitBarePersist(contact);
            }
        }
    }
    bool anyRemoved = false;
    for (int i = 0; i < oldManifold->pointCount; ++i) anyRemoved |= before[i] == b2_removeState;
    if (anyRemoved) {
        b2WorldManifold old;
        worldManifold(contact, *oldManifold, &old);
        for (int i = 0; i < oldManifold->pointCount; ++i) {
            if (before[i] == b2_removeState) emitPoint(contact, old, *oldManifold, i, &ContactListener::remove);
        }
    }
}

void ContactDispatch::EndContact(b2Contact* contact) {
    ContactRecord* r = memory_.find(contact);
    if (listener_) {
        if (isSensorPair(contact)) {
            emitSensor(contact, &ContactListener::remove);
        } else {
            // Stopped touching: the contact's manifold is already empty, the kept
            // one holds the points that went. Destroyed: both are the same.
            const b2Manifold& m = r ? r->manifold : *contact->GetManifold();
            if (m.pointCount > 0) {
                b2WorldManifold wm;
                worldManifold(contact, m, &wm);
                for (int i = 0; i < m.pointCount; ++i) emitPoint(contact, wm, m, i, &ContactListener::remove);
            }
        }
    }
    if (!r) return;
    if (r->sensor) --sensorsTouching_;
    memory_.erase(contact);
}

void ContactDispatch::reportSensorPersists(b2World* world) {
    // The walk over every contact of the world is for the few sensor pairs.
    if (!listener_ || sensorsTouching_ == 0) return;
    for (b2Contact* c = world->GetContactList(); c; c = c->GetNext()) {
        if (!c->IsTouching() || !isSensorPair(c)) continue;
        const b2Body* a = c->GetFixtureA()->GetBody();
        const b2Body* b = c->GetFixtureB()->GetBody();
        const bool activeA = a->IsAwake() && a->GetType() != b2_staticBody;
        const bool activeB = b->IsAwake() && b->GetType() != b2_staticBody;
        if (!activeA && !activeB) continue;  // resting pairs are not updated, as solid ones
        ContactRecord* r = memory_.find(c);
        if (r && r->step == step_) continue;  // began in this step
        if (r) r->step = step_;
        if (listener_->persistPointsWanted()) {
            emitSensor(c, &ContactListener::persist);
        } else {
            emitBarePersist(c);
        }
    }
}
