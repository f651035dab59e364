#include "forest/depth_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

class Marker : public ForestObject {
public:
    explicit Marker(float y) { localY = y; }
    void update() override {}
    void render(float, float, float, float, float) override {}
    b2Vec2 position() const override { return b2Vec2(0.0f, localY); }
};

// The list as std::sort leaves it, which the recorded rounds were made with.
std::vector<ForestObject*> referenceOrder(std::vector<ForestObject*> list) {
    std::sort(list.begin(), list.end(),
              [](const ForestObject* a, const ForestObject* b) { return a->localY > b->localY; });
    return list;
}

TEST(DepthOrder, AgreesWithStdSortObjectForObject) {
    struct Case {
        const char* name;
        std::vector<float> ys;
    };
    std::vector<float> turned, tied, withNan;
    for (int i = 0; i < 60; ++i) {
        turned.push_back(50.0f - static_cast<float>(i) + ((i % 7 == 3) ? 2.5f : 0.0f));  // nearly sorted
        tied.push_back(static_cast<float>((i * 37) % 5));  // long runs of equal keys, shuffled
        withNan.push_back(static_cast<float>((i * 13) % 60));
    }
    withNan[17] = std::nanf("");
    const Case cases[] = {
        {"empty", {}},
        {"reversed", {-5.0f, -1.0f, 0.0f, 2.0f, 9.0f}},
        {"nearly sorted", turned},
        {"ties", tied},
        {"plus and minus zero", {0.0f, 1.0f, -0.0f, 2.0f, 0.0f}},
        {"a NaN", withNan},
    };
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<Marker>> owned;
        std::vector<ForestObject*> list;
        for (float y : c.ys) {
            owned.push_back(std::make_unique<Marker>(y));
            list.push_back(owned.back().get());
        }
        const std::vector<ForestObject*> expected = referenceOrder(list);
        std::vector<ForestObject*> scratch;
        sortFarthestFirst(list, scratch);
        EXPECT_EQ(list, expected) << c.name;
        // Sorted again, as the next update does with nothing moved.
        sortFarthestFirst(list, scratch);
        EXPECT_EQ(list, referenceOrder(expected)) << c.name;
    }
}

}  // namespace
