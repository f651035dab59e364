// Fuzzes the resource script parser from memory. Includes never reach the disk:
// "self" is the input itself (already parsed: the top level carries that name) and
// "a" to "d" are the input again under another name, so include chains and their
// reports are explored too. Sprites, animations and distortion meshes are acquired
// without their textures.
#include "engine/engine.h"
#include "engine/resources/resource_manager.h"
#include "engine/resources/string_table.h"
#include "engine/sprite/sprite.h"
#include "tests/fuzz/fuzz_engine.h"

#include <cstdlib>
#include <cstring>

namespace {

class MemoryScripts : public ResourceManager {
public:
    MemoryScripts(const uint8_t* data, size_t size) : ResourceManager(""), data_(data), size_(size) {}

protected:
    void* LoadScriptFile(const char* name, uint32_t* size) override {
        bool known = std::strcmp(name, "self") == 0 ||
                     (name[0] >= 'a' && name[0] <= 'd' && name[1] == '\0');
        if (!known) return nullptr;
        void* copy = std::malloc(size_ ? size_ : 1);
        if (size_) std::memcpy(copy, data_, size_);
        *size = static_cast<uint32_t>(size_);
        return copy;
    }
    void FreeScriptFile(void* block) override { std::free(block); }

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 16384) return 0;
    fuzzEngine();
    MemoryScripts rm(data, size);
    rm.ParseScriptText("self", reinterpret_cast<const char*>(data), size);

    for (int type : {RES_SPRITE, RES_ANIMATION, RES_DISTORT}) {
        for (ResourceRecord* r = rm.ListHead(type); r; r = r->next) {
            if (type == RES_DISTORT) {
                static_cast<RDistort*>(r)->texname[0] = '\0';
            } else {
                static_cast<RSprite*>(r)->texname[0] = '\0';
            }
            r->Acquire(&rm);
        }
    }
    for (ResourceRecord* r = rm.ListHead(RES_SPRITE); r; r = r->next) rm.SpriteByName(r->name);

    StringTable table(fuzzEngine(), "fuzz.txt", reinterpret_cast<const char*>(data), size);
    table.GetString("a");
    return 0;
}
