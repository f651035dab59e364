// The round's side of the year: chewing and the fat it brings, the crumbs, the
// bear going to sleep in the cave, and winter with its snow, which ends the year
// one way or the other.
#include "engine/engine.h"
#include "forest/cab_object.h"
#include "forest/pickups_round_item.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/physics_world.h"

namespace {
constexpr int CRUMB_COUNT = 5;
constexpr float CHOMP_INTERVAL = 0.5f;

// Winter: the grace before the snow, the snow pouring in one ball at a time, then
// the snow packing until the bear is snowed in.
constexpr int WINTER_SNOW = 2;
constexpr int WINTER_PACK = 60;
constexpr int WINTER_SNOWED_IN = 75;
constexpr int WINTER_LAST = 80;
constexpr float WINTER_GRACE = 10.0f;
constexpr float SNOWBALL_INTERVAL = 0.1f;
constexpr float PACK_INTERVAL = 0.25f;
constexpr float SNOWBALL_GROWTH = 0.05f;
constexpr size_t GROWL_SNOWBALLS = 6;

// Hibernation: the cave zooms in and the sound fades; the year is survived part way.
constexpr int SLEEP_LAST = 20;
constexpr int SLEEP_SURVIVED = 14;
constexpr float SLEEP_INTERVAL = 0.1f;

void fadeSound(int fall) {
    engine->System_SetState(STATE_FX_VOLUME, clampInt(fxVolume - fall, 0, 100));
    engine->System_SetState(STATE_MUSIC_VOLUME, clampInt(musicVolume - fall, 0, 100));
}
}  // namespace

void World::chew(float dt) {
    if (!biteBody) return;
    CabObject* obj = cabObjectOf(biteBody);
    if (!obj) return;  // the mouth senses only loose objects

    Crumb& crumb = crumbs[crumbNext];
    if (random01() < 4.0f * dt && crumb.life <= 0.0f) {
        crumb.life = 1.0f;
        crumb.x = 0.0f;
        crumb.y = 0.0f;
        crumb.vx = randomRange(-3.0f, 3.0f);
        crumb.vy = randomRange(-6.0f, -1.0f);
        crumbNext = (crumbNext + 1) % CRUMB_COUNT;
    }

    chompTimer -= dt;
    if (chompTimer < 0.0f) {
        chompTimer += CHOMP_INTERVAL;
        const float pitch = randomRange(0.8f, 1.2f);
        engine->Effect_PlayWith(roundEffects.chomp[randomInt(3)], 75, 0, pitch, false);
    }

    // chewTime is left as it is: the next bite's first contact starts it again.
    chewTime += dt;
    if (chewTime > obj->chewDuration) {
        const float before = fatness;
        fatness += obj->nutrition;
        if (fatEnough(fatness) && !fatEnough(before)) fatNotice = 0.01f;
        obj->onEaten(biteBody);
        biteBody = nullptr;
        if (obj->dead) releaseGrab();
    }
}

void World::updateCrumbs(float dt) {
    for (Crumb& c : crumbs) {
        if (c.life <= 0.0f) continue;
        c.x += c.vx * dt;
        c.y += c.vy * dt;
        c.vy += 10.0f * dt;
        c.life -= dt;
    }
}

// The check repeats on every update the cave is in reach; once the snow begins
// it is too late.
void World::startHibernation() {
    if (caveAhead && sleepPhase == 0 && winterPhase <= 1 && fatEnough(fatness)) {
        sleepPhase = 1;
        sleepClock = 0.0f;
        caveZoom = 1.0f;
    }
    caveAhead = false;
}

void World::updateWinter(float dt) {
    if (winterPhase == 0) {
        winterCountdown -= dt;
        if (winterCountdown <= 0.0f) winterPhase = 1;  // the clock keeps its small overshoot
        easyStart = game->year == 1 && winterCountdown > 180.0f;
        return;
    }

    winterCountdown += dt;
    if (winterPhase == 1 && winterCountdown > WINTER_GRACE) {
        // The grace is over: the floor opens and the snow pours in.
        winterCountdown = 0.0f;
        winterPhase = WINTER_SNOW;
        if (winterBlock) destroyShape(winterBlock);
        winterBlock = nullptr;
        snowballs.reserve(WINTER_PACK - WINTER_SNOW);  // room for all the snow at once
    }
    while (winterPhase >= WINTER_SNOW && winterPhase < WINTER_PACK && winterCountdown > SNOWBALL_INTERVAL) {
        RoundItem* snowball = new RoundItem();
        snowball->makeSnowball();
        snowball->dropIntoCab();
        snowballs.push_back(snowball);
        if (snowballs.size() == GROWL_SNOWBALLS) {
            // The bear growls at the snow.
            engine->Effect_Play(roundEffects.growl1);
            growlTimer = 1.0f;
        }
        winterPhase += 1;
        winterCountdown -= SNOWBALL_INTERVAL;
        fadeSound(2 * winterPhase);
    }
    while (winterPhase >= WINTER_PACK && winterPhase < WINTER_LAST && winterCountdown > PACK_INTERVAL) {
        // Only RoundItems are ever poured in as snow.
        for (CabObject* o : snowballs) static_cast<RoundItem*>(o)->scale += SNOWBALL_GROWTH;
        winterPhase += 1;
        winterCountdown -= PACK_INTERVAL;
        if (winterPhase == WINTER_SNOWED_IN) game->endYear(false);
    }

    snowScrollX += dt * 20.0f;
    if (snowScrollX > 320.0f) snowScrollX -= 320.0f;
    snowScrollY += dt * 120.0f;
    if (snowScrollY > 200.0f) snowScrollY -= 200.0f;
}

void World::updateHibernation(float dt) {
    if (sleepPhase <= 0) return;
    sleepClock += dt;
    while (sleepPhase < SLEEP_LAST && sleepClock > SLEEP_INTERVAL) {
        // The fade uses the step before this one's increase.
        fadeSound(10 * sleepPhase);
        caveZoom += 0.15f;
        sleepPhase += 1;
        sleepClock -= SLEEP_INTERVAL;
        // The year is survived here; the steps go on through the fade-out.
        if (sleepPhase == SLEEP_SURVIVED) game->endYear(true);
    }
}

void World::updateFatNotice(float dt) {
    if (fatNotice > 0.0f) {
        fatNotice += dt;
        if (fatNotice >= 3.0f) fatNotice = 0.0f;
    }
}
