// The last manifold of every touching contact. The library forgets a contact's
// points by the time it reports that the contact stopped touching, so the points'
// remove events are made from what is kept here.
#pragma once

#include <box2d/box2d.h>

#include <cstdint>
#include <vector>

struct ContactRecord {
    const b2Contact* contact;  // null: free slot
    b2Manifold manifold;
    uint32_t step;             // the step that last reported the contact's points
    bool sensor;
};

// Open addressing keyed by the contact. It grows only when the number of touching
// contacts reaches a new peak, never in a steady step.
class ContactMemory {
public:
    explicit ContactMemory(int capacity = 256);

    ContactRecord* find(const b2Contact* contact);
    // The record of the contact, a new cleared one when there was none.
    ContactRecord* insert(const b2Contact* contact);
    void erase(const b2Contact* contact);
    int size() const { return count_; }

private:
    size_t slotOf(const b2Contact* contact) const;
    void grow();

    std::vector<ContactRecord> slots_;
    int count_ = 0;
};
