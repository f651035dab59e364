// Fuzzes the ini reader and writer. The input is the ini text; its first bytes
// also name a section and a key. Reading must never fail hard, and a key that
// was written must read back as written, whatever the text around it.
#include "engine/engine.h"
#include "engine/files/ini.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// The engine's own ini path runs over a file in a private folder, removed at exit.
Engine* engine() {
    static Engine* e = [] {
        Engine* created = engineCreateHeadless(ENGINE_VERSION);
        // In memory where the machine allows: a rename on a disk costs a millisecond.
        char shm[] = "/dev/shm/ini_fuzz_XXXXXX";
        char tmp[] = "/tmp/ini_fuzz_XXXXXX";
        const char* folder = mkdtemp(shm) ? shm : mkdtemp(tmp);
        if (!folder) std::abort();
        static std::string dir = folder;
        created->System_SetState(STATE_INI_FILE, (dir + "/fuzz.ini").c_str());
        std::atexit([] {
            std::remove((dir + "/fuzz.ini").c_str());
            std::remove((dir + "/fuzz.ini.tmp~").c_str());
            rmdir(dir.c_str());
        });
        return created;
    }();
    return e;
}

std::string piece(const uint8_t* data, size_t size, size_t from, size_t max) {
    std::string s;
    for (size_t i = from; i < size && s.size() < max && data[i]; ++i) s += static_cast<char>(data[i]);
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const std::string section = piece(data, size, 0, 12);
    const std::string key = piece(data, size, 12, 12);
    const std::string value = piece(data, size, 24, 40);

    IniText ini;
    ini.parse(text, size);
    std::string got;
    ini.get(section.c_str(), key.c_str(), &got);
    ini.get("", "", &got);

    if (ini.set(section.c_str(), key.c_str(), value.c_str())) {
        std::string written = ini.serialize();
        IniText reread;
        reread.parse(written.data(), written.size());
        std::string expected = value.substr(0, value.find_first_of("\r\n"));
        if (!reread.get(section.c_str(), key.c_str(), &got) || got != expected) std::abort();
        if (!reread.set(section.c_str(), key.c_str(), nullptr)) std::abort();
        if (reread.get(section.c_str(), key.c_str(), &got) && reread.lineCount() >= ini.lineCount()) std::abort();
    }

    // The same through the engine and a real file.
    Engine* e = engine();
    FILE* f = std::fopen(e->System_GetState(STATE_INI_FILE), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    e->Ini_GetString(section.c_str(), key.c_str(), "default");
    e->Ini_GetInt(section.c_str(), key.c_str(), 7);
    e->Ini_GetFloat(section.c_str(), key.c_str(), 0.5f);
    e->Ini_SetInt(section.c_str(), key.c_str(), -42);
    if (ini.set(section.c_str(), key.c_str(), "-42") && e->Ini_GetInt(section.c_str(), key.c_str(), 7) != -42) {
        std::abort();
    }
    return 0;
}
