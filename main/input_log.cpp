#include "main/input_log.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

// Whether name is base followed by "." and the six characters mkstemp puts there.
bool isTemporaryOf(const char* name, const std::string& base) {
    if (std::strncmp(name, base.c_str(), base.size()) != 0 || name[base.size()] != '.') return false;
    const char* tail = name + base.size() + 1;
    for (int i = 0; i < 6; ++i) {
        const unsigned char c = static_cast<unsigned char>(tail[i]);
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    }
    return tail[6] == '\0';
}

// Removes the temporaries of saves that were killed before their rename. A save in
// progress holds a lock on its temporary, so another game's is left alone.
void removeStaleTemporaries(const std::string& folder, const std::string& base) {
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return;
    DIR* d = fdopendir(dirFd);
    if (!d) {
        close(dirFd);
        return;
    }
    while (const dirent* e = readdir(d)) {
        if (!isTemporaryOf(e->d_name, base)) continue;
        const int fd = openat(dirFd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
            flock(fd, LOCK_EX | LOCK_NB) == 0) {
            unlinkat(dirFd, e->d_name, 0);
        }
        close(fd);
    }
    closedir(d);
}

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
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    removeStaleTemporaries(folder, base);

    std::string temp = target + ".XXXXXX";
    const int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) return fail("cannot create a temporary file beside", errno);
    flock(fd, LOCK_EX);
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
    // The rename is only kept over a power cut once the folder is written too.
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

bool InputLog::load(const char* path, uint32_t* seed) {
    // Only a plain file is read: a folder or a device is no saved game, and a pipe
    // would block the game until someone writes to it.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    FILE* f = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? fdopen(fd, "rb") : nullptr;
    if (!f) {
        close(fd);
        return false;
    }
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
    uint32_t got = 0;
    for (; got < count && std::fread(rec, 1, 12, f) == 12; ++got) {
        frames_[got].dx = movement(getU32(rec));
        frames_[got].dy = movement(getU32(rec + 4));
        frames_[got].buttons = getU32(rec + 8);
    }
    // The trailer counts only whole and consistent; anything else after the
    // records is not ours to judge.
    checkpoints_.clear();
    version_ = interval_ = 0;
    unsigned char t[16];
    if (got == count && std::fread(t, 1, 16, f) == 16 && !std::memcmp(t, TRAILER_MAGIC, 4)) {
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
