// The driver's figures: each run's cost gathered per case and engine variant, and the
// table and closing lines made of them. Engines are compared by the median of their
// runs' process CPU time, which a busy machine disturbs less than the wall clock.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace peer_bench {

// One case on one engine variant, over all rounds: per run, ms per frame.
struct Series {
    std::string caseName;
    std::string engine;   // "ours", "SFML", "LOVE"
    std::string variant;  // how the engine draws ("Sprite", "VertexArray", ...)
    std::vector<double> wallMs, cpuMs;
    // A loop paced by the engine itself: compared by CPU time per second of the run,
    // not per frame, as an engine that runs more frames than asked costs more.
    bool perSecond = false;
};

double minOf(const std::vector<double>& values);
double medianOf(std::vector<double> values);

// Each run's CPU cost: ms per frame, or ms per second for a loop.
std::vector<double> cpuCosts(const Series& s);

// The lowest CPU median of the engine's variants in a case; none without figures.
std::optional<double> bestCpuMedian(const std::vector<Series>& all, const std::string& caseName,
                                    const std::string& engine);

// One row per series, in the order given; a peer's row shows ours / its CPU median.
std::string formatTable(const std::vector<Series>& all);

// "label: ours/SFML R1, ours/LOVE R2": ours over each peer's best variant in the case.
std::string ratioLine(const std::vector<Series>& all, const std::string& label, const std::string& caseName);

}  // namespace peer_bench
