// The portable float functions against the C library's, on angles and ratios as
// the game feeds them.
#include "physics/portable_math.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

std::vector<float> inputs(float from, float to) {
    std::vector<float> v(1024);
    for (size_t i = 0; i < v.size(); ++i) {
        // A scrambled order, so that branches are not all predicted.
        const size_t k = (i * 617) % v.size();
        v[i] = from + (to - from) * static_cast<float>(k) / static_cast<float>(v.size());
    }
    return v;
}

template <class F>
void run(benchmark::State& state, float from, float to, F f) {
    const std::vector<float> in = inputs(from, to);
    for (auto _ : state) {
        float sum = 0.0f;
        for (const float x : in) sum += f(x);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(in.size()));
}

void PortableSin(benchmark::State& s) { run(s, -20.0f, 20.0f, [](float x) { return portable::sin(x); }); }
void LibmSin(benchmark::State& s) { run(s, -20.0f, 20.0f, [](float x) { return std::sin(x); }); }
void PortableCos(benchmark::State& s) { run(s, -20.0f, 20.0f, [](float x) { return portable::cos(x); }); }
void LibmCos(benchmark::State& s) { run(s, -20.0f, 20.0f, [](float x) { return std::cos(x); }); }
void PortableTan(benchmark::State& s) { run(s, -1.5f, 1.5f, [](float x) { return portable::tan(x); }); }
void LibmTan(benchmark::State& s) { run(s, -1.5f, 1.5f, [](float x) { return std::tan(x); }); }
void PortableAtan2(benchmark::State& s) {
    run(s, -50.0f, 50.0f, [](float x) { return portable::atan2(x, 31.0f - x); });
}
void LibmAtan2(benchmark::State& s) { run(s, -50.0f, 50.0f, [](float x) { return std::atan2(x, 31.0f - x); }); }
void PortableAcos(benchmark::State& s) { run(s, -1.0f, 1.0f, [](float x) { return portable::acos(x); }); }
void LibmAcos(benchmark::State& s) { run(s, -1.0f, 1.0f, [](float x) { return std::acos(x); }); }

BENCHMARK(PortableSin);
BENCHMARK(LibmSin);
BENCHMARK(PortableCos);
BENCHMARK(LibmCos);
BENCHMARK(PortableTan);
BENCHMARK(LibmTan);
BENCHMARK(PortableAtan2);
BENCHMARK(LibmAtan2);
BENCHMARK(PortableAcos);
BENCHMARK(LibmAcos);

}  // namespace
