#include "forest/cab_categories.h"
#include "forest/pickups_art.h"
#include "forest/pickups_round_item.h"
#include "main/random.h"

namespace {
// Body radius of each rock at scale 1.
constexpr float ROCK_RADII[3] = {0.4f, 0.6f, 0.95f};
}  // namespace

void RoundItem::makeRock() {
    scale = 2.0f;
    kind = CAB_KIND_ROCK;
    // One rock in nine is a big one.
    const int k = randomInt(9) != 0 ? static_cast<int>(randomInt(2)) : 2;
    const PickupArt& art = pickupArt();
    sprite = art.rocks[k];
    makeBody(scale * ROCK_RADII[k], 3.0f, 0.5f, 0.2f);
    if (k == 0) {
        setMaskBits(CAB_WHEEL_SPOKES);
        clearMaskBits(CAB_WHEEL_RIM);
    }
    soundCount = 2;
    sounds[0] = art.rockKnocks[0];
    sounds[1] = art.rockKnocks[1];
}
