#include "tools/peer_bench/report.h"

#include <algorithm>
#include <cstdio>

namespace peer_bench {

namespace {

std::string ratioText(std::optional<double> ours, std::optional<double> peer) {
    if (!ours || !peer || *peer <= 0) return "n/a";
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", *ours / *peer);
    return text;
}

}  // namespace

double minOf(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double medianOf(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::optional<double> bestMin(const std::vector<Series>& all, const std::string& caseName, const std::string& engine) {
    std::optional<double> best;
    for (const Series& s : all) {
        if (s.caseName != caseName || s.engine != engine || s.wallMs.empty()) continue;
        const double m = minOf(s.wallMs);
        if (!best || m < *best) best = m;
    }
    return best;
}

std::string formatTable(const std::vector<Series>& all) {
    std::string out;
    char line[160];
    std::snprintf(line, sizeof(line), "%-12s %-18s %5s %9s %9s %9s %9s %9s\n", "case", "engine", "runs", "min ms",
                  "median ms", "cpu min", "cpu med", "ours/peer");
    out += line;
    for (const Series& s : all) {
        const std::string ratio =
            s.engine == "ours" ? "" : ratioText(bestMin(all, s.caseName, "ours"), minOf(s.wallMs));
        std::snprintf(line, sizeof(line), "%-12s %-18s %5zu %9.3f %9.3f %9.3f %9.3f %9s\n", s.caseName.c_str(),
                      (s.engine + " " + s.variant).c_str(), s.wallMs.size(), minOf(s.wallMs), medianOf(s.wallMs),
                      minOf(s.cpuMs), medianOf(s.cpuMs), ratio.c_str());
        out += line;
    }
    return out;
}

std::string gameLoadLine(const std::vector<Series>& all, const std::string& gameCase) {
    const std::optional<double> ours = bestMin(all, gameCase, "ours");
    return "game load: ours/SFML " + ratioText(ours, bestMin(all, gameCase, "SFML")) + ", ours/LOVE " +
           ratioText(ours, bestMin(all, gameCase, "LOVE"));
}

}  // namespace peer_bench
