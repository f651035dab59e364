// Drawing the cab allocates nothing per frame once its art is fetched: every
// allocation through operator new is counted while a busy picture (snow, the
// notice, a growl, crumbs, a held thing) is drawn frame after frame.
#include "tests/support/alloc/alloc_counter.h"
#include "tests/vehicle/cab_drawing_fixture.h"

#include <string>

namespace {

TEST(CabDrawingAllocations, NoneWhileABusyPictureIsDrawn) {
    std::string skip;
    CabDrawingRound round(false, &skip);
    ASSERT_TRUE(skip.empty()) << skip;
    for (const std::string& name : cabSpriteNames()) CabDrawingRound::block(name.c_str(), 4.0f, 4.0f);
    TestThing* thing = new TestThing("testthing", b2Vec2(12.0f, 4.0f));
    world->cabObjects.push_back(thing);
    world->snowballs.push_back(new TestThing("testsnowball", b2Vec2(3.0f, 3.0f)));
    world->grabAt(12.0f, 4.0f);
    ASSERT_TRUE(world->isHeld(thing->bodies[0]));
    world->winterPhase = 1;
    world->winterCountdown = 4.0f;
    world->fatNotice = 0.5f;
    world->growlTimer = 0.5f;
    world->cabTilt = 0.3f;
    world->crumbs[0] = Crumb{0.2f, 0.1f, 1.0f, -2.0f, 1.0f};
    round.draw();  // the first frame fetches the art and the font

    startCountingAllocations();
    for (int i = 0; i < 60; ++i) {
        world->elapsed += 1.0f / 60.0f;
        world->fatNotice += 1.0f / 60.0f;
        world->winterCountdown += 1.0f / 60.0f;
        round.draw();
    }
    EXPECT_EQ(stopCountingAllocations(), 0);
}

}  // namespace
