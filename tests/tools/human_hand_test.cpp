// The hand the pilot plays through in human mode: late, no faster than a hand on
// a mouse, and pressing only where it meant to.
#include "main/random.h"
#include "tools/pilot/human_hand.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(HumanHand, ActsAQuarterSecondLateAtMost1500PixelsASecondAndPressesWhereItMeant) {
    seedRandom(5u);
    const uint32_t state = randomState();
    HumanHand hand(1u);
    float x = 0.0f, y = 0.0f;
    int firstMove = -1, pressedAt = -1;
    float pressedX = 0.0f;
    for (int i = 0; i < 120; ++i) {
        // One decision: 200 pixels right and a press there.
        const InputFrame meant = i == 0 ? InputFrame{200.0f, 0.0f, INPUT_LEFT_DOWN} : InputFrame{0.0f, 0.0f, 0};
        const InputFrame f = hand.next(meant);
        ASSERT_LE(std::hypot(f.dx, f.dy), HumanHand::MAX_STEP + 6.0f * HumanHand::SCATTER) << i;
        if (f.dx != 0.0f && firstMove < 0) firstMove = i;
        x += f.dx;
        y += f.dy;
        if (f.buttons != 0) {
            ASSERT_LT(pressedAt, 0) << "pressed twice";
            pressedAt = i;
            pressedX = x;
        }
    }
    EXPECT_EQ(firstMove, HumanHand::DELAY_FRAMES);
    // 200 pixels take eight updates at 25 each; the press comes as the hand arrives.
    EXPECT_EQ(pressedAt, HumanHand::DELAY_FRAMES + 7);
    EXPECT_NEAR(pressedX, 200.0f, 10.0f) << "a few pixels of scatter";
    EXPECT_NE(pressedX, 200.0f) << "no scatter at all";
    EXPECT_NEAR(y, 0.0f, 10.0f);
    EXPECT_EQ(hand.pending().Length(), 0.0f);
    EXPECT_EQ(randomState(), state) << "the scatter drew from the game's generator";
}

TEST(HumanHand, KnowsTheMovementStillOnItsWay) {
    HumanHand hand(2u);
    hand.next(InputFrame{30.0f, -10.0f, 0});
    hand.next(InputFrame{10.0f, 0.0f, 0});
    EXPECT_FLOAT_EQ(hand.pending().x, 40.0f);
    EXPECT_FLOAT_EQ(hand.pending().y, -10.0f);
}

}  // namespace
