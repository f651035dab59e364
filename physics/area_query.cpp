#include "physics/area_query.h"

namespace {
class Collector : public b2QueryCallback {
public:
    Collector(Shape** shapes, int maxCount) : shapes_(shapes), max_(maxCount) {}
    bool ReportFixture(b2Fixture* fixture) override {
        shapes_[count_++] = fixture;
        return count_ < max_;
    }
    int count() const { return count_; }

private:
    Shape** shapes_;
    int max_;
    int count_ = 0;
};
}  // namespace

int queryArea(const b2World* world, const b2AABB& box, Shape** shapes, int maxCount) {
    if (maxCount <= 0) return 0;
    Collector collector(shapes, maxCount);
    world->QueryAABB(&collector, box);
    return collector.count();
}
