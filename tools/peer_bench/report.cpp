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

std::vector<double> cpuCosts(const Series& s) {
    std::vector<double> costs;
    for (size_t i = 0; i < s.cpuMs.size() && i < s.wallMs.size(); ++i) {
        if (!s.perSecond) {
            costs.push_back(s.cpuMs[i]);
        } else if (s.wallMs[i] > 0) {
            costs.push_back(s.cpuMs[i] / s.wallMs[i] * 1000.0);
        }
    }
    return costs;
}

std::optional<double> bestCpuMedian(const std::vector<Series>& all, const std::string& caseName,
                                    const std::string& engine) {
    std::optional<double> best;
    for (const Series& s : all) {
        if (s.caseName != caseName || s.engine != engine) continue;
        const std::vector<double> costs = cpuCosts(s);
        if (costs.empty()) continue;
        const double m = medianOf(costs);
        if (!best || m < *best) best = m;
    }
    return best;
}

std::string formatTable(const std::vector<Series>& all) {
    std::string out;
    char line[200];
    std::snprintf(line, sizeof(line), "%-12s %-26s %4s %8s %9s %9s %9s %9s\n", "case", "engine", "runs", "fps",
                  "wall med", "cpu min", "cpu med", "ours/peer");
    out += line;
    for (const Series& s : all) {
        const std::vector<double> costs = cpuCosts(s);
        const std::string ratio =
            s.engine == "ours" ? "" : ratioText(bestCpuMedian(all, s.caseName, "ours"), medianOf(costs));
        const double wall = medianOf(s.wallMs);
        std::snprintf(line, sizeof(line), "%-12s %-26s %4zu %8.1f %9.3f %9.3f %9.3f %9s%s\n", s.caseName.c_str(),
                      (s.engine + " " + s.variant).c_str(), s.wallMs.size(), wall > 0 ? 1000.0 / wall : 0.0,
                      wall, minOf(costs), medianOf(costs), ratio.c_str(), s.perSecond ? "  (cpu ms per s)" : "");
        out += line;
    }
    return out;
}

std::string ratioLine(const std::vector<Series>& all, const std::string& label, const std::string& caseName) {
    const std::optional<double> ours = bestCpuMedian(all, caseName, "ours");
    return label + ": ours/SFML " + ratioText(ours, bestCpuMedian(all, caseName, "SFML")) + ", ours/LOVE " +
           ratioText(ours, bestCpuMedian(all, caseName, "LOVE"));
}

}  // namespace peer_bench
