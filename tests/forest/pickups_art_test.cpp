// Which sprite each loose thing shows, with a resource script of their names.
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/forest.h"
#include "forest/pickups_art.h"
#include "forest/pickups_clock.h"
#include "forest/pickups_fish.h"
#include "forest/pickups_round_item.h"
#include "forest/scenery.h"
#include "tests/forest/pickups_draws.h"
#include "vehicle/car.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const NAMES[] = {"fishhead", "fishhead_half", "bonehead", "fishtail",  "fishtail_half", "bonetail",
                             "leaf1",    "leaf2",         "leaf3",    "leaf4",     "pinecone",      "berry",
                             "rock1",    "rock2",         "rock3",    "snowball1", "snowball2",     "snowball3",
                             "clock",    "clock_minute"};

struct ArtRound {
    PickupRound round;
    ArtRound() {
        std::string script;
        for (const char* n : NAMES) script += std::string("Sprite \"") + n + "\" { rect = 0, 0, 4, 4 }\n";
        resourceManager = new ResourceManager("no script");
        resourceManager->ParseScriptText("pickups.res", script.data(), script.size());
    }
    ~ArtRound() {
        delete resourceManager;
        resourceManager = nullptr;
    }
    static Sprite* named(const char* n) { return resourceManager->SpriteByName(n); }
};

TEST(PickupArt, TreesDropTheirOwnLeaves) {
    ArtRound art;
    ASSERT_NE(ArtRound::named("leaf1"), nullptr);
    const char* leaves[7] = {"leaf3", "leaf1", nullptr, "leaf2", nullptr, nullptr, "leaf4"};
    for (int variety = 0; variety < 7; ++variety) {
        Scenery tree;
        tree.sceneryType = SCENERY_TREE;
        tree.variety = variety;
        b2Body* car = forest->playerCar->body;
        car->SetLinearVelocity(car->GetWorldVector(b2Vec2(0.0f, -2.0f)));  // no animals
        const size_t before = world->cabObjects.size();
        world->carImpact(&tree, 6.0f);
        ASSERT_GT(world->cabObjects.size(), before);
        for (size_t i = before; i < world->cabObjects.size(); ++i) {
            const RoundItem* item = static_cast<const RoundItem*>(world->cabObjects[i]);
            EXPECT_EQ(item->sprite, ArtRound::named(leaves[variety] ? leaves[variety] : "pinecone")) << variety;
        }
    }
}

TEST(PickupArt, RocksAndSnowballsShowTheirSize) {
    ArtRound art;
    const char* rocks[3] = {"rock1", "rock2", "rock3"};
    const char* snowballs[3] = {"snowball1", "snowball2", "snowball3"};
    for (int i = 0; i < 40; ++i) {
        RoundItem rock;
        rock.makeRock();
        const int k = rock.radii[0] < 1.0f ? 0 : rock.radii[0] < 1.5f ? 1 : 2;
        EXPECT_EQ(rock.sprite, ArtRound::named(rocks[k]));
        RoundItem ball;
        ball.makeSnowball();
        const int s = ball.radii[0] < 1.0f ? 0 : ball.radii[0] < 1.4f ? 1 : 2;
        EXPECT_EQ(ball.sprite, ArtRound::named(snowballs[s]));
    }
    RoundItem berry;
    berry.makeBerry();
    EXPECT_EQ(berry.sprite, ArtRound::named("berry"));
}

TEST(PickupArt, EverythingDrawsWithItsArtAndWithout) {
    for (bool withArt : {true, false}) {
        std::unique_ptr<ArtRound> art;
        std::unique_ptr<PickupRound> plain;
        if (withArt) {
            art = std::make_unique<ArtRound>();
        } else {
            plain = std::make_unique<PickupRound>();
        }
        world->easyStart = true;
        Fish fish;
        fish.onEaten(fish.tail());
        RoundItem leaf;
        leaf.makeLeaf(3);
        Clock clock(2.0f);
        fish.render();
        leaf.render();
        clock.render();
        EXPECT_EQ(leaf.sprite != nullptr, withArt);
        EXPECT_EQ(pickupArt().fishHead[1] != nullptr, withArt);
    }
}

}  // namespace
