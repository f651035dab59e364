// Loose objects of the cab world: everything that falls into the car. The World's
// list owns them; each destroys its own bodies.
#pragma once

#include <box2d/box2d.h>

#include <cstdint>

constexpr int CAB_OBJECT_MAX_BODIES = 6;

class CabObject {
public:
    CabObject() = default;
    CabObject(const CabObject&) = delete;
    CabObject& operator=(const CabObject&) = delete;
    // Destroys the bodies in the round's cab world.
    virtual ~CabObject();
    virtual void update() = 0;
    virtual void render() = 0;
    // body, one of this object's, has just been eaten; dead may be set after.
    virtual void onEaten(b2Body* body) { (void)body; }
    // A shape of the loose-object category got a new contact.
    virtual void onContact() {}

    // Sets the bits in the mask of every shape that lacks one of them.
    void setMaskBits(uint16_t bits);
    // Clears the bits from the mask of every shape that has one of them.
    void clearMaskBits(uint16_t bits);
    // The roof, side windows and ledge are open or closed to the object by its
    // motion and whether the paw holds it.
    void applyOpenings();
    // After a hard knock, falls through the ledge unless it stays (stayChance).
    void maybeDropFromLedge();
    // Puts every body at one random point above the roof, falling.
    void dropIntoCab();
    bool owns(const b2Body* body) const;

    int kind = -1;  // 0 fish, 1 badger, 2 rock
    b2Body* bodies[CAB_OBJECT_MAX_BODIES] = {};
    float radii[CAB_OBJECT_MAX_BODIES] = {};
    int bodyCount = 0;
    bool usesOpenings = true;
    bool escapesWhenFast = true;
    bool struck = false;
    float stayChance = 0.7f;
    float nutrition = 0.0f;
    float chewDuration = 0.0f;
    bool dead = false;
};

// The loose object that owns a cab body; null for the cab's own bodies.
CabObject* cabObjectOf(b2Body* body);
