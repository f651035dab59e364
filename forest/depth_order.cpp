#include "forest/depth_order.h"

namespace {
bool drawnBefore(const ForestObject* a, const ForestObject* b) {
    if (a->localY > b->localY) return true;
    if (a->localY < b->localY) return false;
    return a->creationIndex < b->creationIndex;
}
}  // namespace

void sortFarthestFirst(std::vector<ForestObject*>& objects) {
    const size_t n = objects.size();
    for (size_t i = 1; i < n; ++i) {
        ForestObject* o = objects[i];
        size_t j = i;
        for (; j > 0 && drawnBefore(o, objects[j - 1]); --j) objects[j] = objects[j - 1];
        objects[j] = o;
    }
}
