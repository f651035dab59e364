// Fuzzes the font description reader from memory and draws and measures text with
// the result. The bitmap's folder does not exist, so "Bitmap" lines never reach a
// file; glyphs are made without a texture.
#include "engine/engine.h"
#include "engine/font/font.h"
#include "tests/fuzz/fuzz_engine.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 16384) return 0;
    Engine* e = fuzzEngine();
    Font font("no_such_folder\\fuzz.fnt", data, size);
    // The input's tail doubles as text to measure and draw.
    std::string text(reinterpret_cast<const char*>(data) + size / 2, size - size / 2);
    font.SetColor(0x80FFFFFF);
    font.tracking = 1.5f;
    font.TextWidth(text.c_str(), false);
    font.TextWidth(text.c_str(), true);
    if (e->Gfx_BeginScene()) {
        for (int align = 0; align < 4; ++align) font.DrawText(10, 10, align, text.c_str());
        font.DrawFormatted(0, 0, ALIGN_CENTER, "%s|%s", text.c_str(), text.c_str());
        e->Gfx_EndScene();
    }
    return 0;
}
