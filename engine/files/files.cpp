// The file group: Resource_Load from packs (newest first) and then the disk, full
// paths under the program folder, the one shared file enumeration, and the ini
// file through the engine's own reader and writer.
#include "engine/files/files.h"

#include "engine/core/copy_text.h"
#include "engine/files/ini.h"
#include "engine/files/pack.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// An ini file is small; one that is not is not read (and so not rewritten either).
constexpr size_t INI_SIZE_MAX = 1u << 20;

struct Pack {
    char key[ENGINE_PATH_MAX];   // the full path upper-cased: what identifies the pack
    char path[ENGINE_PATH_MAX];  // the full path as given, to open it
    char password[PACK_PASSWORD_MAX];
    std::unique_ptr<PackIndex> index;
};

bool isAbsoluteName(const char* name) {
    return name[0] == '\\' || name[0] == '/' || (name[0] && name[1] == ':');
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// '*' any run of characters, '?' exactly one; ASCII case does not matter. The
// backtracking is linear per star, so hostile patterns cannot blow up.
bool wildcardMatch(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && lowerAscii(*pattern) == lowerAscii(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

// Reads a whole regular file of at most `limit` bytes into a malloc'd block.
enum class ReadResult { Ok, Missing, Failed };
ReadResult readWholeFile(const char* path, size_t limit, char** data, size_t* size) {
    // Non-blocking: opening a FIFO must not wait for a writer. Only regular files are read.
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<unsigned long long>(st.st_size) > limit) {
        ::close(fd);
        return ReadResult::Failed;
    }
    size_t want = static_cast<size_t>(st.st_size);
    char* block = static_cast<char*>(std::malloc(want ? want : 1));
    size_t got = 0;
    while (block && got < want) {
        ssize_t n = ::read(fd, block + got, want - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // an error, or the file shrank under us
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (!block || got != want) {
        std::free(block);
        return ReadResult::Failed;
    }
    *data = block;
    *size = want;
    return ReadResult::Ok;
}

// Writes the whole text beside the file and renames it over, so that a failed
// write never leaves a half ini file behind.
bool writeFileAtomically(const char* path, const std::string& text) {
    std::string temp = std::string(path) + ".tmp~";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    bool ok = done == text.size();
    if (::close(fd) != 0) ok = false;
    if (ok && std::rename(temp.c_str(), path) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace

struct Files::State {
    char path[ENGINE_PATH_MAX] = "";        // Resource_FullPath's result
    char iniResult[ENGINE_TEXT_MAX] = "";   // Ini_GetString's result
    std::vector<Pack> packs;                // newest first

    // The one enumeration: its entries are read when it starts, sorted by name so
    // that every run sees the same order.
    struct Entry {
        std::string name;
        bool folder;
    };
    bool enumerating = false;
    std::vector<Entry> entries;
    size_t next = 0;
    char found[ENGINE_PATH_MAX] = "";  // the record whose name is returned
};

Files::Files(EngineContext& ctx) : ctx_(ctx), s_(new State) {
    // A write past the file size limit (ulimit -f) must fail with EFBIG, for the
    // writer to report and to remove its temporary file, not end the program. A
    // handler the program set itself stays.
    struct sigaction current {};
    if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) std::signal(SIGXFSZ, SIG_IGN);
}
Files::~Files() = default;

// ---------------------------------------------------------------------------------
// Paths and loading.

char* Files::fullPath(const char* filename) {
    char* out = s_->path;
    // The name may be this very buffer, handed back by a caller: read it first.
    std::string name = filename ? filename : "";
    const char* prefix = (!filename || !isAbsoluteName(filename)) ? ctx_.programFolder : "";
    int n = std::snprintf(out, ENGINE_PATH_MAX, "%s%s", prefix, name.c_str());
    // A path that does not fit is not cut to some other file's name: it becomes
    // empty, which nothing opens.
    if (n < 0 || n >= ENGINE_PATH_MAX) {
        out[0] = '\0';
        return out;
    }
    for (char* p = out; *p; ++p) {
        if (*p == '\\') *p = '/';
    }
    return out;
}

void* Files::load(const char* filename, uint32_t* size) {
    // The name may be our own path buffer, which fullPath overwrites.
    char name[ENGINE_PATH_MAX];
    bool fits = filename && std::strlen(filename) < sizeof(name);
    copyText(name, sizeof(name), fits ? filename : "");
    if (size) *size = 0;
    if (!fits) {
        ctx_.postError("Can't load resource: %s", filename ? filename : "");
        return nullptr;
    }

    if (!isAbsoluteName(name)) {
        char key[PACK_NAME_MAX];
        if (packNormalizeName(name, key, sizeof(key))) {
            for (const Pack& pack : s_->packs) {
                void* block = nullptr;
                uint32_t n = 0;
                PackResult r = pack.index->load(pack.password, key, &block, &n);
                if (r == PackResult::NotFound) continue;
                if (r == PackResult::Failed) {
                    // A pack that holds the name but cannot give it: the disk is not tried.
                    ctx_.postError("Can't load resource: %s", name);
                    return nullptr;
                }
                if (size) *size = n;
                return block;
            }
        }
    }

    char* data = nullptr;
    size_t n = 0;
    const char* path = fullPath(name);
    if (!path[0] || readWholeFile(path, RESOURCE_SIZE_MAX, &data, &n) != ReadResult::Ok) {
        ctx_.postError("Can't load resource: %s", name);
        return nullptr;
    }
    if (size) *size = static_cast<uint32_t>(n);
    return data;
}

void Files::free(void* block) { std::free(block); }

// ---------------------------------------------------------------------------------
// Packs.

bool Files::addPack(const char* filename, const char* password) {
    // Every refusal says why, after the one text of the file group.
    auto refuse = [&](const char* why) {
        ctx_.postError("Can't load resource: %s: %s", filename ? filename : "", why);
        return false;
    };
    if (!filename) return refuse("no name");
    if (password && std::strlen(password) >= PACK_PASSWORD_MAX) return refuse("password too long");  // never cut
    Pack pack;
    const char* path = fullPath(filename);
    if (!path[0]) return refuse("path too long");
    copyText(pack.path, sizeof(pack.path), path);
    packNormalizeName(pack.path, pack.key, sizeof(pack.key));
    copyText(pack.password, sizeof(pack.password), password);
    for (const Pack& p : s_->packs) {
        if (std::strcmp(p.key, pack.key) == 0) return refuse("already attached");
    }
    std::string why;
    pack.index = PackIndex::open(pack.path, &why);
    if (!pack.index) return refuse(why.c_str());
    s_->packs.insert(s_->packs.begin(), std::move(pack));
    return true;
}

void Files::dropPack(const char* filename) {
    if (!filename) return;
    const char* path = fullPath(filename);
    if (!path[0]) return;
    char key[ENGINE_PATH_MAX];
    packNormalizeName(path, key, sizeof(key));
    auto& packs = s_->packs;
    packs.erase(std::remove_if(packs.begin(), packs.end(),
                               [&](const Pack& p) { return std::strcmp(p.key, key) == 0; }),
                packs.end());
}

void Files::dropAllPacks() { s_->packs.clear(); }

// ---------------------------------------------------------------------------------
// The enumeration.

char* Files::findFile(const char* wildcard) { return findNext(wildcard, false); }

char* Files::findFolder(const char* wildcard) { return findNext(wildcard, true); }

char* Files::findNext(const char* wildcard, bool folders) {
    State& s = *s_;
    if (wildcard) {
        closeEnumeration();
        const char* full = fullPath(wildcard);
        if (!full[0]) return nullptr;
        const char* slash = std::strrchr(full, '/');
        std::string dir = slash ? std::string(full, static_cast<size_t>(slash - full) + 1) : std::string("./");
        std::string pattern = slash ? slash + 1 : full;
        if (pattern == "*.*") pattern = "*";  // the classic "every name", dot or not
        DIR* d = opendir(dir.c_str());
        if (!d) return nullptr;
        while (struct dirent* e = readdir(d)) {
            if (std::strlen(e->d_name) >= ENGINE_PATH_MAX) continue;
            if (!wildcardMatch(pattern.c_str(), e->d_name)) continue;
            struct stat st;
            // stat follows links: a link to a folder is a folder.
            bool folder = stat((dir + e->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            s.entries.push_back({e->d_name, folder});
        }
        closedir(d);
        std::sort(s.entries.begin(), s.entries.end(),
                  [](const State::Entry& a, const State::Entry& b) { return a.name < b.name; });
        s.enumerating = true;
    }
    if (!s.enumerating) return nullptr;
    while (s.next < s.entries.size()) {
        const State::Entry& e = s.entries[s.next++];
        if (e.folder != folders) continue;
        if (folders && (e.name == "." || e.name == "..")) continue;
        copyText(s.found, sizeof(s.found), e.name.c_str());
        return s.found;
    }
    closeEnumeration();
    return nullptr;
}

void Files::closeEnumeration() {
    s_->enumerating = false;
    s_->entries.clear();
    s_->next = 0;
}

// ---------------------------------------------------------------------------------
// The ini file.

bool Files::readIni(IniText* ini) {
    if (!ctx_.iniFile[0]) return false;
    char* data = nullptr;
    size_t size = 0;
    switch (readWholeFile(ctx_.iniFile, INI_SIZE_MAX, &data, &size)) {
    case ReadResult::Missing:
        ini->parse("", 0);
        return true;
    case ReadResult::Failed:
        return false;
    case ReadResult::Ok:
        break;
    }
    ini->parse(data, size);
    std::free(data);
    return true;
}

void Files::iniWrite(const char* section, const char* name, const char* value) {
    IniText ini;
    if (!readIni(&ini)) return;
    if (!ini.set(section, name, value)) return;
    writeFileAtomically(ctx_.iniFile, ini.serialize());
}

bool Files::iniRead(const char* section, const char* name, char* out, size_t cap) {
    IniText ini;
    std::string value;
    if (!readIni(&ini) || !ini.get(section, name, &value)) return false;
    copyText(out, cap, value.c_str());  // cut to the buffer, and at a zero byte
    return true;
}

void Files::iniSetInt(const char* section, const char* name, int value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%d", value);
    iniWrite(section, name, text);
}

int Files::iniGetInt(const char* section, const char* name, int def) {
    char text[ENGINE_TEXT_MAX];
    if (!iniRead(section, name, text, sizeof(text)) || !text[0]) return def;
    // Read as a number: leading digits count, anything else gives 0.
    long v = std::strtol(text, nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int>(v);
}

void Files::iniSetFloat(const char* section, const char* name, float value) {
    char text[64];
    std::snprintf(text, sizeof(text), "%f", static_cast<double>(value));
    iniWrite(section, name, text);
}

float Files::iniGetFloat(const char* section, const char* name, float def) {
    char text[ENGINE_TEXT_MAX];
    if (!iniRead(section, name, text, sizeof(text)) || !text[0]) return def;
    return std::strtof(text, nullptr);
}

void Files::iniSetString(const char* section, const char* name, const char* value) {
    iniWrite(section, name, value);
}

char* Files::iniGetString(const char* section, const char* name, const char* def) {
    if (!iniRead(section, name, s_->iniResult, sizeof(s_->iniResult))) {
        copyText(s_->iniResult, sizeof(s_->iniResult), def);
    }
    return s_->iniResult;
}
