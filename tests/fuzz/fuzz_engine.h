// The one Engine of a fuzz target: headless, silent, started on first use. A target
// whose engine does not start stops at once rather than fuzz a dead one.
#pragma once

#include "engine/engine.h"

#include <cstdlib>

inline Engine* fuzzEngine() {
    static Engine* e = [] {
        Engine* created = engineCreateHeadless(ENGINE_VERSION);
        created->System_SetState(STATE_SOUND, false);
        if (!created->System_Initiate()) std::abort();
        return created;
    }();
    return e;
}
