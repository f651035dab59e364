// The portable float functions against the C library's, on angles and ratios as
// the game feeds them.
#include "physics/portable_math.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// random = 0: a stride through the range that repeats every 1024 calls, which a
// processor's branch predictor learns; random = 1: 16384 calls in random order,
// so that branches on the quadrant are as unpredictable as they come.
std::vector<float> inputs(float from, float to, bool random) {
    std::vector<float> v(random ? 16384 : 1024);
    uint32_t seed = 12345;
    for (size_t i = 0; i < v.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const size_t k = random ? seed >> 22 : (i * 617) % 1024;
        v[i] = from + (to - from) * static_cast<float>(k) / 1024.0f;
    }
    return v;
}

constexpr double FRAME_SECONDS = 1.0 / 60.0;

// Calls per update in the title demo (counted): frame_share is what they cost
// of the 16.7 ms frame at the measured speed.
constexpr double SIN_OR_COS_PER_UPDATE = 338.0;
constexpr double ATAN2_PER_UPDATE = 47.0;
constexpr double ACOS_PER_UPDATE = 1.5;

template <class F>
void run(benchmark::State& state, float from, float to, double perUpdate, F f) {
    const std::vector<float> in = inputs(from, to, state.range(0) != 0);
    for (auto _ : state) {
        float sum = 0.0f;
        for (const float x : in) sum += f(x);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(in.size()));
    if (perUpdate > 0.0) {
        state.counters["frame_share"] =
            benchmark::Counter(static_cast<double>(in.size()) * FRAME_SECONDS / perUpdate,
                               benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    }
}

// The portable function and the C library's, on the same inputs.
#define PAIR(NAME, FROM, TO, PER_UPDATE, CALL)                                \
    void Portable##NAME(benchmark::State& s) {                                \
        run(s, FROM, TO, PER_UPDATE, [](float x) { return portable::CALL; }); \
    }                                                                         \
    void Libm##NAME(benchmark::State& s) {                                    \
        run(s, FROM, TO, PER_UPDATE, [](float x) { return std::CALL; });      \
    }                                                                         \
    BENCHMARK(Portable##NAME)->ArgName("random")->Arg(0)->Arg(1);             \
    BENCHMARK(Libm##NAME)->ArgName("random")->Arg(0)->Arg(1);

PAIR(Sin, -20.0f, 20.0f, SIN_OR_COS_PER_UPDATE, sin(x))
PAIR(Cos, -20.0f, 20.0f, SIN_OR_COS_PER_UPDATE, cos(x))
PAIR(Tan, -1.5f, 1.5f, 0.0, tan(x))
PAIR(Atan2, -50.0f, 50.0f, ATAN2_PER_UPDATE, atan2(x, 31.0f - x))
PAIR(Acos, -1.0f, 1.0f, ACOS_PER_UPDATE, acos(x))

}  // namespace
