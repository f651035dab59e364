// The driver's figures: each run's ms per frame gathered per case and engine, and the
// table and closing line made of them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace peer_bench {

// One case on one engine variant, over all rounds.
struct Series {
    std::string caseName;
    std::string engine;   // "ours", "SFML", "LOVE"
    std::string variant;  // how the engine draws ("Sprite", "VertexArray", ...)
    std::vector<double> wallMs, cpuMs;
};

double minOf(const std::vector<double>& values);
double medianOf(std::vector<double> values);

// The lowest min of the engine's variants in a case; none when the engine has no figures.
std::optional<double> bestMin(const std::vector<Series>& all, const std::string& caseName, const std::string& engine);

// One row per series, in the order given; a peer's row shows ours / its min.
std::string formatTable(const std::vector<Series>& all);

// "game load: ours/SFML R1, ours/LOVE R2": the game's path, each peer by its best variant.
std::string gameLoadLine(const std::vector<Series>& all, const std::string& gameCase);

}  // namespace peer_bench
