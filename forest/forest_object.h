// Things of the forest plane: the cars and the scenery. The Forest owns them.
#pragma once

#include <box2d/box2d.h>

class ForestObject {
public:
    virtual ~ForestObject() = default;
    virtual void update() = 0;
    virtual void render(float screenX, float screenY, float viewAngle, float scale, float distance) = 0;
    virtual b2Vec2 position() const = 0;
    // The unit vector of the object's forward axis; only cars have one.
    virtual b2Vec2 heading() const { return b2Vec2(0.0f, 0.0f); }
    virtual bool isCar() { return false; }
    // other was touched at speed; (contactX, contactY) is the point in this
    // object's body frame.
    virtual void onTouch(ForestObject* other, float speed, float contactX, float contactY) {
        (void)other;
        (void)speed;
        (void)contactX;
        (void)contactY;
    }
    // Touched the fence, which belongs to no object.
    virtual void onTouchBoundary() {}

    int kind = 0;  // 0 scenery, 1 car
    // Position in the player's car frame: to the side, and ahead.
    float localX = 0.0f;
    float localY = 0.0f;
    // Place in the order the forest made its objects: equally far objects are
    // drawn and updated in this order.
    int creationIndex = 0;
};

constexpr int FOREST_SCENERY = 0;
constexpr int FOREST_CAR = 1;
