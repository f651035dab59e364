// The private X server of the window tests: when it says its window manager runs,
// a window mapped at once must be framed, or SDL waits for ever to see it shown.
#include "tests/support/x_server.h"

#include <gtest/gtest.h>

namespace {

class WindowManagerReady : public ::testing::TestWithParam<const char*> {};

// openbox left a window mapped during its own start-up unframed (about one start
// in seven): a few starts make that show.
TEST_P(WindowManagerReady, AWindowMappedAsSoonAsItRunsIsFramed) {
    for (int start = 0; start < 8; ++start) {
        PrivateXServer x(640, 480, GetParam());
        ASSERT_EQ(x.failure(), "");
        PrivateXServer::WindowId id = x.createManagedWindow(100, 100);
        ASSERT_TRUE(x.waitFor([&] { return x.framed(id); })) << GetParam() << " start " << start;
    }
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, WindowManagerReady, ::testing::Values("openbox", "twm"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
