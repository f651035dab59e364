// The car's knocks in the forest and what they throw into the cab; the cab world's
// contacts and the things that fly out of it.
#include "engine/resources/resource_manager.h"
#include "main/year.h"
#include "forest/animals.h"
#include "forest/cab_categories.h"
#include "forest/cab_object.h"
#include "forest/forest.h"
#include "forest/pickups_fish.h"
#include "forest/pickups_round_item.h"
#include "forest/scenery.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "vehicle/car.h"

namespace {
constexpr int MAX_BADGERS = 3;
// Contact speed from which a knock shakes things loose.
constexpr float HARD_IMPACT = 4.5f;

struct ImpactEffects {
    EffectHandle carhit1, hitwood1, hitwood2, hitmetal1, rustle1, splash1;
};

const ImpactEffects& impactEffects() {
    static const ImpactEffects effects = [] {
        ImpactEffects e{};
        if (!resourceManager) return e;
        e.carhit1 = resourceManager->EffectByName("carhit1", 0);
        e.hitwood1 = resourceManager->EffectByName("hitwood1", 0);
        e.hitwood2 = resourceManager->EffectByName("hitwood2", 0);
        e.hitmetal1 = resourceManager->EffectByName("hitmetal1", 0);
        e.rustle1 = resourceManager->EffectByName("rustle1", 0);
        e.splash1 = resourceManager->EffectByName("splash1", 0);
        return e;
    }();
    return effects;
}

float impactPitch() { return randomRange(0.75f, 1.25f); }

// What a tree of each variety drops: a leaf of its own, or a pinecone.
void makeTreeItem(RoundItem* item, int variety) {
    switch (variety) {
        case 0: item->makeLeaf(2); break;
        case 1: item->makeLeaf(0); break;
        case 3: item->makeLeaf(1); break;
        case 6: item->makeLeaf(3); break;
        default: item->makePinecone(); break;
    }
}

// Everything an impact spawns goes in one after another: made, dropped, listed.
void throwIn(World* w, CabObject* object) {
    object->dropIntoCab();
    w->cabObjects.push_back(object);
}
}  // namespace

void World::carImpact(Scenery* other, float speed) {
    if (sleepPhase > 0 || winterPhase > 0) return;
    const ImpactEffects& fx = impactEffects();

    const b2Body* car = forest->playerCar->body;
    const float fwd = b2Dot(car->GetLinearVelocity(), car->GetWorldVector(b2Vec2(0.0f, 1.0f)));
    bumpAmp = remapClamped(fwd, 0.0f, 10.0f, 0.2f, 2.0f);
    bumpNow = true;
    const bool hard = speed >= HARD_IMPACT;
    const bool ahead = fwd > 0.0f;

    // The jolt may shake things off the ledge.
    for (CabObject* o : cabObjects) o->maybeDropFromLedge();

    if (!hard) engine->Effect_PlayWith(fx.carhit1, 50, 0, impactPitch(), false);

    const float sinceHit = elapsed - other->lastHitTime;
    switch (other->sceneryType) {
        case SCENERY_TREE: {
            if (!hard) break;
            const int items = static_cast<int>(randomInt(4)) + 1;
            for (int i = 0; i < items; ++i) {
                RoundItem* item = new RoundItem();
                makeTreeItem(item, other->variety);
                throwIn(this, item);
            }
            if (ahead) {
                const float badgerChance = modifierActive(MODIFIER_FULL_MOON) ? 0.6f : 0.25f;
                if (random01() < badgerChance && !easyStart && livingBadgers() < MAX_BADGERS) {
                    if (CabObject* badger = newBadger()) throwIn(this, badger);
                } else if (random01() < 0.25f) {
                    const int bees = easyStart ? 1 : static_cast<int>(randomInt(3)) + 1;
                    for (int i = 0; i < bees; ++i) {
                        if (CabObject* bee = newBee()) throwIn(this, bee);
                    }
                }
            }
            const EffectHandle wood = randomInt(2) != 0 ? fx.hitwood2 : fx.hitwood1;
            const int volume = static_cast<int>(remapClamped(speed, 2.0f, 10.0f, 25.0f, 100.0f));
            engine->Effect_PlayWith(wood, volume, 0, 1.0f, false);
            break;
        }
        case SCENERY_BOULDER: {
            if (!hard) break;
            engine->Effect_Play(fx.hitmetal1);
            if (!ahead) break;
            int rocks = static_cast<int>(randomInt(3)) + 1;
            // A rockslide, likelier the harder the knock.
            if (!easyStart && random01() < 0.025f * speed) rocks += 8;
            for (int i = 0; i < rocks; ++i) {
                RoundItem* rock = new RoundItem();
                rock->makeRock();
                throwIn(this, rock);
            }
            break;
        }
        case SCENERY_POND: {
            if (!ahead) break;
            engine->Effect_PlayWith(fx.splash1, 100, 0, impactPitch(), false);
            // One fish comes back every 30 s, up to three; now and then a shoal.
            int fish = clampInt(static_cast<int>(sinceHit) / 30, 0, 3);
            if (fish >= 1 && random01() < 0.1f) fish += static_cast<int>(randomInt(6));
            for (int i = 0; i < fish; ++i) throwIn(this, new Fish());
            break;
        }
        case SCENERY_BUSH: {
            if (!ahead) break;
            engine->Effect_PlayWith(fx.rustle1, 100, 0, impactPitch(), false);
            // The berries grow back over half a minute.
            int berries = 0;
            if (sinceHit > 30.0f) {
                berries = 3 + static_cast<int>(randomInt(7));
            } else if (sinceHit > 15.0f) {
                berries = 1 + static_cast<int>(randomInt(4));
            }
            for (int i = 0; i < berries; ++i) {
                RoundItem* berry = new RoundItem();
                berry->makeBerry();
                throwIn(this, berry);
            }
            break;
        }
        default:
            break;  // mountains have no shape to touch
    }
    other->lastHitTime = elapsed;
}

void World::add(const ContactPoint& p) {
    if (contactCount >= MAX_CAB_CONTACT_EVENTS) return;
    contactCount += 1;
    const uint16_t a = p.shapeA->GetFilterData().categoryBits;
    const uint16_t b = p.shapeB->GetFilterData().categoryBits;
    b2Body* bodyA = p.shapeA->GetBody();
    b2Body* bodyB = p.shapeB->GetBody();
    if (a == CAB_MOUTH) {
        mouthBegin(bodyB);
    } else if (b == CAB_MOUTH) {
        mouthBegin(bodyA);
    }
    if (a == CAB_BADGER_HEAD && b == CAB_LOOSE) {
        if (CabObject* badger = cabObjectOf(bodyA)) badgerCatches(badger, bodyB);
    } else if (b == CAB_BADGER_HEAD && a == CAB_LOOSE) {
        if (CabObject* badger = cabObjectOf(bodyB)) badgerCatches(badger, bodyA);
    }
    // Only one of the two hears of it, A first.
    if (a == CAB_LOOSE) {
        if (CabObject* o = cabObjectOf(bodyA)) o->onContact();
    } else if (b == CAB_LOOSE) {
        if (CabObject* o = cabObjectOf(bodyB)) o->onContact();
    }
}

void World::persist(const ContactPoint&) {
    if (contactCount < MAX_CAB_CONTACT_EVENTS) contactCount += 1;
}

void World::remove(const ContactPoint& p) {
    if (contactCount >= MAX_CAB_CONTACT_EVENTS) return;
    contactCount += 1;
    if (p.shapeA->GetFilterData().categoryBits == CAB_MOUTH) {
        mouthEnd(p.shapeB->GetBody());
    } else if (p.shapeB->GetFilterData().categoryBits == CAB_MOUTH) {
        mouthEnd(p.shapeA->GetBody());
    }
}

void World::violation(b2Body* body) {
    // The cab's own bodies never leave; a loose object that does goes at the
    // next pruning of the list.
    if (CabObject* o = cabObjectOf(body)) o->dead = true;
}
