#include "engine/core/frame_stats.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint32_t> upTo(uint32_t n) {
    std::vector<uint32_t> v;
    for (uint32_t i = n; i >= 1; --i) v.push_back(i);  // unsorted on purpose
    return v;
}

TEST(FrameStats, QuantilesByNearestRank) {
    const struct {
        std::vector<uint32_t> values;
        double q;
        uint32_t expected;
    } cases[] = {
        {{}, 0.5, 0},          {{7}, 0.5, 7},        {{7}, 0.95, 7},          {upTo(100), 0.5, 50},
        {upTo(100), 0.95, 95}, {upTo(20), 0.95, 19}, {upTo(10), 0.0, 1},      {upTo(10), 1.0, 10},
        {{3, 3, 9, 3}, 0.95, 9},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FrameStats::quantile(c.values, c.q), c.expected) << c.values.size() << " at " << c.q;
    }
}

TEST(FrameStats, KeepsTheLastFramesOnceTheRoomIsFull) {
    FrameStats stats;
    stats.start(4);
    for (uint32_t i = 1; i <= 6; ++i) stats.add(i * 1000, 0, 0);
    EXPECT_EQ(stats.frames(), 4u);
    // Frames 3..6 are left: the median by nearest rank is the second of them.
    EXPECT_EQ(stats.quantileOf(FrameStats::UPDATE, 0.5), 4000u);
    EXPECT_EQ(stats.quantileOf(FrameStats::UPDATE, 0.95), 6000u);
}

TEST(FrameStats, SummaryNamesEachPartInMilliseconds) {
    FrameStats stats;
    stats.start(10);
    stats.add(1500, 2250, 125);
    EXPECT_EQ(stats.summary(),
              "1 frames, ms median / 95th percentile: update 1.500 / 1.500, draw 2.250 / 2.250, present 0.125 / 0.125");
}

TEST(FrameStats, NothingIsRecordedWithoutRoom) {
    FrameStats stats;
    stats.add(1, 2, 3);
    EXPECT_FALSE(stats.recording());
    EXPECT_EQ(stats.frames(), 0u);
    EXPECT_EQ(stats.quantileOf(FrameStats::DRAW, 0.5), 0u);
}

}  // namespace
