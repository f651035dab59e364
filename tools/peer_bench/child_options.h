// The command line of one engine's process, as the driver starts it:
//   --seconds T   time each case for at least T seconds
//   --shot PATH   write one frame of the game's path as raw RGBA bytes (640 x 480)
//   --case NAME   run only this case (for profiling one workload)
//   --variant V   run only this way of drawing
//   --loop T      instead of the cases: the engine's own 60 fps loop for T seconds
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace peer_bench {

struct ChildOptions {
    double seconds = 1.0;
    std::string shot;
    std::string only, variant;
    double loopSeconds = 0;

    bool runs(const std::string& caseName) const { return only.empty() || only == caseName; }
    bool draws(const std::string& way) const { return variant.empty() || variant == way; }
};

inline ChildOptions parseChildOptions(int argc, char** argv) {
    ChildOptions o;
    for (int i = 1; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds")) o.seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--shot")) o.shot = argv[++i];
        else if (!std::strcmp(argv[i], "--case")) o.only = argv[++i];
        else if (!std::strcmp(argv[i], "--variant")) o.variant = argv[++i];
        else if (!std::strcmp(argv[i], "--loop")) o.loopSeconds = std::atof(argv[++i]);
    }
    return o;
}

inline bool writeShot(const std::string& path, const std::vector<uint8_t>& rgba) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(rgba.data(), 1, rgba.size(), f) == rgba.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace peer_bench
