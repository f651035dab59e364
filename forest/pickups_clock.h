// The clock on the dashboard: its hand shows how long until winter, one turn for
// the longest year.
#pragma once

#include "forest/cab_object.h"

class Clock : public CabObject {
public:
    // minutes: the year's time until winter.
    explicit Clock(float minutes);

    void update() override;
    void render() override;

    float hand = 0.0f;  // fraction of a turn; 1 when winter has come
};
