#include "engine/core/engine_impl.h"
#include "engine/resources/resource_manager.h"

#include <gtest/gtest.h>

namespace {

// The game refuses to start on a script it cannot read; the manager says so and
// the Engine's error text names the file.
TEST(ScriptFound, TellsWhetherTheScriptCouldBeRead) {
    Engine* e = engineCreateHeadless(ENGINE_VERSION);
    ASSERT_TRUE(e->System_Initiate());
    {
        ResourceManager missing("data\\no_such_script.res");
        EXPECT_FALSE(missing.ScriptFound());
        EXPECT_STREQ(e->System_LastError(), "Can't load resource: data\\no_such_script.res");
        ResourceManager unnamed(nullptr);
        EXPECT_FALSE(unnamed.ScriptFound());
    }
    ResourceManager game("data\\bear.res");
    EXPECT_TRUE(game.ScriptFound());
    e->Release();
}

}  // namespace
