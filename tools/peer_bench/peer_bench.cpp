// The driver: runs the same workloads on our engine, SFML and LÖVE, each in its own
// process and in turn, round after round, then each engine's own 60 fps loop; prints
// the table, how far the game path's pictures differ between engines, and the three
// comparison lines last.
//   peer_bench [--rounds N] [--seconds T] [--loop-seconds T]
#include "tools/peer_bench/report.h"
#include "tools/peer_bench/workload.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

using namespace peer_bench;
namespace fs = std::filesystem;

namespace {

struct Peer {
    std::string engine;
    std::string command;  // without the per-run options
};

struct Runs {
    std::vector<Series> series;
    std::map<std::string, size_t> index;  // case|engine|variant -> series

    void add(const std::string& caseName, const std::string& engine, const std::string& variant, double wall,
             double cpu) {
        const std::string key = caseName + "|" + engine + "|" + variant;
        auto it = index.find(key);
        if (it == index.end()) {
            it = index.emplace(key, series.size()).first;
            series.push_back({caseName, engine, variant, {}, {}, caseName == LOOP_CASE});
        }
        series[it->second].wallMs.push_back(wall);
        series[it->second].cpuMs.push_back(cpu);
    }
};

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// Runs one engine's process and adds its RESULT lines; false (with its output on
// stderr) when it fails.
bool runEngine(const std::string& command, Runs& runs) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return false;
    std::string other;
    char buffer[1024];
    while (std::fgets(buffer, sizeof(buffer), pipe)) {
        std::istringstream line(buffer);
        std::string tag, caseName, engine, variant, frames, wall, cpu;
        if (std::getline(line, tag, '\t') && tag == "RESULT" && std::getline(line, caseName, '\t') &&
            std::getline(line, engine, '\t') && std::getline(line, variant, '\t') &&
            std::getline(line, frames, '\t') && std::getline(line, wall, '\t') && std::getline(line, cpu)) {
            runs.add(caseName, engine, variant, std::atof(wall.c_str()), std::atof(cpu.c_str()));
        } else {
            other += buffer;
        }
    }
    const int status = pclose(pipe);
    if (status != 0) std::fprintf(stderr, "failed (status %d): %s\n%s", status, command.c_str(), other.c_str());
    return status == 0;
}

std::vector<uint8_t> readShot(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() != static_cast<size_t>(WINDOW_W) * WINDOW_H * 4) bytes.clear();
    return bytes;
}

std::string comparePictures(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.empty() || b.empty()) return "no picture";
    long differing = 0;
    int largest = 0;
    for (size_t i = 0; i < a.size(); i += 4) {
        int d = 0;
        for (size_t k = 0; k < 3; ++k) d = std::max(d, std::abs(a[i + k] - b[i + k]));
        if (d) ++differing;
        largest = std::max(largest, d);
    }
    return std::to_string(differing) + " pixels differ (largest channel difference " + std::to_string(largest) +
           ")";
}

std::string gamePathName() {
    for (const BenchCase& c : benchCases()) {
        if (c.kind == CaseKind::GamePath) return c.name;
    }
    return "";
}

long drawnPixels(const std::vector<uint8_t>& rgba) {
    long drawn = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) drawn += (rgba[i] | rgba[i + 1] | rgba[i + 2]) != 0;
    return drawn;
}

int engineRank(const std::string& engine) { return engine == "ours" ? 0 : engine == "SFML" ? 1 : 2; }

int caseRank(const std::string& name) {
    const auto& cases = benchCases();
    for (size_t i = 0; i < cases.size(); ++i) {
        if (cases[i].name == name) return static_cast<int>(i);
    }
    return static_cast<int>(cases.size());  // the loop, last
}

std::string windowCaseName(int size, int count) {
    for (const BenchCase& c : benchCases()) {
        if (c.kind == CaseKind::Window && c.size == size && c.count == count) return c.name;
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    double seconds = 1.0, loopSeconds = LOOP_SECONDS;
    for (int i = 1; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds")) rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--seconds")) seconds = std::max(0.05, std::atof(argv[++i]));
        else if (!std::strcmp(argv[i], "--loop-seconds")) loopSeconds = std::max(0.5, std::atof(argv[++i]));
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    char tmpl[] = "/tmp/peer_bench.XXXXXX";
    if (!mkdtemp(tmpl)) {
        std::perror("peer_bench: temporary folder");
        return 1;
    }
    const fs::path tmp = tmpl;

    std::vector<Peer> engines{{"ours", quoted((bin / "peer_bench_ours").string())}};
    std::vector<std::string> skipped;
    if (access((bin / "peer_bench_sfml").c_str(), X_OK) == 0) {
        engines.push_back({"SFML", quoted((bin / "peer_bench_sfml").string())});
    } else {
        skipped.push_back("SFML (peer_bench_sfml was not built)");
    }
    std::error_code ec;
    const fs::path loveFolder = tmp / "love";
    fs::create_directory(loveFolder, ec);
    for (const char* name : {"main.lua", "conf.lua"}) {
        fs::copy_file(fs::path(PEER_BENCH_LOVE_SOURCE) / name, loveFolder / name, ec);
    }
    if (std::system("command -v love >/dev/null 2>&1") != 0) {
        skipped.push_back("LOVE (no love on the PATH)");
    } else if (ec || !writeLoveData(loveFolder.string())) {
        skipped.push_back("LOVE (its program folder could not be written)");
    } else {
        engines.push_back({"LOVE", "love " + quoted(loveFolder.string())});
    }

    Runs runs;
    std::map<std::string, std::vector<uint8_t>> shots;
    for (int round = 0; round < rounds; ++round) {
        // Each round starts with the next engine: none always runs first, or last.
        for (size_t k = 0; k < engines.size(); ++k) {
            const Peer& peer = engines[(static_cast<size_t>(round) + k) % engines.size()];
            std::fprintf(stderr, "round %d/%d: %s\n", round + 1, rounds, peer.engine.c_str());
            const fs::path shot = tmp / (peer.engine + ".rgba");
            std::string command = peer.command + " --seconds " + std::to_string(seconds);
            if (round == 0) command += " --shot " + quoted(shot.string());
            runEngine(command, runs);
            if (round == 0) shots[peer.engine] = readShot(shot);
        }
        for (size_t k = 0; k < engines.size(); ++k) {
            const Peer& peer = engines[(static_cast<size_t>(round) + k) % engines.size()];
            std::fprintf(stderr, "round %d/%d: %s, %s\n", round + 1, rounds, peer.engine.c_str(), LOOP_CASE);
            runEngine(peer.command + " --loop " + std::to_string(loopSeconds), runs);
        }
    }
    fs::remove_all(tmp, ec);

    std::stable_sort(runs.series.begin(), runs.series.end(), [](const Series& a, const Series& b) {
        const int ca = caseRank(a.caseName), cb = caseRank(b.caseName);
        return ca != cb ? ca < cb : engineRank(a.engine) < engineRank(b.engine);
    });
    std::printf("ms per frame (wall clock; cpu = the process's CPU time, medians over the rounds), %d rounds, "
                ">= %.2f s per case and run, %.1f s per loop\n",
                rounds, seconds, loopSeconds);
    std::printf("%s", formatTable(runs.series).c_str());
    for (const std::string& s : skipped) std::printf("skipped: %s\n", s.c_str());
    for (size_t i = 0; i < engines.size(); ++i) {
        std::printf("picture of the game path, %s: %ld of %d pixels not black\n", engines[i].engine.c_str(),
                    drawnPixels(shots[engines[i].engine]), WINDOW_W * WINDOW_H);
    }
    for (size_t i = 0; i < engines.size(); ++i) {
        for (size_t j = i + 1; j < engines.size(); ++j) {
            std::printf("picture of the game path, %s vs %s: %s\n", engines[i].engine.c_str(),
                        engines[j].engine.c_str(),
                        comparePictures(shots[engines[i].engine], shots[engines[j].engine]).c_str());
        }
    }
    std::printf("%s\n", ratioLine(runs.series, "game load", gamePathName()).c_str());
    std::printf("%s\n", ratioLine(runs.series, "30000 x 2px", windowCaseName(2, 30000)).c_str());
    std::printf("%s\n", ratioLine(runs.series, "60 fps CPU", LOOP_CASE).c_str());
    return 0;
}
