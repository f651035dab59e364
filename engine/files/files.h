// The file group: Resource_Load from ZIP packs and the disk, full paths, the one
// shared file enumeration, and the ini file.
#pragma once

#include "engine/core/context.h"

#include <cstddef>
#include <memory>

class IniText;

class Files {
public:
    explicit Files(EngineContext& ctx);
    ~Files();
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;

    void* load(const char* filename, uint32_t* size);
    void free(void* block);
    bool addPack(const char* filename, const char* password);
    void dropPack(const char* filename);
    void dropAllPacks();
    char* fullPath(const char* filename);
    char* findFile(const char* wildcard);
    char* findFolder(const char* wildcard);
    // System_Finish closes an enumeration that is still open.
    void closeEnumeration();

    void iniSetInt(const char* section, const char* name, int value);
    int iniGetInt(const char* section, const char* name, int def);
    void iniSetFloat(const char* section, const char* name, float value);
    float iniGetFloat(const char* section, const char* name, float def);
    void iniSetString(const char* section, const char* name, const char* value);
    char* iniGetString(const char* section, const char* name, const char* def);

private:
    char* findNext(const char* wildcard, bool folders);
    // The ini file as text; false when none is set or it cannot be read.
    bool readIni(IniText* ini);
    bool iniRead(const char* section, const char* name, char* out, size_t cap);
    void iniWrite(const char* section, const char* name, const char* value);

    struct State;
    EngineContext& ctx_;
    std::unique_ptr<State> s_;
};
