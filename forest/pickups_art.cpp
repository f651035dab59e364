#include "forest/pickups_art.h"

#include "engine/resources/resource_manager.h"
#include "main/art_stamp.h"
#include "main/game.h"

namespace {
PickupArt art = {};
ArtStamp stamp;

Sprite* spriteNamed(const char* name) { return resourceManager->SpriteByName(name); }
EffectHandle effectNamed(const char* name) { return resourceManager->EffectByName(name, 0); }
}  // namespace

const PickupArt& pickupArt() {
    if (!stamp.stale()) return art;
    stamp.fill();
    art = PickupArt{};
    if (!resourceManager) return art;
    art.fishHead[0] = spriteNamed("fishhead");
    art.fishHead[1] = spriteNamed("fishhead_half");
    art.fishHead[2] = spriteNamed("bonehead");
    art.fishTail[0] = spriteNamed("fishtail");
    art.fishTail[1] = spriteNamed("fishtail_half");
    art.fishTail[2] = spriteNamed("bonetail");
    art.leaves[0] = spriteNamed("leaf1");
    art.leaves[1] = spriteNamed("leaf2");
    art.leaves[2] = spriteNamed("leaf3");
    art.leaves[3] = spriteNamed("leaf4");
    art.pinecone = spriteNamed("pinecone");
    art.berry = spriteNamed("berry");
    art.rocks[0] = spriteNamed("rock1");
    art.rocks[1] = spriteNamed("rock2");
    art.rocks[2] = spriteNamed("rock3");
    art.snowballs[0] = spriteNamed("snowball1");
    art.snowballs[1] = spriteNamed("snowball2");
    art.snowballs[2] = spriteNamed("snowball3");
    art.clock = spriteNamed("clock");
    art.clockMinute = spriteNamed("clock_minute");
    art.fishFlop = effectNamed("fishflop2");
    art.rockKnocks[0] = effectNamed("inrock1");
    art.rockKnocks[1] = effectNamed("inrock2");
    return art;
}
