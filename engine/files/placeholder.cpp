// Temporary: the file group before its implementation lands. Delete with it.
#include "engine/files/files.h"

#include <cstdio>
#include <cstdlib>

struct Files::State { char path[ENGINE_PATH_MAX]; };
Files::Files(EngineContext& ctx) : ctx_(ctx), s_(new State) {}
Files::~Files() = default;
void* Files::load(const char* filename, uint32_t* size) {
    FILE* f = std::fopen(fullPath(filename), "rb");
    if (!f) { ctx_.postError("Can't load resource: %s", filename); return nullptr; }
    std::fseek(f, 0, SEEK_END); long n = std::ftell(f); std::fseek(f, 0, SEEK_SET);
    void* b = std::malloc(n > 0 ? n : 1);
    size_t got = std::fread(b, 1, n, f); std::fclose(f);
    if (size) *size = static_cast<uint32_t>(got);
    return b;
}
void Files::free(void* block) { std::free(block); }
bool Files::addPack(const char*, const char*) { return false; }
void Files::dropPack(const char*) {}
void Files::dropAllPacks() {}
char* Files::fullPath(const char* filename) {
    std::snprintf(s_->path, sizeof(s_->path), "%s%s", filename && filename[0] == '/' ? "" : ctx_.programFolder, filename ? filename : "");
    for (char* p = s_->path; *p; ++p) if (*p == '\\') *p = '/';
    return s_->path;
}
char* Files::findFile(const char*) { return nullptr; }
char* Files::findFolder(const char*) { return nullptr; }
void Files::closeEnumeration() {}
void Files::iniSetInt(const char*, const char*, int) {}
int Files::iniGetInt(const char*, const char*, int def) { return def; }
void Files::iniSetFloat(const char*, const char*, float) {}
float Files::iniGetFloat(const char*, const char*, float def) { return def; }
void Files::iniSetString(const char*, const char*, const char*) {}
char* Files::iniGetString(const char*, const char*, const char* def) { std::snprintf(s_->path, sizeof(s_->path), "%s", def ? def : ""); return s_->path; }
