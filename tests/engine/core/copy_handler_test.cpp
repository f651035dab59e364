// The X error handler that catches a refused copy of the picture (shown without a
// swap) must be the current one at every copy: SDL puts back the handler it found
// when its video quits, and a program may install a handler of its own later.
#include "engine/core/native_window.h"
#include "tests/engine/core/real_window.h"

namespace realwindow {
namespace {

class CopyHandlerTest : public RealWindowTest {
protected:
    // A copy far past the driver's buffer is refused; the refusal comes in with the
    // events, and the next copy must tell it.
    bool refusedCopyIsTold() {
        runFrames(1);
        showBackBuffer(1 << 15, 1 << 15);
        SDL_PumpEvents();
        return !showBackBuffer(W, H);
    }
    bool showsWithoutSwap() {
        return windowShowsBackBuffer(static_cast<SDL_Window*>(engine->System_GetState(STATE_WINDOW)));
    }
};

TEST_F(CopyHandlerTest, ARefusedCopyIsCaughtInASecondEngineAndPastALaterHandler) {
    start(nullptr);
    ASSERT_TRUE(initiated);
    if (!showsWithoutSwap()) GTEST_SKIP() << "the window system shows the back buffer only by swaps";
    EXPECT_TRUE(refusedCopyIsTold());
    {
        SwallowingXErrorHandler later;
        EXPECT_TRUE(refusedCopyIsTold()) << "a later handler kept the refusal";
        EXPECT_EQ(later.caught(), 0);
    }

    // The second Engine of the process: its refused copy used to end the program.
    engine->Release();
    engine = nullptr;
    startEngine();
    ASSERT_TRUE(initiated);
    ASSERT_TRUE(showsWithoutSwap());
    EXPECT_TRUE(refusedCopyIsTold());
}

}  // namespace
}  // namespace realwindow
