#include "forest/cab_categories.h"
#include "forest/pickups_art.h"
#include "forest/pickups_round_item.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/physics_world.h"

namespace {
// Snowballs meet only the floor and walls, the windows and each other.
constexpr uint16_t SNOWBALL_MASK = CAB_SNOWBALL | CAB_WINDOWS | CAB_FLOOR;
}  // namespace

void RoundItem::makeSnowball() {
    scale = 1.0f;
    bodyCount = 1;
    const int k = static_cast<int>(randomInt(3));
    const float radius = (0.5f * static_cast<float>(k) + 1.0f) * scale * 0.8f;
    sprite = pickupArt().snowballs[k];
    radii[0] = radius;

    BodyDef def;
    def.allowSleep = true;
    def.userData = reinterpret_cast<uintptr_t>(static_cast<CabObject*>(this));
    bodies[0] = world->cabWorld->createBody(def);
    ShapeDef circle = circleShape(radius);
    circle.friction = 0.9f;
    circle.restitution = 0.0f;
    circle.density = 1.0f;
    circle.filter = makeFilter(CAB_SNOWBALL, SNOWBALL_MASK);
    addShape(bodies[0], circle);
    setMassFromShapes(bodies[0]);

    // Falls in through the roof and never rests on the ledge or leaves.
    stayChance = 0.0f;
    active = false;
}
