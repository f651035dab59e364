// Stand-ins until the badger and the bee exist: no animal falls in and no head
// catches anything. The animals' own file replaces this one.
#include "forest/animals.h"

CabObject* newBadger() { return nullptr; }
CabObject* newBee() { return nullptr; }
int livingBadgers() { return 0; }
void badgerCatches(CabObject* badger, b2Body* food) {
    (void)badger;
    (void)food;
}
