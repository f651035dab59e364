// Fuzzes the pack reader: the input is a ZIP file, attached as a pack with the
// password "bear". Every entry it names is read through Resource_Load (relative
// names) or the pack reader itself (any name), with and without the password.
// Whatever comes back must be a clear failure or a block of the declared size; a
// refused archive must say why.
#include "engine/engine.h"
#include "engine/files/pack.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

Engine* engine() {
    static Engine* e = engineCreateHeadless(ENGINE_VERSION);
    return e;
}

// The input lives in an in-memory file that minizip opens by its /proc path.
const std::string& packPath() {
    static const std::string path = [] {
        int fd = memfd_create("pack_fuzz", 0);
        if (fd < 0) std::abort();
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void writeInput(const uint8_t* data, size_t size) {
    static int fd = std::stoi(packPath().substr(packPath().rfind('/') + 1));
    if (ftruncate(fd, 0) != 0) std::abort();
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
}

bool relative(const std::string& name) { return !name.empty() && name[0] != '/' && !(name.size() > 1 && name[1] == ':'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    writeInput(data, size);
    const char* path = packPath().c_str();
    std::string why;
    std::unique_ptr<PackIndex> pack = PackIndex::open(path, &why);
    if (!pack) {
        if (why.empty()) std::abort();
        return 0;
    }
    std::vector<std::string> names(pack->names().begin(),
                                   pack->names().begin() + static_cast<long>(std::min<size_t>(8, pack->names().size())));

    for (const char* password : {"bear", static_cast<const char*>(nullptr)}) {
        for (const std::string& name : names) {
            void* block = nullptr;
            uint32_t got = 0;
            if (pack->load(password, name.c_str(), &block, &got) == PackResult::Found) {
                if (!block || got > RESOURCE_SIZE_MAX) std::abort();
                volatile char last = got ? static_cast<const char*>(block)[got - 1] : 0;  // the block holds it all
                (void)last;
                std::free(block);
            }
        }
    }

    Engine* e = engine();
    if (e->Resource_AddPack(path, "bear")) {
        for (const std::string& name : names) {
            if (!relative(name)) continue;  // would go to the disk
            uint32_t got = 0;
            void* block = e->Resource_Load(name.c_str(), &got);
            if (block) e->Resource_Free(block);
        }
        e->Resource_DropAllPacks();
    }
    return 0;
}
