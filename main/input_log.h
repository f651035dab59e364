// One recorded frame of play and the log of a whole game, with the demo files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct InputFrame {
    float dx;
    float dy;
    uint32_t buttons;  // 1 left went down, 2 left went up (only without 1), 4 right went down
};
static_assert(sizeof(InputFrame) == 12, "InputFrame is 12 bytes in the demo file");

constexpr uint32_t INPUT_LEFT_DOWN = 1;
constexpr uint32_t INPUT_LEFT_UP = 2;
constexpr uint32_t INPUT_RIGHT_DOWN = 4;

class InputLog {
public:
    void clear() { frames_.clear(); }
    void append(const InputFrame& frame);
    uint32_t size() const { return static_cast<uint32_t>(frames_.size()); }
    bool empty() const { return frames_.empty(); }
    const InputFrame& operator[](uint32_t i) const { return frames_[i]; }

    // Writes seed, count and records; an empty log leaves an empty file. The
    // records go to a temporary file beside the target, which replaces the target
    // only once all of it is written and closed. False, with the reason in why
    // (and in brief without the file's name, for the player), when that fails;
    // the old file is then as it was. Temporaries that killed saves left beside
    // the target are removed first.
    bool save(const char* path, uint32_t seed, std::string* why = nullptr, std::string* brief = nullptr) const;
    // Replaces the log and the seed from the file. A file that cannot be opened,
    // or is not a plain file, changes nothing; short records read as zero, and so does movement that is
    // not a finite number. A count beyond what a game can
    // record is refused (false) and leaves log and seed as they were.
    bool load(const char* path, uint32_t* seed);

    // Ten hours of play at 60 frames per second.
    static constexpr uint32_t MAX_FRAMES = 10u * 3600u * 60u;

private:
    std::vector<InputFrame> frames_;
};
