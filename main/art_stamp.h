// The game fetches its sprites and sounds by name once and keeps them for the run.
// Tools and tests may put another resource manager in place within one process:
// a cache keeps a stamp of the manager it was filled from and fills again when
// the manager changes (with nothing when there is none).
#pragma once

#include "engine/resources/resource_manager.h"
#include "main/game.h"

class ArtStamp {
public:
    // True on first use and whenever the resource manager is another one.
    bool stale() const { return !filled_ || serial_ != current(); }
    void fill() {
        filled_ = true;
        serial_ = current();
    }

private:
    static uint32_t current() { return resourceManager ? resourceManager->Serial() : 0; }
    bool filled_ = false;
    uint32_t serial_ = 0;
};
