#include "forest/scenery.h"

#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/art_density.h"
#include "main/art_stamp.h"
#include "main/game.h"
#include "main/random.h"
#include "main/world.h"

#include <cmath>
#include <cstdio>

const float TREE_RADII[7] = {0.5f, 0.7f, 0.5f, 0.7f, 0.7f, 1.0f, 0.7f};

namespace {
Sprite* spriteNamed(const char* name) { return resourceManager ? resourceManager->SpriteByName(name) : nullptr; }

ScenerySprites loadScenerySprites() {
    ScenerySprites s{};
    char name[32];
    for (int i = 0; i < 7; ++i) {
        std::snprintf(name, sizeof(name), "tree%d", i + 1);
        s.tree[i] = spriteNamed(name);
    }
    for (int i = 0; i < 4; ++i) {
        std::snprintf(name, sizeof(name), "mountain%d", i + 1);
        s.mountain[i] = spriteNamed(name);
    }
    s.boulder[0] = spriteNamed("boulder1");
    s.boulder[1] = spriteNamed("boulder2");
    s.bush1 = spriteNamed("bush1");
    s.bushHalf = spriteNamed("bushhalf");
    s.bushEmpty = spriteNamed("bushempty");
    s.pond1 = spriteNamed("pond1");
    for (int i = 0; i < 3; ++i) {
        std::snprintf(name, sizeof(name), "fishjump%d", i + 1);
        s.fishJump[i] = spriteNamed(name);
    }
    s.cave = spriteNamed("cave");
    return s;
}
}  // namespace

const ScenerySprites& scenerySprites() {
    static ScenerySprites sprites{};
    static ArtStamp stamp;
    if (stamp.stale()) {
        stamp.fill();
        sprites = loadScenerySprites();
    }
    return sprites;
}

Scenery::Scenery() {
    kind = FOREST_SCENERY;
    lastHitTime = world->elapsed - 60.0f * random01();
}

void Scenery::addCircle(b2Body* ground, float radius, bool sensor) {
    ShapeDef def = circleShape(radius, b2Vec2(x, y));
    def.friction = 0.2f;
    def.restitution = 0.0f;
    def.density = 0.0f;
    def.isSensor = sensor;
    def.filter = makeFilter(1, 0xFFFF, 0);
    def.userData = reinterpret_cast<uintptr_t>(static_cast<ForestObject*>(this));
    shape = addShape(ground, def);
}

void Scenery::makeTree(b2Body* ground, float px, float py) {
    x = px;
    y = py;
    sceneryType = SCENERY_TREE;
    variety = static_cast<int>(randomInt(7));
    sprite = scenerySprites().tree[variety];
    scale = variety == 5 ? 1.0f : 2.0f;
    addCircle(ground, TREE_RADII[variety], false);
}

void Scenery::makeMountain(float px, float py, bool cave) {
    x = px;
    y = py;
    sceneryType = SCENERY_MOUNTAIN;
    sprite = scenerySprites().mountain[randomInt(4)];
    scale = 4.0f;
    if (cave) {
        overlay = scenerySprites().cave;
        hasCave = true;
    }
}

void Scenery::makeBoulder(b2Body* ground, float px, float py) {
    x = px;
    y = py;
    sceneryType = SCENERY_BOULDER;
    const uint32_t k = randomInt(2);
    sprite = scenerySprites().boulder[k];
    scale = 2.0f;
    addCircle(ground, k == 0 ? 2.4f : 2.0f, false);
}

void Scenery::makeBush(b2Body* ground, float px, float py) {
    x = px;
    y = py;
    sceneryType = SCENERY_BUSH;
    sprite = scenerySprites().bush1;
    scale = 2.1f;
    addCircle(ground, 2.0f, true);
}

void Scenery::makePond(b2Body* ground, float px, float py) {
    x = px;
    y = py;
    sceneryType = SCENERY_POND;
    sprite = scenerySprites().pond1;
    scale = 2.0f;
    addCircle(ground, 2.7f, true);
}

float Scenery::artDensity() const {
    switch (sceneryType) {
        case SCENERY_TREE:
            return variety == 5 ? ART_DENSITY_BIG_FIR : ART_DENSITY_TREE;
        case SCENERY_MOUNTAIN:
            return ART_DENSITY_MOUNTAIN;
        case SCENERY_BOULDER:
            return ART_DENSITY_BOULDER;
        case SCENERY_BUSH:
            return ART_DENSITY_BUSH;
        case SCENERY_POND:
            return ART_DENSITY_POND;
        default:
            return 1.0f;
    }
}

float Scenery::overlayArtScale(float viewScale) const {
    return hasCave ? scale * viewScale / ART_DENSITY_CAVE : artScale(viewScale);
}

void Scenery::update() {
    const float t = world->elapsed - lastHitTime;
    if (sceneryType == SCENERY_POND) {
        overlay = nullptr;
        if (t < 30.0f) return;
        // Left alone longer, the fish jump more often.
        const int level = clampInt(static_cast<int>(std::floor(t)) / 30, 0, 3);
        const int period = 26 - 7 * level;
        const int f = static_cast<int>(std::floor(world->elapsed * 5.0f)) % period;
        if (f < 3) overlay = scenerySprites().fishJump[f];
    } else if (sceneryType == SCENERY_BUSH) {
        if (t >= 30.0f) {
            sprite = scenerySprites().bush1;
        } else if (t > 15.0f) {
            sprite = scenerySprites().bushHalf;
        } else {
            sprite = scenerySprites().bushEmpty;
        }
    }
}

void Scenery::render(float screenX, float screenY, float viewAngle, float viewScale, float distance) {
    (void)viewAngle;
    if (!sprite) return;
    const uint32_t g = static_cast<uint32_t>(static_cast<int>(remapClamped(distance, 0.0f, 100.0f, 255.0f, 150.0f)));
    sprite->SetColor(0xFF000000u + g * 0x010101u);
    // Going to sleep, the bear sees only the mountains and the cave.
    if (world->sleepPhase > 0 && sceneryType != SCENERY_MOUNTAIN) return;

    const float s = artScale(viewScale);
    sprite->DrawTransformed(screenX, screenY, 0.0f, s, s);
    float y2 = screenY;
    float o = overlayArtScale(viewScale);
    if (caveInReach(screenX, distance)) {
        if (world->sleepPhase > 0) {
            const float z = world->caveZoom;
            o *= z;
            y2 += (z - 1.0f) * 25.0f;
        }
        world->caveAhead = true;
    }
    if (overlay) overlay->DrawTransformed(screenX, y2, 0.0f, o, o);
}
