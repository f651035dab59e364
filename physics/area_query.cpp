#include "physics/area_query.h"

namespace {
class Collector : public b2QueryCallback {
public:
    Collector(const b2AABB& box, Shape** shapes, int maxCount) : box_(box), shapes_(shapes), max_(maxCount) {}
    bool ReportFixture(b2Fixture* fixture) override {
        // The tree keeps enlarged boxes; only the shape's own box counts.
        if (!overlapsOwnBox(fixture)) return true;
        shapes_[count_++] = fixture;
        return count_ < max_;
    }
    int count() const { return count_; }

private:
    bool overlapsOwnBox(const b2Fixture* fixture) const {
        const b2Shape* shape = fixture->GetShape();
        const b2Transform& xf = fixture->GetBody()->GetTransform();
        for (int32 child = 0; child < shape->GetChildCount(); ++child) {
            b2AABB own;
            shape->ComputeAABB(&own, xf, child);
            if (b2TestOverlap(own, box_)) return true;
        }
        return false;
    }

    b2AABB box_;
    Shape** shapes_;
    int max_;
    int count_ = 0;
};
}  // namespace

int queryArea(const b2World* world, const b2AABB& box, Shape** shapes, int maxCount) {
    if (maxCount <= 0) return 0;
    Collector collector(box, shapes, maxCount);
    world->QueryAABB(&collector, box);
    return collector.count();
}
