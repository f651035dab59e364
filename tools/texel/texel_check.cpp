#include "tools/texel/texel_check.h"

#include "engine/engine.h"
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/art_density.h"
#include "forest/forest.h"
#include "forest/projection.h"
#include "forest/scenery.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"
#include "physics/portable_math.h"
#include "tools/headless_game.h"
#include "vehicle/car.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

enum ArtKind { KIND_TREE, KIND_MOUNTAIN, KIND_BOULDER, KIND_BUSH, KIND_POND, KIND_CAVE, KIND_FISH, KIND_CAR, KINDS };
// The largest the cave grows while the bear falls asleep before it: 0.15 more for
// each of the 19 steps after the first.
constexpr float CAVE_ZOOM_MOST = 1.0f + 0.15f * 19.0f;

const char* const KIND_NAMES[KINDS] = {"tree", "mountain", "boulder", "bush", "pond", "cave", "jumping fish", "car"};

struct Largest {
    float span = 0.0f;  // target pixels per texel
    float distance = 0.0f;
    const char* what = "";
};

struct Tally {
    Largest kinds[KINDS];
    long drawn[KINDS] = {};
};

// Target pixels one texel covers, or 0 when the sprite drawn at (x, y) with these
// scales lies wholly outside the picture.
float visibleSpan(const Sprite* s, float x, float y, float hs, float vs) {
    if (!s) return 0.0f;
    float l = x - s->hotX * hs;
    float r = x + (s->width - s->hotX) * hs;
    if (l > r) std::swap(l, r);
    const float t = y - s->hotY * vs;
    const float b = y + (s->height - s->hotY) * vs;
    if (r <= 0.0f || l >= TARGET_WIDTH || b <= 0.0f || t >= TARGET_HEIGHT) return 0.0f;
    return std::max(std::fabs(hs), std::fabs(vs));
}

void note(Tally* tally, int kind, const Sprite* s, float x, float y, float hs, float vs, float d, const char* what) {
    const float span = visibleSpan(s, x, y, hs, vs);
    if (span <= 0.0f) return;
    ++tally->drawn[kind];
    Largest& l = tally->kinds[kind];
    if (span > l.span) l = Largest{span, d, what};
}

const char* spriteName(const Sprite* s) {
    const ScenerySprites& all = scenerySprites();
    static const char* const trees[7] = {"tree1", "tree2", "tree3", "tree4", "tree5", "tree6", "tree7"};
    for (int i = 0; i < 7; ++i) {
        if (s == all.tree[i]) return trees[i];
    }
    static const char* const mountains[4] = {"mountain1", "mountain2", "mountain3", "mountain4"};
    for (int i = 0; i < 4; ++i) {
        if (s == all.mountain[i]) return mountains[i];
    }
    if (s == all.boulder[0]) return "boulder1";
    if (s == all.boulder[1]) return "boulder2";
    if (s == all.bush1) return "bush1";
    if (s == all.bushHalf) return "bushhalf";
    if (s == all.bushEmpty) return "bushempty";
    if (s == all.pond1) return "pond1";
    return "?";
}

// What the windshield view would draw this frame, as its drawView places it.
void measure(Tally* tally) {
    const b2Vec2 eye = forest->playerCar->body->GetPosition();
    for (ForestObject* o : forest->objects) {
        if (o->localY < VIEW_NEAR) continue;
        const b2Vec2 d = o->position() - eye;
        const float distance = d.Length();
        const ViewPlacement at = viewPlacement(o->localX, o->localY, distance);
        if (o->isCar()) {
            const b2Vec2 u(d.x / distance, d.y / distance);
            bool mirrored;
            const int index = carView(carViewAngle(o->heading(), u), &mirrored);
            char name[16];
            std::snprintf(name, sizeof(name), "escort%d", index);
            const float t = carArtScale(at.scale);
            note(tally, KIND_CAR, resourceManager->SpriteByName(name), at.screenX, at.screenY + 6.0f * at.scale,
                 mirrored ? t : -t, t, distance, "escort");
            continue;
        }
        const Scenery* s = static_cast<const Scenery*>(o);
        if (!s->sprite) continue;
        const float t = s->artScale(at.scale);
        static const int kindOf[5] = {KIND_TREE, KIND_MOUNTAIN, KIND_BOULDER, KIND_BUSH, KIND_POND};
        note(tally, kindOf[s->sceneryType], s->sprite, at.screenX, at.screenY, t, t, distance, spriteName(s->sprite));
        if (s->hasCave) {
            // In reach, the cave grows while the bear falls asleep before it.
            const bool inReach = s->caveInReach(at.screenX, distance);
            const float zoom = inReach ? CAVE_ZOOM_MOST : 1.0f;
            const float c = s->overlayArtScale(at.scale) * zoom;
            note(tally, KIND_CAVE, s->overlay, at.screenX, at.screenY + (zoom - 1.0f) * 25.0f, c, c, distance,
                 inReach ? "cave, grown" : "cave");
        }
        if (s->sceneryType == SCENERY_POND) {
            // The fish jump in turn; each may show at any distance.
            for (Sprite* fish : scenerySprites().fishJump) {
                note(tally, KIND_FISH, fish, at.screenX, at.screenY, t, t, distance, "fishjump");
            }
        }
    }
}

struct Parked {
    Car* car;
    b2Vec2 at;
    float angle;
};

void stop(b2Body* b) {
    b->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
    b->SetAngularVelocity(0.0f);
}

// The player's car from start, facing along heading (radians from the forest's
// x axis), at full throttle with the wheel at steer for the given frames. The
// other cars go back to where they stood first, since a drive may shove them.
void drive(Tally* tally, const std::vector<Parked>& parked, b2Vec2 start, float heading, float steer, int frames) {
    for (const Parked& p : parked) {
        p.car->body->SetTransform(p.at, p.angle);
        stop(p.car->body);
    }
    Car* car = forest->playerCar;
    // Angle 0 faces +y; the car's forward axis is (-sin a, cos a).
    car->body->SetTransform(start, heading - 1.5707963f);
    stop(car->body);
    for (int f = 0; f < frames; ++f) {
        car->setControls(steer, 1.0f, 0.0f, false);
        forest->step();
        measure(tally);
    }
}

// The radius of its circle in the forest (mountains have none).
float radiusOf(const Scenery* s) { return s->shape ? s->shape->GetShape()->m_radius : 1.0f; }

// Up to `most` objects of each scenery type (each tree kind counts as a type of
// its own), the other cars all; mountains are reached through the fence.
std::vector<ForestObject*> targets(int most) {
    std::vector<ForestObject*> out;
    int count[5 + 7] = {};
    for (ForestObject* o : forest->objects) {
        if (o->isCar()) {
            out.push_back(o);
            continue;
        }
        const Scenery* s = static_cast<const Scenery*>(o);
        if (s->sceneryType == SCENERY_MOUNTAIN) continue;
        const int slot = s->sceneryType == SCENERY_TREE ? 5 + s->variety : s->sceneryType;
        if (count[slot]++ < most) out.push_back(o);
    }
    return out;
}

void runDrives(Tally* tally) {
    std::vector<Parked> parked;
    for (ForestObject* o : forest->objects) {
        if (!o->isCar()) continue;
        Car* c = static_cast<Car*>(o);
        parked.push_back({c, c->body->GetPosition(), c->body->GetAngle()});
    }
    // Straight at each object, and past it on either side: the lateral misses
    // run from head-on to brushing the car's flank along it.
    const float misses[] = {0.0f, 0.6f, 1.2f, 1.8f, 2.4f, 3.0f, 3.6f};
    const float away = 8.0f;
    for (ForestObject* o : targets(2)) {
        const b2Vec2 p = o->position();
        const float reach = o->isCar() ? 1.0f : radiusOf(static_cast<Scenery*>(o));
        for (int k = 0; k < 8; ++k) {
            const float a = k * 0.78539816f;
            const b2Vec2 start = p + away * b2Vec2(portable::cos(a), portable::sin(a));
            if (start.Length() > 66.0f) continue;  // outside the fence's reach
            for (float miss : misses) {
                if (miss > reach + 2.2f) continue;
                for (int side = -1; side <= 1; side += 2) {
                    if (miss == 0.0f && side > 0) continue;
                    const float heading = a + 3.1415927f + side * portable::asin(miss / away);
                    drive(tally, parked, start, heading, 0.0f, 150);
                }
            }
        }
    }
    // The fence before each mountain: straight out, at a slant, and scraping
    // along it with the wheel turned.
    for (ForestObject* o : forest->objects) {
        if (o->isCar() || static_cast<Scenery*>(o)->sceneryType != SCENERY_MOUNTAIN) continue;
        const b2Vec2 p = o->position();
        const float a = portable::atan2(p.y, p.x);
        for (float slant : {0.0f, 0.35f, -0.35f, 0.8f, -0.8f}) {
            for (float steer : {0.0f, 0.5f, -0.5f}) {
                drive(tally, parked, 58.0f * b2Vec2(portable::cos(a), portable::sin(a)), a + slant, steer, 360);
            }
        }
    }
}

}  // namespace

int runTexelCheck() {
    if (!startHeadlessEngine("texel check")) return 1;
    int result = 1;
    if (!loadResources() || !resourceManager->SpriteByName("tree1")) {
        std::fprintf(stderr, "texel check: the art of data\\bear.res did not load: %s\n", engine->System_LastError());
    } else {
        game = new Game();
        game->init();
        Tally tally;
        // Forests of a few years: each lays its objects out anew.
        for (uint32_t seed : {1u, 2u, 3u}) {
            seedRandom(seed);
            game->year = 1;
            world = new World();
            world->setup(static_cast<float>(game->winterMinutes));
            game->state = Playing;
            runDrives(&tally);
            delete world;
            world = nullptr;
        }
        int worst = 0;
        for (int k = 0; k < KINDS; ++k) {
            const Largest& l = tally.kinds[k];
            std::printf("%-13s %6.2f target pixels per texel (%s at %.2f units; %ld drawings seen)\n", KIND_NAMES[k],
                        l.span, l.what, l.distance, tally.drawn[k]);
            if (l.span > tally.kinds[worst].span) worst = k;
        }
        std::printf("largest texel: %.2f target pixels (%s)\n", tally.kinds[worst].span, KIND_NAMES[worst]);
        result = tally.kinds[worst].span <= TEXEL_LIMIT ? 0 : 1;
    }
    stopHeadlessGame();
    return result;
}
