// The resource manager's records: one per declared resource, holding what the
// script said about it and, once acquired, the resource itself.
#pragma once

#include "engine/engine.h"

class ResourceManager;
class ScriptTokenizer;

constexpr int RESOURCE_NAME_MAX = 128;  // names and file names, terminator included

// The order of the manager's lists and of the script's commands ("Resource" is 1).
enum ResourceType {
    RES_SCRIPT = 0,
    RES_RESOURCE = 1,
    RES_TEXTURE = 2,
    RES_EFFECT = 3,
    RES_MUSIC = 4,
    RES_STREAM = 5,
    RES_TARGET = 6,
    RES_SPRITE = 7,
    RES_ANIMATION = 8,
    RES_FONT = 9,
    RES_PARTICLE = 10,
    RES_DISTORT = 11,
    RES_STRTABLE = 12,
    RES_TYPE_COUNT = 13,
};

class ResourceRecord {
public:
    // Creates the resource on first use and keeps it; null (0) on failure.
    virtual uintptr_t Acquire(ResourceManager* manager) = 0;
    // Frees the resource; the record stays.
    virtual void Release() = 0;
    virtual ~ResourceRecord();

    // A new record of the same type with this one's fields, no name, no resource.
    virtual ResourceRecord* Clone() const = 0;
    // Reads the value of the parameter the tokenizer stands on; false when this type
    // does not take that parameter (nothing is read then).
    virtual bool ReadParameter(ScriptTokenizer& tokens);

    int Type() const { return type_; }
    void SetName(const char* name);

    char name[RESOURCE_NAME_MAX] = "";
    int resgroup = 0;
    uintptr_t resource = 0;
    ResourceRecord* next = nullptr;

protected:
    explicit ResourceRecord(int type);
    ResourceRecord(const ResourceRecord& other);
    ResourceRecord& operator=(const ResourceRecord&) = delete;

    Engine* engine_;
    int type_;
};

// A fresh record of the type with its defaults; null for a type outside the lists.
ResourceRecord* createResourceRecord(int type);

// Copies text into a name buffer, cut to fit.
void copyResourceName(char* dst, const char* src);

class RScript final : public ResourceRecord {
public:
    RScript() : ResourceRecord(RES_SCRIPT) {}
    uintptr_t Acquire(ResourceManager*) override { return 0; }
    void Release() override {}
    ResourceRecord* Clone() const override { return new RScript(*this); }
};

// Raw files, sound effects, streams and string tables: a file name only.
class RFileRecord : public ResourceRecord {
public:
    bool ReadParameter(ScriptTokenizer& tokens) override;
    char filename[RESOURCE_NAME_MAX] = "";

protected:
    using ResourceRecord::ResourceRecord;
};

class RResource final : public RFileRecord {
public:
    RResource() : RFileRecord(RES_RESOURCE) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new RResource(*this); }
    uint32_t size = 0;  // of the loaded block
};

class RTexture final : public RFileRecord {
public:
    RTexture() : RFileRecord(RES_TEXTURE) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new RTexture(*this); }
    bool ReadParameter(ScriptTokenizer& tokens) override;
    bool mipmap = false;
    bool genalpha = false;
};

class REffect final : public RFileRecord {
public:
    REffect() : RFileRecord(RES_EFFECT) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new REffect(*this); }
};

class RMusic final : public RFileRecord {
public:
    RMusic() : RFileRecord(RES_MUSIC) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new RMusic(*this); }
    bool ReadParameter(ScriptTokenizer& tokens) override;
    int amplify = 50;
};

class RStream final : public RFileRecord {
public:
    RStream() : RFileRecord(RES_STREAM) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new RStream(*this); }
};

class RTarget final : public ResourceRecord {
public:
    RTarget() : ResourceRecord(RES_TARGET) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new RTarget(*this); }
    bool ReadParameter(ScriptTokenizer& tokens) override;
    int width = 256;
    int height = 256;
    bool zbuffer = false;
};

class RSprite : public ResourceRecord {
public:
    RSprite() : ResourceRecord(RES_SPRITE) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new RSprite(*this); }
    bool ReadParameter(ScriptTokenizer& tokens) override;

    char texname[RESOURCE_NAME_MAX] = "";
    float tx = 0, ty = 0, w = 0, h = 0;
    float hotx = 0, hoty = 0;
    int blend = BLEND_DEFAULT;
    uint32_t color = 0xFFFFFFFF;
    float z = 0.5f;
    bool bXFlip = false, bYFlip = false;

protected:
    explicit RSprite(int type) : ResourceRecord(type) {}
};

class RAnimation final : public RSprite {
public:
    RAnimation() : RSprite(RES_ANIMATION) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;  // an Animation is deleted as one: Sprite has no virtual destructor
    ResourceRecord* Clone() const override { return new RAnimation(*this); }
    bool ReadParameter(ScriptTokenizer& tokens) override;
    int frames = 1;
    float fps = 12.0f;
    int mode = 4;
};

class RFont final : public RFileRecord {
public:
    RFont() : RFileRecord(RES_FONT) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new RFont(*this); }
    bool ReadParameter(ScriptTokenizer& tokens) override;
    bool mipmap = false;
    int blend = BLEND_DEFAULT;
    uint32_t color = 0xFFFFFFFF;
    float z = 0.5f;
    float scale = 1.0f, proportion = 1.0f, tracking = 0.0f, spacing = 1.0f, rotation = 0.0f;
};

class RParticle final : public RFileRecord {
public:
    RParticle() : RFileRecord(RES_PARTICLE) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new RParticle(*this); }
    bool ReadParameter(ScriptTokenizer& tokens) override;
    char spritename[RESOURCE_NAME_MAX] = "";
};

class RDistort final : public ResourceRecord {
public:
    RDistort() : ResourceRecord(RES_DISTORT) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new RDistort(*this); }
    bool ReadParameter(ScriptTokenizer& tokens) override;
    char texname[RESOURCE_NAME_MAX] = "";
    float tx = 0, ty = 0, w = 0, h = 0;
    int cols = 2, rows = 2;
    int blend = BLEND_DEFAULT;
    uint32_t color = 0xFFFFFFFF;
    float z = 0.5f;
};

class RStringTable final : public RFileRecord {
public:
    RStringTable() : RFileRecord(RES_STRTABLE) {}
    uintptr_t Acquire(ResourceManager* manager) override;
    void Release() override;
    ResourceRecord* Clone() const override { return new RStringTable(*this); }
};
