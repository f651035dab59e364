// Benchmarks tell what an update costs as a share of the 16.7 ms frame.
#pragma once

#include <benchmark/benchmark.h>

// Time per iteration in percent of the frame's 16.7 ms, and how many fit in one.
inline void reportFrameShare(benchmark::State& state) {
    const double frames = static_cast<double>(state.iterations()) / 60.0;
    state.counters["frame_pct"] =
        benchmark::Counter(frames / 100.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
}
