#include "forest/depth_order.h"

#include <algorithm>

namespace {
bool fartherAhead(const ForestObject* a, const ForestObject* b) { return a->localY > b->localY; }
}  // namespace

void sortFarthestFirst(std::vector<ForestObject*>& objects, std::vector<ForestObject*>& scratch) {
    scratch.assign(objects.begin(), objects.end());
    const size_t n = objects.size();
    for (size_t i = 1; i < n; ++i) {
        ForestObject* o = objects[i];
        size_t j = i;
        for (; j > 0 && fartherAhead(o, objects[j - 1]); --j) objects[j] = objects[j - 1];
        objects[j] = o;
    }
    // Without two equally far neighbours the order is the only one there is.
    // (A NaN is equally far as anything.)
    for (size_t i = 1; i < n; ++i) {
        if (!fartherAhead(objects[i - 1], objects[i])) {
            objects.assign(scratch.begin(), scratch.end());
            std::sort(objects.begin(), objects.end(), fartherAhead);
            return;
        }
    }
}
