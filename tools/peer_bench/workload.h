// The workloads every engine draws: the cases, one atlas and the sprites' places.
// Every engine takes them from here (LÖVE through the files the driver writes), so
// all draw the same pixels at the same places.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace peer_bench {

constexpr int WINDOW_W = 640;
constexpr int WINDOW_H = 480;
constexpr int ATLAS_SIZE = 256;
constexpr int TARGET_W = 320;
constexpr int TARGET_H = 240;

enum class CaseKind {
    Empty,     // clear the window and show it
    Window,    // sprites straight into the window
    GamePath,  // sprites into the 320 x 240 target, the target doubled into the window
};

struct BenchCase {
    std::string name;
    CaseKind kind;
    int size;   // sprite side in pixels
    int count;  // sprites per frame
};

// Where one sprite goes and which atlas cell (in units of its size) it shows.
struct Placement {
    int x, y;
    int cellX, cellY;
};

const std::vector<BenchCase>& benchCases();

// The case in which each engine runs its own frame loop limited to 60 frames a
// second, showing an empty frame; its figures are CPU per second of the run.
constexpr const char* LOOP_CASE = "60 fps loop";
constexpr int LOOP_FPS = 60;
constexpr double LOOP_SECONDS = 10.0;

// 256 x 256 RGBA bytes, top row first. Alpha is 0 or 255 only: every engine's
// default blending then gives the same colours, whatever it does with alpha.
std::vector<uint8_t> atlasRgba();

// The case's sprites, from a fixed seed per case, inside the window or the target.
std::vector<Placement> placements(const BenchCase& c);

// The data files for the LÖVE program: "atlas.rgba" (raw bytes) and "cases.txt"
// (per case a header line "name<TAB>kind<TAB>size<TAB>count", then one line of
// x y cellX cellY numbers). False when a file cannot be written.
bool writeLoveData(const std::string& folder);

}  // namespace peer_bench
