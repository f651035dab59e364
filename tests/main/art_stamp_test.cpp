#include "main/art_stamp.h"

#include "engine/core/engine_impl.h"

#include <gtest/gtest.h>

namespace {

// A cache filled from one manager must fill again from the next, also when the
// next one is built where the old one was, and hold nothing without a manager.
TEST(ArtStamp, FillsAgainForEveryNewManagerAndForNone) {
    engine = engineCreateHeadless(ENGINE_VERSION);
    ArtStamp stamp;
    EXPECT_TRUE(stamp.stale());
    stamp.fill();
    EXPECT_FALSE(stamp.stale());  // no manager, and still none

    uint32_t serials[3];
    for (uint32_t& serial : serials) {
        resourceManager = new ResourceManager("no script");
        serial = resourceManager->Serial();
        EXPECT_TRUE(stamp.stale());
        stamp.fill();
        EXPECT_FALSE(stamp.stale());
        delete resourceManager;  // the next one may well take the same address
        resourceManager = nullptr;
        EXPECT_TRUE(stamp.stale());
    }
    EXPECT_NE(serials[0], serials[1]);
    EXPECT_NE(serials[1], serials[2]);
    EXPECT_NE(serials[0], 0u);
    engine->Release();
    engine = nullptr;
}

}  // namespace
