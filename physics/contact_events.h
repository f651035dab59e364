// What a world tells its listeners: contact points as they appear, stay and go, and
// bodies that leave the world's bounds.
#pragma once

#include "physics/shape.h"

struct ContactPoint {
    Shape* shapeA;
    Shape* shapeB;
    b2Vec2 position;  // world coordinates
    b2Vec2 normal;    // from A towards B; zero for a sensor pair
    b2Vec2 velocity;  // velocity of B relative to A at the point
    float separation; // negative when the shapes overlap; 0 for a sensor pair
};

// Called during the world's step, in the order the points occur, and when a
// touching shape or body is destroyed or disabled. A listener records or
// dispatches; it must not change the world it listens to.
class ContactListener {
public:
    virtual ~ContactListener() = default;
    virtual void add(const ContactPoint& point) { (void)point; }
    virtual void persist(const ContactPoint& point) { (void)point; }
    virtual void remove(const ContactPoint& point) { (void)point; }
    // Every touching point persists at every step, so working its place out is most
    // of a step's contact work. A listener that only counts persists, or ignores
    // them, says false: its persist then gets the two shapes and zero for the rest.
    virtual bool persistPointsWanted() const { return true; }
};

// Called after a step for a moving body that has left the world's bounds; the body
// is disabled right after, so each body is reported once.
class BoundaryListener {
public:
    virtual ~BoundaryListener() = default;
    virtual void violation(b2Body* body) = 0;
};
