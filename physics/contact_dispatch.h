// Turns the library's per-contact callbacks into per-point add, persist and remove
// events for the world's ContactListener.
#pragma once

#include "physics/contact_events.h"
#include "physics/contact_memory.h"

class ContactDispatch : public b2ContactListener {
public:
    void setListener(ContactListener* listener) { listener_ = listener; }
    ContactListener* listener() const { return listener_; }

    // Called by the world around each step.
    void beginStep() { ++step_; }
    // Persist events for sensor pairs that still overlap: the library reports
    // nothing for them while they stay.
    void reportSensorPersists(b2World* world);

    int touching() const { return memory_.size(); }

    void BeginContact(b2Contact* contact) override;
    void EndContact(b2Contact* contact) override;
    void PreSolve(b2Contact* contact, const b2Manifold* oldManifold) override;

private:
    void emitSensor(b2Contact* contact, void (ContactListener::*event)(const ContactPoint&));
    void emitBarePersist(b2Contact* contact);
    void emitPoint(b2Contact* contact, const b2WorldManifold& wm, const b2Manifold& m, int i,
                   void (ContactListener::*event)(const ContactPoint&));

    ContactListener* listener_ = nullptr;
    ContactMemory memory_;
    int sensorsTouching_ = 0;  // sensor pairs begun and not yet ended
    uint32_t step_ = 0;
};
