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

// Raise it with every change that makes a recorded game play differently: demos
// carry the version that recorded them.
constexpr uint32_t SIMULATION_VERSION = 1;
// Updates between two checkpoints of a recorded game (main/round_state.h).
constexpr uint32_t CHECKPOINT_UPDATES = 600;

// After the records a file may carry a trailer: "TDck", the version of the
// simulation that recorded it, the updates between checkpoints and the
// checkpoints, each a hash of the round's state. A reader that stops after the
// records, as the plain format has it, reads such files unchanged.
class InputLog {
public:
    // Empties the log for a game this build records (as a new log is).
    void clear();
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

    // The version that recorded the log; 0 when unknown (a file without trailer).
    uint32_t version() const { return version_; }
    // checkpoints()[k] is the round's hash after update (k + 1) * interval.
    const std::vector<uint32_t>& checkpoints() const { return checkpoints_; }
    // Recording: whether the update just appended is one whose hash is kept.
    bool checkpointDue() const { return interval_ && !frames_.empty() && size() % interval_ == 0; }
    void addCheckpoint(uint32_t hash) { checkpoints_.push_back(hash); }
    // Replaying: the recorded hash after that many updates, if the log has one there.
    const uint32_t* checkpointAfter(uint32_t updates) const {
        if (!interval_ || updates == 0 || updates % interval_ != 0) return nullptr;
        const uint32_t k = updates / interval_ - 1;
        return k < checkpoints_.size() ? &checkpoints_[k] : nullptr;
    }

    // Ten hours of play at 60 frames per second.
    static constexpr uint32_t MAX_FRAMES = 10u * 3600u * 60u;

private:
    std::vector<InputFrame> frames_;
    std::vector<uint32_t> checkpoints_;
    uint32_t version_ = SIMULATION_VERSION;
    uint32_t interval_ = CHECKPOINT_UPDATES;
};

