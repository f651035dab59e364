#include "engine/core/engine_impl.h"
#include "engine/sprite/sprite.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace {

// Sizes no texture has must still give defined arithmetic (the sanitizer build
// checks the conversions) and a frame within the strip.
TEST(AnimationBounds, EnormousRegionsStayDefined) {
    Engine* e = engineCreateHeadless(ENGINE_VERSION);
    e->System_SetState(STATE_SOUND, false);
    ASSERT_TRUE(e->System_Initiate());
    TextureHandle tex = e->Texture_Create(64, 64);
    const float sizes[] = {3.4e38f, -3.4e38f, 1e10f, 0.5f};
    for (float w : sizes) {
        for (float x : sizes) {
            Animation a(tex, 5, 10.0f, x, 0.0f, w, 8.0f);
            for (int n : {-7, 0, 3, 1 << 30}) {
                a.SetFrame(n);
                EXPECT_GE(a.GetFrame(), 0);
                EXPECT_LT(a.GetFrame(), 5);
            }
        }
    }
    e->Texture_Free(tex);
    e->Release();
}

}  // namespace
