// The resource manager: parses a resource script into records, creates each
// resource on first request (or a whole group at once) and hands it out by name.
// Everything it hands out stays its own.
#pragma once

#include "engine/engine.h"
#include "engine/resources/resource_records.h"

#include <cstddef>
#include <string>
#include <unordered_map>

class Sprite;
class Animation;
class Font;
class ParticleSystem;
class DistortionMesh;
class StringTable;

class ResourceManager {
public:
    // Parses the script (e.g. "data\\bear.res") and the scripts it includes.
    explicit ResourceManager(const char* scriptName);
    virtual ~ResourceManager();
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    // A number no other manager of this run has, so that what was fetched from one
    // manager is never taken for what a later one holds.
    uint32_t Serial() const { return serial_; }
    // Whether the script given at construction could be read (when not, the
    // Engine's error text says why).
    bool ScriptFound() const { return scriptFound_; }

    // Adds the script's resources; the script may be parsed again later. False
    // when the script cannot be read.
    bool ParseScript(const char* scriptName);
    // The same for a script already in memory (size bytes); name is the one its
    // reports carry. Its includes are loaded as files.
    void ParseScriptText(const char* scriptName, const char* text, size_t size);

    // Acquires every record of the group (0: every record), type by type; stops at
    // the first failure and returns false.
    bool LoadAll(int group);
    // The file of the record whose acquiring stopped the last LoadAll ("" when none, or
    // when that record names no file).
    const char* FailedFile() const { return failedFile_.c_str(); }
    // Frees every resource and forgets every record.
    void DropAll();

    // Texture and effect requests for undeclared names load the file of that name
    // and keep it under a new record.
    TextureHandle TextureByName(const char* name, int group = 0);
    EffectHandle EffectByName(const char* name, int group = 0);
    // Also links the sprite "e_<name>", if any, as the sprite's alternate.
    Sprite* SpriteByName(const char* name);
    Font* FontByName(const char* name);
    void* ResourceByName(const char* name);
    MusicHandle MusicByName(const char* name);
    StreamHandle StreamByName(const char* name);
    TargetHandle TargetByName(const char* name);
    Animation* AnimationByName(const char* name);
    ParticleSystem* ParticleByName(const char* name);
    DistortionMesh* DistortionByName(const char* name);
    StringTable* StringTableByName(const char* name);

    // The record of that type and name, or null. Names are compared as stored
    // (cut to 127 characters).
    ResourceRecord* FindRecord(int type, const char* name) const;
    // The newest record of the type; the rest follow through next.
    ResourceRecord* ListHead(int type) const;

protected:
    // Where script text comes from: Resource_Load and Resource_Free.
    virtual void* LoadScriptFile(const char* name, uint32_t* size);
    virtual void FreeScriptFile(void* block);

private:
    void parse(const char* scriptName, const char* text, size_t size);
    void addRecord(ResourceRecord* record);
    void dropScriptRecords();
    uintptr_t acquire(int type, const char* name);

    Engine* engine_;
    uint32_t serial_;
    bool scriptFound_;
    ResourceRecord* lists_[RES_TYPE_COUNT] = {};
    // The records by name, so that a script of many records parses in linear time.
    std::unordered_map<std::string, ResourceRecord*> byName_[RES_TYPE_COUNT];
    std::string failedFile_;
};
