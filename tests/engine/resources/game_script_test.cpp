// The game's own script through the real engine groups: it parses without a report
// and every resource of it loads.
#include "engine/font/font.h"
#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "resource_test_support.h"

namespace {

class GameScript : public ResourceTest {};

TEST_F(GameScript, ParsesCleanAndLoadsWhole) {
    ResourceManager rm("data\\bear.res");
    EXPECT_TRUE(reports().empty()) << reports()[0];
    ASSERT_NE(rm.ListHead(RES_SPRITE), nullptr);
    EXPECT_TRUE(rm.LoadAll(0)) << engine->System_LastError();

    Font* f1 = rm.FontByName("f1");
    ASSERT_NE(f1, nullptr);
    EXPECT_NE(f1->GetTexture(), 0u);
    EXPECT_GT(f1->TextWidth("Hibernate!"), 0.0f);
    EXPECT_GT(f1->GetHeight(), 0.0f);
    for (ResourceRecord* r = rm.ListHead(RES_SPRITE); r; r = r->next) {
        Sprite* s = rm.SpriteByName(r->name);
        ASSERT_NE(s, nullptr) << r->name;
        EXPECT_NE(s->GetTexture(), 0u) << r->name;
    }
    for (ResourceRecord* r = rm.ListHead(RES_EFFECT); r; r = r->next) {
        EXPECT_NE(rm.EffectByName(r->name), 0u) << r->name;
    }
}

}  // namespace
