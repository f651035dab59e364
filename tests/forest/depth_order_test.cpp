#include "forest/depth_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class Marker : public ForestObject {
public:
    Marker(float y, int index) {
        localY = y;
        creationIndex = index;
    }
    void update() override {}
    void render(float, float, float, float, float) override {}
    b2Vec2 position() const override { return b2Vec2(0.0f, localY); }
};

std::vector<int> indices(const std::vector<ForestObject*>& list) {
    std::vector<int> out;
    for (const ForestObject* o : list) out.push_back(o->creationIndex);
    return out;
}

// Farthest first, equally far ones by creation index, whatever order they come in.
TEST(DepthOrder, FarthestFirstThenByCreation) {
    struct Case {
        const char* name;
        std::vector<float> ys;      // by creation index
        std::vector<int> expected;  // creation indices, first drawn first
    };
    const Case cases[] = {
        {"empty", {}, {}},
        {"reversed", {-5.0f, -1.0f, 0.0f, 2.0f, 9.0f}, {4, 3, 2, 1, 0}},
        {"ties", {1.0f, 3.0f, 1.0f, 3.0f, 1.0f, 2.0f}, {1, 3, 5, 0, 2, 4}},
        {"plus and minus zero", {0.0f, 1.0f, -0.0f, 2.0f, 0.0f}, {3, 1, 0, 2, 4}},
        {"all equal", {4.0f, 4.0f, 4.0f, 4.0f}, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<Marker>> owned;
        std::vector<ForestObject*> list;
        for (size_t i = 0; i < c.ys.size(); ++i) {
            owned.push_back(std::make_unique<Marker>(c.ys[i], static_cast<int>(i)));
            list.push_back(owned.back().get());
        }
        // From creation order, from its reverse and from a rotation: one result.
        for (int start = 0; start < 3; ++start) {
            std::vector<ForestObject*> l = list;
            if (start == 1) std::reverse(l.begin(), l.end());
            if (start == 2 && !l.empty()) std::rotate(l.begin(), l.begin() + 1, l.end());
            sortFarthestFirst(l);
            EXPECT_EQ(indices(l), c.expected) << c.name << ", start " << start;
            sortFarthestFirst(l);  // the next update, with nothing moved
            EXPECT_EQ(indices(l), c.expected) << c.name << ", sorted again";
        }
    }
}

// A long, nearly sorted list, as from one update to the next, agrees with a full
// sort by the same order.
TEST(DepthOrder, NearlySortedListAgreesWithAFullSort) {
    std::vector<std::unique_ptr<Marker>> owned;
    std::vector<ForestObject*> list;
    for (int i = 0; i < 60; ++i) {
        const float y = 50.0f - static_cast<float>(i) + ((i % 7 == 3) ? 2.5f : 0.0f) + ((i % 11 == 0) ? 1.0f : 0.0f);
        owned.push_back(std::make_unique<Marker>(y, i));
        list.push_back(owned.back().get());
    }
    std::vector<ForestObject*> expected = list;
    std::sort(expected.begin(), expected.end(), [](const ForestObject* a, const ForestObject* b) {
        return a->localY != b->localY ? a->localY > b->localY : a->creationIndex < b->creationIndex;
    });
    sortFarthestFirst(list);
    EXPECT_EQ(indices(list), indices(expected));
}

}  // namespace
