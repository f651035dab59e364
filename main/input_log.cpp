#include "main/input_log.h"

#include <cstdio>
#include <cstring>

namespace {

void putU32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

uint32_t getU32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint32_t floatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

float bitsFloat(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

}  // namespace

void InputLog::append(const InputFrame& frame) {
    if (frames_.size() == frames_.capacity()) frames_.reserve(frames_.size() + frames_.size() / 2 + 1);
    frames_.push_back(frame);
}

bool InputLog::save(const char* path, uint32_t seed) const {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    if (!frames_.empty()) {
        std::vector<unsigned char> out(8 + 12 * frames_.size());
        putU32(&out[0], seed);
        putU32(&out[4], size());
        unsigned char* p = &out[8];
        for (const InputFrame& r : frames_) {
            putU32(p, floatBits(r.dx));
            putU32(p + 4, floatBits(r.dy));
            putU32(p + 8, r.buttons);
            p += 12;
        }
        std::fwrite(out.data(), 1, out.size(), f);
    }
    std::fclose(f);
    return true;
}

bool InputLog::load(const char* path, uint32_t* seed) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    unsigned char head[4];
    uint32_t oldSeed = *seed;
    if (std::fread(head, 1, 4, f) == 4) {
        *seed = getU32(head);
    } else {
        // An empty file leaves the seed and empties the log.
        frames_.clear();
        std::fclose(f);
        return true;
    }
    uint32_t count = std::fread(head, 1, 4, f) == 4 ? getU32(head) : 0;
    if (count > MAX_FRAMES) {
        *seed = oldSeed;
        std::fclose(f);
        return false;
    }
    frames_.assign(count, InputFrame{0.0f, 0.0f, 0});
    unsigned char rec[12];
    for (uint32_t i = 0; i < count && std::fread(rec, 1, 12, f) == 12; ++i) {
        frames_[i].dx = bitsFloat(getU32(rec));
        frames_[i].dy = bitsFloat(getU32(rec + 4));
        frames_[i].buttons = getU32(rec + 8);
    }
    std::fclose(f);
    return true;
}
