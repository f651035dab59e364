// Texture_Load on arbitrary bytes: every input either loads or fails with its message.
#include "engine/core/engine_impl.h"
#include "tests/fuzz/fuzz_engine.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 24)) return 0;
    Engine* e = fuzzEngine();
    TextureHandle t = e->Texture_Load(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size));
    if (t) {
        int w = e->Texture_Width(t, true), h = e->Texture_Height(t, true);
        if (w <= 0 || h <= 0 || w > 8192 || h > 8192) std::abort();
        e->Texture_Free(t);
    }
    return 0;
}
