#include "main/game.h"
#include "main/random.h"
#include "main/year.h"

#include <gtest/gtest.h>

namespace {

class YearRules : public ::testing::Test {
protected:
    void SetUp() override { game = &g; }
    void TearDown() override { game = nullptr; }
    Game g;
};

TEST_F(YearRules, SurvivingRaisesTheYearAndFadesToTheTitle) {
    g.state = Playing;
    g.year = 1;
    seedRandom(99);
    g.endYear(true);
    EXPECT_EQ(g.year, 2);
    EXPECT_EQ(g.state, Playing);  // the round goes on during the fade-out
    EXPECT_EQ(g.nextState, Title);
    EXPECT_EQ(g.fadeDir, -1);
    EXPECT_FLOAT_EQ(g.fade, 1.0f);
    EXPECT_FLOAT_EQ(g.titleTime, -2.5f);
    EXPECT_GE(g.modifierA, 0);
    EXPECT_LT(g.modifierA, MODIFIER_COUNT);
    EXPECT_EQ(g.modifierB, -1);
}

TEST_F(YearRules, SnowedInIsGameOverAtOnceAndBackToYearOne) {
    g.state = Playing;
    g.year = 6;
    g.winterMinutes = 2;
    g.modifierA = 3;
    g.modifierB = 5;
    g.endYear(false);
    EXPECT_EQ(g.state, GameOver);
    EXPECT_EQ(g.nextState, Title);
    EXPECT_FLOAT_EQ(g.fade, 6.0f);
    EXPECT_EQ(g.fadeDir, -1);
    EXPECT_EQ(g.year, 1);
    EXPECT_EQ(g.winterMinutes, 5);
    EXPECT_EQ(g.modifierA, -1);
    EXPECT_EQ(g.modifierB, -1);
}

TEST_F(YearRules, ModifiersAreDrawnInOrderAndNeverTwiceInOneYear) {
    for (uint32_t seed = 1; seed < 400; ++seed) {
        for (int year : {2, 5, 7, 9, 11, 20}) {
            seedRandom(seed);
            g.year = year;
            g.modifierA = g.modifierB = -1;
            g.chooseModifiers();
            // The same draws by hand: A, then B until it differs.
            seedRandom(seed);
            int a = static_cast<int>(randomInt(7));
            ASSERT_EQ(g.modifierA, a);
            if (yearHasTwoModifiers(year)) {
                ASSERT_NE(g.modifierB, -1);
                ASSERT_NE(g.modifierB, g.modifierA);
            } else {
                ASSERT_EQ(g.modifierB, -1);
            }
        }
    }
    // Year 1 keeps the modifiers and draws nothing.
    seedRandom(5);
    g.year = 1;
    g.modifierA = 4;
    g.chooseModifiers();
    EXPECT_EQ(randomState(), 5u);
    EXPECT_EQ(g.modifierA, 4);
    EXPECT_EQ(g.winterMinutes, 5);
}

TEST_F(YearRules, WinterComesSoonerWithTheYears) {
    const int plain[] = {5, 5, 5, 4, 4, 3, 3, 2, 2, 1, 1, 1};  // years 1..12
    const int slept[] = {3, 3, 3, 3, 3, 2, 2, 1, 1, 1, 1, 1};
    for (int year = 2; year <= 12; ++year) {
        EXPECT_EQ(winterMinutesFor(year, false), plain[year - 1]) << "year " << year;
        EXPECT_EQ(winterMinutesFor(year, true), slept[year - 1]) << "year " << year;
    }
    // chooseModifiers applies the table with the modifier it drew.
    for (uint32_t seed = 1; seed < 200; ++seed) {
        seedRandom(seed);
        g.year = 8;
        g.chooseModifiers();
        EXPECT_EQ(g.winterMinutes, modifierActive(MODIFIER_SLEPT_TOO_LONG) ? 1 : 2);
    }
}

TEST_F(YearRules, MinusOneAsksForFewerThanTwoModifiers) {
    g.modifierA = g.modifierB = -1;
    EXPECT_TRUE(modifierActive(-1));
    g.modifierA = 2;
    EXPECT_TRUE(modifierActive(-1));
    EXPECT_TRUE(modifierActive(2));
    EXPECT_FALSE(modifierActive(3));
    g.modifierB = 3;
    EXPECT_FALSE(modifierActive(-1));
    EXPECT_TRUE(modifierActive(3));
}

}  // namespace
