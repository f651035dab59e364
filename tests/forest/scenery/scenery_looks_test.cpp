// The scenery's looks over time and in the view. The sprites come from a resource
// script of names only, installed before anything fetches them.
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/art_density.h"
#include "forest/forest.h"
#include "forest/scenery.h"
#include "tests/forest/round_globals.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

class NamedSprites : public ::testing::Environment {
public:
    void SetUp() override {
        keep = engineCreateHeadless(ENGINE_VERSION);
        ASSERT_TRUE(keep->System_Initiate());
        std::string script;
        const char* names[] = {"tree1", "tree2", "tree3", "tree4", "tree5", "tree6", "tree7", "mountain1",
                               "mountain2", "mountain3", "mountain4", "boulder1", "boulder2", "bush1", "bushhalf",
                               "bushempty", "pond1", "fishjump1", "fishjump2", "fishjump3", "cave", "sky1", "sky2",
                               "sky3"};
        for (const char* n : names) script += std::string("Sprite ") + n + " { }\n";
        engine = keep;
        resourceManager = new ResourceManager("looks.res");
        resourceManager->ParseScriptText("looks.res", script.data(), script.size());
    }
    void TearDown() override {
        delete resourceManager;
        resourceManager = nullptr;
        keep->System_Finish();
        keep->Release();
    }
    Engine* keep = nullptr;
};

const ::testing::Environment* const env = ::testing::AddGlobalTestEnvironment(new NamedSprites);

Sprite* named(const char* name) { return resourceManager->SpriteByName(name); }

struct Plane {
    RoundGlobals globals;
    Forest forest;
    explicit Plane(int year = 2) : globals(year) {
        forest.createWorld();
        world->elapsed = 200.0f;
    }
};

TEST(SceneryLooks, ABushRegrowsItsBerries) {
    Plane p;
    Scenery bush;
    bush.makeBush(p.forest.ground, 10.0f, 10.0f);
    const struct {
        float ago;
        const char* look;
    } cases[] = {{10.0f, "bushempty"}, {15.0f, "bushempty"}, {20.0f, "bushhalf"}, {29.9f, "bushhalf"},
                 {30.0f, "bush1"}, {100.0f, "bush1"}};
    for (const auto& c : cases) {
        bush.lastHitTime = world->elapsed - c.ago;
        bush.update();
        EXPECT_EQ(bush.sprite, named(c.look)) << c.ago;
    }
}

TEST(SceneryLooks, FishJumpMoreOftenInAPondLeftAlone) {
    Plane p;
    Scenery pond;
    pond.makePond(p.forest.ground, 0.0f, 0.0f);
    EXPECT_EQ(pond.sprite, named("pond1"));
    const struct {
        float ago;
        int period;
    } cases[] = {{29.0f, 0}, {45.0f, 19}, {65.0f, 12}, {95.0f, 5}, {400.0f, 5}};
    for (const auto& c : cases) {
        int shown = 0, ticks = 0;
        // Every 5 Hz tick over 19 x 12 x 5 ticks, at a quarter into each tick.
        for (int tick = 0; tick < 1140; ++tick) {
            world->elapsed = 1000.0f + (static_cast<float>(tick) + 0.25f) / 5.0f;
            pond.lastHitTime = world->elapsed - c.ago;
            pond.update();
            ++ticks;
            if (pond.overlay) {
                ++shown;
                const int f = static_cast<int>(world->elapsed * 5.0f) % c.period;
                char name[32];
                std::snprintf(name, sizeof(name), "fishjump%d", f + 1);
                EXPECT_EQ(pond.overlay, named(name));
            }
        }
        if (c.period == 0) {
            EXPECT_EQ(shown, 0);
        } else {
            EXPECT_EQ(shown, ticks * 3 / c.period) << c.ago;
        }
    }
}

TEST(SceneryLooks, TreesAndBouldersLookTheirKind) {
    Plane p;
    seedRandom(8u);
    for (int i = 0; i < 60; ++i) {
        Scenery tree;
        tree.makeTree(p.forest.ground, 0.0f, static_cast<float>(i));
        char name[32];
        std::snprintf(name, sizeof(name), "tree%d", tree.variety + 1);
        EXPECT_EQ(tree.sprite, named(name));
        EXPECT_EQ(tree.scale, tree.variety == 5 ? 1.0f : 2.0f);
        EXPECT_FLOAT_EQ(tree.shape->GetShape()->m_radius, TREE_RADII[tree.variety]);
        Scenery boulder;
        boulder.makeBoulder(p.forest.ground, 20.0f, static_cast<float>(i));
        EXPECT_FLOAT_EQ(boulder.shape->GetShape()->m_radius, boulder.sprite == named("boulder1") ? 2.4f : 2.0f);
    }
}

TEST(SceneryView, ShadedByDistanceAndTheCaveInReach) {
    Plane p;
    Scenery mountain;
    mountain.makeMountain(75.0f, 0.0f, true);
    EXPECT_EQ(mountain.overlay, named("cave"));
    mountain.render(160.0f, 80.0f, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(mountain.sprite->quad.v[0].col, 0xFFFFFFFFu);
    EXPECT_TRUE(world->caveAhead);

    world->caveAhead = false;
    mountain.render(160.0f, 80.0f, 0.0f, 1.0f, 100.0f);
    EXPECT_EQ(mountain.sprite->quad.v[2].col, 0xFF969696u) << "150 grey far away";
    EXPECT_FALSE(world->caveAhead) << "too far";
    mountain.render(79.0f, 80.0f, 0.0f, 1.0f, 5.0f);
    EXPECT_FALSE(world->caveAhead) << "off to the side";
    mountain.render(239.0f, 80.0f, 0.0f, 1.0f, 11.9f);
    EXPECT_TRUE(world->caveAhead);

    Scenery plain;
    plain.makeMountain(0.0f, 75.0f, false);
    world->caveAhead = false;
    plain.render(160.0f, 80.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_FALSE(world->caveAhead);
    EXPECT_EQ(plain.overlay, nullptr);
}

// Each kind's art has its own density of texels; the view divides by it, so art of
// density x made of (10 x, 4 x) texels covers (10, 4) at the object's scale, the
// cave its mountain's ground, and the cave grows by the zoom while the bear sleeps.
TEST(SceneryView, EveryKindCoversWhatItsArtDensityGives) {
    Plane p;
    // Sized for the density, or back to nothing (0) for the other tests.
    auto shape = [](Sprite* s, float density) {
        s->width = 10.0f * density;
        s->height = s->hotY = 4.0f * density;
        s->hotX = 5.0f * density;
    };
    // Left, top, right, bottom on screen.
    auto drawn = [](const Sprite* s) {
        return std::array<float, 4>{s->quad.v[0].x, s->quad.v[0].y, s->quad.v[2].x, s->quad.v[2].y};
    };
    Scenery kinds[6];
    kinds[0].makeMountain(75.0f, 0.0f, true);
    kinds[1].makeBoulder(p.forest.ground, 10.0f, 0.0f);
    kinds[2].makeBush(p.forest.ground, 20.0f, 0.0f);
    kinds[3].makePond(p.forest.ground, 30.0f, 0.0f);
    for (Scenery* tree : {&kinds[4], &kinds[5]}) {
        do tree->makeTree(p.forest.ground, 40.0f, 0.0f);
        while ((tree->variety == 5) != (tree == &kinds[5]));  // one tree, and the big fir
    }
    const float densities[6] = {ART_DENSITY_MOUNTAIN, ART_DENSITY_BOULDER, ART_DENSITY_BUSH,
                                ART_DENSITY_POND,     ART_DENSITY_TREE,    ART_DENSITY_BIG_FIR};
    for (int i = 0; i < 6; ++i) {
        Scenery& s = kinds[i];
        s.update();
        shape(s.sprite, densities[i]);
        s.render(160.0f, 80.0f, 0.0f, 0.5f, 20.0f);
        const float k = s.scale * 0.5f;
        const std::array<float, 4> expect = {160.0f - 5.0f * k, 80.0f - 4.0f * k, 160.0f + 5.0f * k, 80.0f};
        for (int e = 0; e < 4; ++e) EXPECT_FLOAT_EQ(drawn(s.sprite)[e], expect[e]) << i << " edge " << e;
        shape(s.sprite, 0.0f);
    }

    Scenery& mountain = kinds[0];
    shape(mountain.sprite, ART_DENSITY_MOUNTAIN);
    shape(mountain.overlay, ART_DENSITY_CAVE);
    mountain.render(160.0f, 80.0f, 0.0f, 0.5f, 5.0f);
    const std::array<float, 4> m = drawn(mountain.sprite);
    for (int e = 0; e < 4; ++e) EXPECT_FLOAT_EQ(drawn(mountain.overlay)[e], m[e]) << "edge " << e;
    world->sleepPhase = 3;
    world->caveZoom = 1.3f;
    mountain.render(160.0f, 80.0f, 0.0f, 0.5f, 5.0f);
    const std::array<float, 4> c = drawn(mountain.overlay);
    EXPECT_FLOAT_EQ(c[2] - c[0], 1.3f * (m[2] - m[0]));
    EXPECT_FLOAT_EQ(c[3], 80.0f + 0.3f * 25.0f);
    world->sleepPhase = 0;
    shape(mountain.sprite, 0.0f);
    shape(mountain.overlay, 0.0f);
}

TEST(ForestSky, FollowsTheYear) {
    const char* skies[] = {"sky1", "sky2", "sky1", "sky3", "sky1", "sky2"};
    for (int year = 1; year <= 6; ++year) {
        RoundGlobals g(year);
        world->easyStart = year == 1;
        seedRandom(3u);
        Forest f;
        f.generate();
        EXPECT_EQ(f.sky, named(skies[year - 1])) << year;
    }
}

}  // namespace
