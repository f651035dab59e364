// Trees, mountains, boulders, bushes and ponds: everything of the forest plane that
// stands still. Each but the mountains is a circle on the forest's ground body.
#pragma once

#include "forest/forest_object.h"
#include "physics/shape.h"

class Sprite;

enum SceneryType {
    SCENERY_TREE = 0,
    SCENERY_MOUNTAIN = 1,
    SCENERY_BOULDER = 2,
    SCENERY_BUSH = 3,
    SCENERY_POND = 4,
};

class Scenery : public ForestObject {
public:
    // Draws the time of its last hit: up to a minute ago.
    Scenery();

    void update() override;
    void render(float screenX, float screenY, float viewAngle, float scale, float distance) override;
    b2Vec2 position() const override { return b2Vec2(x, y); }
    // Texels of its sprite per pixel of the view's projection (the jumping fish's too).
    float artDensity() const;
    // Its sprite's scale per texel for the projection's scale.
    float artScale(float viewScale) const { return scale * viewScale / artDensity(); }
    // The same for its overlay: the jumping fish share the pond's density, the cave has its own.
    float overlayArtScale(float viewScale) const;
    // Its cave lies ahead, within the bear's reach, when drawn there at that distance.
    bool caveInReach(float screenX, float distance) const {
        return hasCave && screenX > 80.0f && screenX < 240.0f && distance < 12.0f;
    }

    // Each sets the type, look and (but a mountain) the shape on ground at (x, y).
    void makeTree(b2Body* ground, float x, float y);
    void makeMountain(float x, float y, bool cave);
    void makeBoulder(b2Body* ground, float x, float y);
    void makeBush(b2Body* ground, float x, float y);
    void makePond(b2Body* ground, float x, float y);

    Shape* shape = nullptr;
    float x = 0.0f;
    float y = 0.0f;
    Sprite* sprite = nullptr;
    Sprite* overlay = nullptr;
    bool hasCave = false;
    int sceneryType = SCENERY_TREE;
    float scale = 1.0f;
    float lastHitTime = 0.0f;
    int variety = 0;  // a tree's kind, 0..6

private:
    void addCircle(b2Body* ground, float radius, bool sensor);
};

// Radius of the circle that stands for each kind of tree.
extern const float TREE_RADII[7];

// The scenery's sprites, fetched once for the run (null without resources).
struct ScenerySprites {
    Sprite* tree[7];
    Sprite* mountain[4];
    Sprite* boulder[2];
    Sprite* bush1;
    Sprite* bushHalf;
    Sprite* bushEmpty;
    Sprite* pond1;
    Sprite* fishJump[3];
    Sprite* cave;
};
const ScenerySprites& scenerySprites();
