#include "tools/peer_bench/workload.h"

#include <cstdio>

namespace peer_bench {

namespace {

// A tiny generator of its own: the places must not depend on any library's.
class Lcg {
public:
    explicit Lcg(uint32_t seed) : state_(seed) {}
    uint32_t next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }

private:
    uint32_t state_;
};

uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

}  // namespace

const std::vector<BenchCase>& benchCases() {
    static const std::vector<BenchCase> cases = [] {
        std::vector<BenchCase> list;
        list.push_back({"empty frame", CaseKind::Empty, 0, 0});
        for (int size : {2, 32}) {
            for (int count : {1, 300, 3000, 30000}) {
                list.push_back({std::to_string(size) + "px x" + std::to_string(count), CaseKind::Window, size, count});
            }
        }
        list.push_back({"game path", CaseKind::GamePath, 16, 100});
        return list;
    }();
    return cases;
}

std::vector<uint8_t> atlasRgba() {
    std::vector<uint8_t> bytes(static_cast<size_t>(ATLAS_SIZE) * ATLAS_SIZE * 4);
    for (int y = 0; y < ATLAS_SIZE; ++y) {
        for (int x = 0; x < ATLAS_SIZE; ++x) {
            uint32_t h = hash(static_cast<uint32_t>(y * ATLAS_SIZE + x) + 1u);
            uint8_t* p = &bytes[(static_cast<size_t>(y) * ATLAS_SIZE + x) * 4];
            p[0] = static_cast<uint8_t>(h);
            p[1] = static_cast<uint8_t>(h >> 8);
            p[2] = static_cast<uint8_t>(h >> 16);
            p[3] = (h >> 24) % 4 == 0 ? 0 : 255;  // a quarter of the texels are holes
        }
    }
    return bytes;
}

std::vector<Placement> placements(const BenchCase& c) {
    std::vector<Placement> out;
    if (c.kind == CaseKind::Empty) return out;
    const int areaW = c.kind == CaseKind::GamePath ? TARGET_W : WINDOW_W;
    const int areaH = c.kind == CaseKind::GamePath ? TARGET_H : WINDOW_H;
    const int cells = ATLAS_SIZE / c.size;
    Lcg rng(0x5eed0000u + static_cast<uint32_t>(c.size * 100000 + c.count));
    out.reserve(static_cast<size_t>(c.count));
    for (int i = 0; i < c.count; ++i) {
        Placement p;
        p.x = rng.below(areaW - c.size + 1);
        p.y = rng.below(areaH - c.size + 1);
        p.cellX = rng.below(cells);
        p.cellY = rng.below(cells);
        out.push_back(p);
    }
    return out;
}

bool writeLoveData(const std::string& folder) {
    std::vector<uint8_t> atlas = atlasRgba();
    FILE* f = std::fopen((folder + "/atlas.rgba").c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(atlas.data(), 1, atlas.size(), f) == atlas.size();
    ok = std::fclose(f) == 0 && ok;
    f = std::fopen((folder + "/cases.txt").c_str(), "w");
    if (!f) return false;
    for (const BenchCase& c : benchCases()) {
        std::fprintf(f, "%s\t%d\t%d\t%d\n", c.name.c_str(), static_cast<int>(c.kind), c.size, c.count);
        for (const Placement& p : placements(c)) std::fprintf(f, "%d %d %d %d ", p.x, p.y, p.cellX, p.cellY);
        std::fputc('\n', f);
    }
    return std::fclose(f) == 0 && ok;
}

}  // namespace peer_bench
