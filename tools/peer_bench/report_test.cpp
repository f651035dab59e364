#include "tools/peer_bench/report.h"

#include <gtest/gtest.h>

using namespace peer_bench;

namespace {

std::vector<Series> gamePathRuns() {
    return {
        {"game path", "ours", "Sprite", {5.0, 4.0, 6.0}, {1, 1, 1}},
        {"game path", "SFML", "Sprite", {3.0, 4.5}, {1, 1}},
        {"game path", "SFML", "VertexArray", {2.5, 9.0}, {1, 1}},
        {"other", "LOVE", "draw", {1.0}, {1}},
    };
}

TEST(PeerBenchReport, MedianOfOddAndEvenCounts) {
    EXPECT_DOUBLE_EQ(medianOf({3, 1, 2}), 2);
    EXPECT_DOUBLE_EQ(medianOf({4, 1, 3, 2}), 2.5);
}

TEST(PeerBenchReport, GameLoadTakesEachPeersBestVariantAndNamesAMissingOne) {
    // ours 4.0 against SFML's best 2.5; LOVE has no game-path figures.
    EXPECT_EQ(gameLoadLine(gamePathRuns(), "game path"), "game load: ours/SFML 1.60, ours/LOVE n/a");
}

TEST(PeerBenchReport, EachPeerRowShowsOursOverItsOwnMin) {
    const std::string table = formatTable(gamePathRuns());
    EXPECT_NE(table.find("SFML Sprite"), std::string::npos);
    EXPECT_NE(table.find(" 1.33\n"), std::string::npos);  // 4.0 / 3.0
    EXPECT_NE(table.find(" 1.60\n"), std::string::npos);  // 4.0 / 2.5
    EXPECT_NE(table.find(" n/a\n"), std::string::npos);   // no ours in "other"
}

}  // namespace
