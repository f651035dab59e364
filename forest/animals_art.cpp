#include "forest/animals_art.h"

#include "engine/resources/resource_manager.h"
#include "main/art_stamp.h"
#include "main/game.h"

namespace {
AnimalArt art = {};
ArtStamp stamp;

Sprite* spriteNamed(const char* name) { return resourceManager->SpriteByName(name); }
EffectHandle effectNamed(const char* name) { return resourceManager->EffectByName(name, 0); }
}  // namespace

const AnimalArt& animalArt() {
    if (!stamp.stale()) return art;
    stamp.fill();
    art = AnimalArt{};
    if (!resourceManager) return art;
    art.badgerPaw = spriteNamed("badger_paw");
    art.badgerBody = spriteNamed("badger_body");
    art.badgerHead[0] = spriteNamed("badger_head1");
    art.badgerHead[1] = spriteNamed("badger_head2");
    art.bee[0] = spriteNamed("bee1");
    art.bee[1] = spriteNamed("bee2");
    art.ouch = spriteNamed("ouch");
    art.badger = effectNamed("badger");
    art.scratch = effectNamed("scratch");
    art.buzz[0] = effectNamed("buzz1");
    art.buzz[1] = effectNamed("buzz2");
    art.sting = effectNamed("sting");
    return art;
}
