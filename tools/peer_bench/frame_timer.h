// The measuring loop of the engines driven from C++: warm up, then time whole frames
// (drawing, showing and the window's events) by the wall clock and by the process's
// CPU time, which includes the software renderer's threads.
#pragma once

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace peer_bench {

struct FrameCost {
    int frames = 0;
    double wallMs = 0;  // per frame
    double cpuMs = 0;   // per frame
};

inline double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

inline double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

constexpr int WARMUP_FRAMES = 5;
constexpr double WARMUP_SECONDS = 0.2;
constexpr int MIN_FRAMES = 10;

// Runs frame() until at least MIN_FRAMES frames and `seconds` have passed.
template <class Frame>
FrameCost measureFrames(Frame&& frame, double seconds) {
    const double warmStart = wallSeconds();
    for (int i = 0; i < WARMUP_FRAMES || wallSeconds() - warmStart < WARMUP_SECONDS; ++i) frame();
    FrameCost cost;
    const double wall0 = wallSeconds(), cpu0 = cpuSeconds();
    double wall = 0;
    while (cost.frames < MIN_FRAMES || wall < seconds) {
        frame();
        ++cost.frames;
        wall = wallSeconds() - wall0;
    }
    cost.wallMs = wall * 1000.0 / cost.frames;
    cost.cpuMs = (cpuSeconds() - cpu0) * 1000.0 / cost.frames;
    return cost;
}

// A frame loop paced by the engine itself: pass() runs one pass (returning true to
// stop early) until `seconds` have passed; counts and times the passes.
template <class Pass>
FrameCost measureLoop(Pass&& pass, double seconds) {
    FrameCost cost;
    const double wall0 = wallSeconds(), cpu0 = cpuSeconds();
    double wall = 0;
    while (wall < seconds) {
        if (pass()) break;
        ++cost.frames;
        wall = wallSeconds() - wall0;
    }
    if (cost.frames > 0) {
        cost.wallMs = wall * 1000.0 / cost.frames;
        cost.cpuMs = (cpuSeconds() - cpu0) * 1000.0 / cost.frames;
    }
    return cost;
}

// The line the driver reads; the LÖVE program prints the same.
inline void printResult(const std::string& caseName, const char* engine, const char* variant,
                        const FrameCost& cost) {
    std::printf("RESULT\t%s\t%s\t%s\t%d\t%.4f\t%.4f\n", caseName.c_str(), engine, variant, cost.frames,
                cost.wallMs, cost.cpuMs);
    std::fflush(stdout);
}

}  // namespace peer_bench
