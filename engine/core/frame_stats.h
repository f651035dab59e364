// The cost of each frame over a run (update, draw, present), for a developer who
// asks for it (TIMBERDRIVE_FRAME_STATS=1): recorded into room taken at the start, so
// the frame itself allocates nothing, and summed up at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FrameStats {
public:
    enum Part { UPDATE, DRAW, PRESENT };

    // Takes room for the last `capacity` frames; 0 switches recording off.
    void start(size_t capacity);
    bool recording() const { return !update_.empty(); }
    // One frame's parts in microseconds; the oldest frame gives way when the room is full.
    void add(uint32_t updateUs, uint32_t drawUs, uint32_t presentUs);
    size_t frames() const { return count_; }
    // The q-quantile (0..1) of one part over the recorded frames, in microseconds.
    uint32_t quantileOf(Part part, double q) const;

    // "N frames, ms median / 95th percentile: update a / b, draw c / d, present e / f".
    std::string summary() const;

    // The q-quantile (0..1) of the values, nearest rank; 0 for none.
    static uint32_t quantile(std::vector<uint32_t> values, double q);

private:
    std::vector<uint32_t> update_, draw_, present_;
    size_t next_ = 0;
    size_t count_ = 0;
};
