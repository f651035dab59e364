// The forest plane of one year: a fenced clearing with its scenery, the player's
// car and three other cars, in a physics world without gravity.
#pragma once

#include "forest/forest_object.h"
#include "physics/physics_world.h"

#include <vector>

class Car;
class Scenery;
class Sprite;

constexpr float FENCE_RADIUS = 70.0f;
// Scenery centres stay within 0.96 of the fence radius, squared.
constexpr float FREE_SPOT_LIMIT_SQ = 4704.0f;

class Forest : public ContactListener {
public:
    // Empty; becomes the program's forest.
    Forest();
    ~Forest() override;
    Forest(const Forest&) = delete;
    Forest& operator=(const Forest&) = delete;

    // Builds the whole forest, drawing from the game's generator in a fixed order.
    void generate();
    // The physics world and its fence: the first part of generate.
    void createWorld();
    // A random point inside the fence, clear of the scenery made so far (and, in
    // the first year, of the lane ahead of the start).
    b2Vec2 randomFreeSpot();
    // One step: physics, the cars and scenery, their places seen from the
    // player's car, the depth order, the ground stripes.
    void step();
    // The windshield view of the forest (drawn by the scene rendering).
    void drawView();

    // Contacts of the plane: objects learn what they touched.
    void add(const ContactPoint& point) override;
    bool persistPointsWanted() const override { return false; }

    PhysicsWorld* world = nullptr;
    b2Body* ground = nullptr;
    Car* playerCar = nullptr;
    std::vector<ForestObject*> objects;
    Sprite* sky = nullptr;

private:
    void addPonds(int count);
    void addMountains();
};

extern Forest* forest;

// The forest object a shape stands for: a car's body, a scenery's circle; null for
// the fence.
ForestObject* forestObjectOf(Shape* shape);
