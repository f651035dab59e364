// The round loose things of the cab: leaves and pinecones from trees, berries from
// bushes, rocks from boulders and the snowballs of winter. Each is one circle with
// one sprite; a make function decides which thing it is.
#pragma once

#include "engine/engine.h"
#include "forest/cab_object.h"

class Sprite;

constexpr int CAB_KIND_ROCK = 2;

class RoundItem : public CabObject {
public:
    // Draws the angle its sprite is turned by; has no body until made.
    RoundItem();

    void makeLeaf(int n);  // n 0..3: "leaf1".."leaf4"
    void makePinecone();
    void makeBerry();
    void makeRock();
    void makeSnowball();

    void update() override;
    void render() override;
    void onEaten(b2Body* body) override;
    // Hard knocks are heard (rocks) and may shake it off the ledge.
    void onContact() override;

    Sprite* sprite = nullptr;
    float scale = 1.0f;
    int soundCount = 0;
    EffectHandle sounds[2] = {0, 0};
    float lastSoundTime = 0.0f;  // the round's elapsed time of the last knock heard
    bool active = true;          // false: update does nothing
    float angleOffset = 0.0f;
    float pitchScale = 1.0f;

private:
    // One circle of the loose-object category; mass from the shape.
    void makeBody(float radius, float density, float friction, float restitution);
};

// What a round thing meets when it is made: walls, windows, the wheel's rim, other
// loose things, the ledge, the pedals and the lever.
constexpr uint16_t ROUND_ITEM_MASK = 0x01CD;
