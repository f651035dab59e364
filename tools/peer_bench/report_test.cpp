#include "tools/peer_bench/report.h"

#include <gtest/gtest.h>

using namespace peer_bench;

namespace {

// Wall and CPU ms per frame, per run.
std::vector<Series> gamePathRuns() {
    return {
        {"game path", "ours", "Sprite", {9, 9, 9, 9, 9}, {5.0, 4.0, 6.0, 4.5, 40.0}},
        {"game path", "SFML", "Sprite", {9, 9}, {3.0, 4.5}},
        {"game path", "SFML", "VertexArray", {9, 9, 9}, {2.5, 9.0, 1.0}},
        {"other", "LOVE", "draw", {9}, {1.0}},
    };
}

TEST(PeerBenchReport, MedianOfOddAndEvenCounts) {
    EXPECT_DOUBLE_EQ(medianOf({3, 1, 2}), 2);
    EXPECT_DOUBLE_EQ(medianOf({4, 1, 3, 2}), 2.5);
}

TEST(PeerBenchReport, RatioLineTakesCpuMediansAndEachPeersBestVariant) {
    // ours: median 5.0 (the disturbed 40 ms run does not count); SFML Sprite 3.75,
    // VertexArray 2.5; LOVE has no game-path figures.
    EXPECT_EQ(ratioLine(gamePathRuns(), "game load", "game path"), "game load: ours/SFML 2.00, ours/LOVE n/a");
    EXPECT_EQ(ratioLine(gamePathRuns(), "30000 x 2px", "absent"), "30000 x 2px: ours/SFML n/a, ours/LOVE n/a");
}

TEST(PeerBenchReport, LoopsCompareCpuPerSecondNotPerFrame) {
    // ours: 60 frames a second at 2 ms each; the peer runs 120 at 1.5 ms each, which
    // is cheaper per frame but 1.5 times the CPU per second.
    const std::vector<Series> loops = {
        {"60 fps loop", "ours", "System_Start", {16.667, 16.667}, {2.0, 2.0}, true},
        {"60 fps loop", "SFML", "setFramerateLimit", {8.333, 8.333}, {1.5, 1.5}, true},
    };
    EXPECT_NEAR(cpuCosts(loops[0])[0], 120.0, 0.01);
    EXPECT_EQ(ratioLine(loops, "60 fps CPU", "60 fps loop"), "60 fps CPU: ours/SFML 0.67, ours/LOVE n/a");
}

TEST(PeerBenchReport, EachPeerRowShowsOursOverItsOwnCpuMedian) {
    const std::string table = formatTable(gamePathRuns());
    EXPECT_NE(table.find("SFML VertexArray"), std::string::npos);
    EXPECT_NE(table.find(" 1.33\n"), std::string::npos);  // 5.0 / 3.75
    EXPECT_NE(table.find(" 2.00\n"), std::string::npos);  // 5.0 / 2.5
    EXPECT_NE(table.find(" n/a\n"), std::string::npos);   // no ours in "other"
}

}  // namespace
