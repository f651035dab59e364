#include "main/input_log.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void putU32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

uint32_t getU32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint32_t floatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

float bitsFloat(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// Movement that is not a number would poison the paw, and through it the cab and
// the forest, for the rest of the game.
float movement(uint32_t u) {
    const float f = bitsFloat(u);
    return std::isfinite(f) ? f : 0.0f;
}

const unsigned char TRAILER_MAGIC[4] = {'T', 'D', 'c', 'k'};

}  // namespace

void InputLog::clear() {
    frames_.clear();
    checkpoints_.clear();
    version_ = SIMULATION_VERSION;
    interval_ = CHECKPOINT_UPDATES;
}

void InputLog::append(const InputFrame& frame) {
    if (frames_.size() == frames_.capacity()) frames_.reserve(frames_.size() + frames_.size() / 2 + 1);
    frames_.push_back(frame);
}

bool InputLog::save(const char* path, uint32_t seed, std::string* why, std::string* brief) const {
    auto fail = [why, brief, path](const char* what, int err) {
        if (why) *why = std::string(what) + " " + path + (err ? std::string(": ") + std::strerror(err) : "");
        if (brief) *brief = err ? std::strerror(err) : "not a plain file";
        return false;
    };
    if (!path || !*path) {
        if (why) *why = "no file name given";
        if (brief) *brief = "no file name";
        return false;
    }
    // Only a plain file is replaced: renaming over a device or a folder would
    // destroy it or fail after the work is done.
    struct stat old;
    const bool exists = stat(path, &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return fail("not a plain file:", 0);

    // Through a link, the file it names is the one replaced, and the link stays.
    std::string target = path;
    if (exists) {
        if (char* real = realpath(path, nullptr)) {
            target = real;
            std::free(real);
        }
    }
    std::string temp = target + ".XXXXXX";
    const int fd = mkstemp(&temp[0]);
    if (fd < 0) return fail("cannot create a temporary file beside", errno);
    // mkstemp makes the file private; give it the old file's permissions, or a
    // new file's.
    mode_t mode = old.st_mode & 07777;
    if (!exists) {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);

    std::vector<unsigned char> out;
    if (!frames_.empty()) {
        // A log of unknown origin gets no trailer: it would claim a version.
        const bool trailer = version_ && interval_;
        const size_t marks = trailer ? std::min<size_t>(checkpoints_.size(), size() / interval_) : 0;
        out.resize(8 + 12 * frames_.size() + (trailer ? 16 + 4 * marks : 0));
        putU32(&out[0], seed);
        putU32(&out[4], size());
        unsigned char* p = &out[8];
        for (const InputFrame& r : frames_) {
            putU32(p, floatBits(r.dx));
            putU32(p + 4, floatBits(r.dy));
            putU32(p + 8, r.buttons);
            p += 12;
        }
        if (trailer) {
            std::memcpy(p, TRAILER_MAGIC, 4);
            putU32(p + 4, version_);
            putU32(p + 8, interval_);
            putU32(p + 12, static_cast<uint32_t>(marks));
            p += 16;
            for (size_t k = 0; k < marks; ++k, p += 4) putU32(p, checkpoints_[k]);
        }
    }
    int err = 0;
    for (size_t done = 0; done < out.size() && !err;) {
        const ssize_t n = write(fd, out.data() + done, out.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            err = errno;
        } else if (n == 0) {
            err = EIO;
        }
    }
    if (!err && fsync(fd) != 0) err = errno;
    if (close(fd) != 0 && !err) err = errno;
    if (!err && rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err) {
        unlink(temp.c_str());
        return fail("cannot write", err);
    }
    return true;
}

bool InputLog::load(const char* path, uint32_t* seed) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    unsigned char head[4];
    uint32_t oldSeed = *seed;
    if (std::fread(head, 1, 4, f) == 4) {
        *seed = getU32(head);
    } else {
        // An empty file leaves the seed and empties the log.
        frames_.clear();
        checkpoints_.clear();
        version_ = interval_ = 0;
        std::fclose(f);
        return true;
    }
    uint32_t count = std::fread(head, 1, 4, f) == 4 ? getU32(head) : 0;
    if (count > MAX_FRAMES) {
        *seed = oldSeed;
        std::fclose(f);
        return false;
    }
    frames_.assign(count, InputFrame{0.0f, 0.0f, 0});
    unsigned char rec[12];
    uint32_t read = 0;
    for (; read < count && std::fread(rec, 1, 12, f) == 12; ++read) {
        frames_[read].dx = movement(getU32(rec));
        frames_[read].dy = movement(getU32(rec + 4));
        frames_[read].buttons = getU32(rec + 8);
    }
    // The trailer counts only whole and consistent; anything else after the
    // records is not ours to judge.
    checkpoints_.clear();
    version_ = interval_ = 0;
    unsigned char t[16];
    if (read == count && std::fread(t, 1, 16, f) == 16 && !std::memcmp(t, TRAILER_MAGIC, 4)) {
        const uint32_t version = getU32(t + 4), interval = getU32(t + 8), marks = getU32(t + 12);
        std::vector<unsigned char> words;
        if (version && interval && marks <= count / interval) {
            words.resize(4 * static_cast<size_t>(marks));
            if (std::fread(words.data(), 1, words.size(), f) == words.size()) {
                version_ = version;
                interval_ = interval;
                for (uint32_t k = 0; k < marks; ++k) checkpoints_.push_back(getU32(&words[4 * k]));
            }
        }
    }
    std::fclose(f);
    return true;
}
