#include "engine/core/frame_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void FrameStats::start(size_t capacity) {
    update_.assign(capacity, 0);
    draw_.assign(capacity, 0);
    present_.assign(capacity, 0);
    next_ = count_ = 0;
}

void FrameStats::add(uint32_t updateUs, uint32_t drawUs, uint32_t presentUs) {
    if (update_.empty()) return;
    update_[next_] = updateUs;
    draw_[next_] = drawUs;
    present_[next_] = presentUs;
    next_ = (next_ + 1) % update_.size();
    count_ = std::min(count_ + 1, update_.size());
}

uint32_t FrameStats::quantile(std::vector<uint32_t> values, double q) {
    if (values.empty()) return 0;
    // Nearest rank: the smallest value with at least q of them at or below it.
    size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(values.size())));
    rank = std::min(std::max<size_t>(rank, 1), values.size()) - 1;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(rank), values.end());
    return values[rank];
}

uint32_t FrameStats::quantileOf(Part part, double q) const {
    const std::vector<uint32_t>& all = part == UPDATE ? update_ : part == DRAW ? draw_ : present_;
    // Before the room is full the recorded frames are its start.
    return quantile(std::vector<uint32_t>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count_)), q);
}

std::string FrameStats::summary() const {
    std::string out = std::to_string(count_) + " frames, ms median / 95th percentile:";
    const char* names[3] = {"update", "draw", "present"};
    for (int i = 0; i < 3; ++i) {
        char text[80];
        std::snprintf(text, sizeof(text), "%s %s %.3f / %.3f", i ? "," : "", names[i],
                      quantileOf(static_cast<Part>(i), 0.5) / 1000.0, quantileOf(static_cast<Part>(i), 0.95) / 1000.0);
        out += text;
    }
    return out;
}
