#include "engine/resources/resource_manager.h"
#include "forest/cab_categories.h"
#include "forest/pickups_round_item.h"
#include "main/game.h"
#include "main/random.h"

namespace {
struct RockLooks {
    Sprite* sprites[3];
    EffectHandle knocks[2];
};

const RockLooks& rockLooks() {
    static const RockLooks looks = [] {
        RockLooks l{};
        if (!resourceManager) return l;
        l.sprites[0] = resourceManager->SpriteByName("rock1");
        l.sprites[1] = resourceManager->SpriteByName("rock2");
        l.sprites[2] = resourceManager->SpriteByName("rock3");
        l.knocks[0] = resourceManager->EffectByName("inrock1", 0);
        l.knocks[1] = resourceManager->EffectByName("inrock2", 0);
        return l;
    }();
    return looks;
}

// Body radius of each rock at scale 1.
constexpr float ROCK_RADII[3] = {0.4f, 0.6f, 0.95f};
}  // namespace

void RoundItem::makeRock() {
    scale = 2.0f;
    kind = CAB_KIND_ROCK;
    // One rock in nine is a big one.
    const int k = randomInt(9) != 0 ? static_cast<int>(randomInt(2)) : 2;
    const RockLooks& looks = rockLooks();
    sprite = looks.sprites[k];
    makeBody(scale * ROCK_RADII[k], 3.0f, 0.5f, 0.2f);
    if (k == 0) {
        setMaskBits(CAB_WHEEL_SPOKES);
        clearMaskBits(CAB_WHEEL_RIM);
    }
    soundCount = 2;
    sounds[0] = looks.knocks[0];
    sounds[1] = looks.knocks[1];
}
