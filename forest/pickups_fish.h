// A fish from a pond: head and tail hinged together. It flops for a while after it
// lands; the bear (or a badger) eats it half by half, and the bones stay.
#pragma once

#include "forest/cab_object.h"

constexpr int CAB_KIND_FISH = 0;

// How a half of the fish looks: whole, what is left once the other half was eaten,
// or its own bones.
enum class FishLook { Whole, Half, Bones };

class Fish : public CabObject {
public:
    // Draws its life, its side and its size from the game's generator, in that
    // order; the bodies start at the cab's origin until dropIntoCab.
    Fish();
    ~Fish() override;

    void update() override;
    void render() override;
    // The eaten half turns to bones: neither the mouth nor a badger takes it again.
    void onEaten(b2Body* body) override;
    void onContact() override;

    b2Body* head() const { return bodies[0]; }
    b2Body* tail() const { return bodies[1]; }
    FishLook headLook() const;
    FishLook tailLook() const;

    b2RevoluteJoint* joint = nullptr;
    bool headEaten = false;
    bool tailEaten = false;
    float size = 1.0f;  // 0.5, 1.0, 1.75 or 4.0
    float life = 0.0f;  // seconds it still flops
    bool mirrored = false;
};
