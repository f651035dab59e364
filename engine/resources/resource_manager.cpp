#include "engine/resources/resource_manager.h"

#include "engine/resources/report.h"
#include "engine/sprite/sprite.h"

#include <cstring>

ResourceManager::ResourceManager(const char* scriptName) : engine_(engineCreate(ENGINE_VERSION)) {
    static uint32_t lastSerial = 0;
    serial_ = ++lastSerial;
    scriptFound_ = ParseScript(scriptName);
}

ResourceManager::~ResourceManager() {
    DropAll();
    engine_->Release();
}

void* ResourceManager::LoadScriptFile(const char* name, uint32_t* size) {
    return engine_->Resource_Load(name, size);
}

void ResourceManager::FreeScriptFile(void* block) { engine_->Resource_Free(block); }

bool ResourceManager::ParseScript(const char* scriptName) {
    if (!scriptName) scriptName = "";
    if (FindRecord(RES_SCRIPT, scriptName)) {
        resourceReport(engine_, "Script '%s' already has been parsed.", scriptName);
        return false;
    }
    uint32_t size = 0;
    void* block = scriptName[0] ? LoadScriptFile(scriptName, &size) : nullptr;
    if (!block) {
        resourceReport(engine_, "Script '%s' not found.", scriptName);
        return false;
    }
    parse(scriptName, static_cast<const char*>(block), size);
    FreeScriptFile(block);
    return true;
}

void ResourceManager::ParseScriptText(const char* scriptName, const char* text, size_t size) {
    if (!scriptName) scriptName = "";
    if (FindRecord(RES_SCRIPT, scriptName)) {
        resourceReport(engine_, "Script '%s' already has been parsed.", scriptName);
        return;
    }
    parse(scriptName, text ? text : "", text ? size : 0);
}

void ResourceManager::addRecord(ResourceRecord* record) {
    record->next = lists_[record->Type()];
    lists_[record->Type()] = record;
    byName_[record->Type()][record->name] = record;
}

void ResourceManager::dropScriptRecords() {
    ResourceRecord* r = lists_[RES_SCRIPT];
    while (r) {
        ResourceRecord* next = r->next;
        delete r;
        r = next;
    }
    lists_[RES_SCRIPT] = nullptr;
    byName_[RES_SCRIPT].clear();
}

bool ResourceManager::LoadAll(int group) {
    failedFile_.clear();
    for (int type = 0; type < RES_TYPE_COUNT; ++type) {
        for (ResourceRecord* r = lists_[type]; r; r = r->next) {
            if (group != 0 && r->resgroup != group) continue;
            if (!r->Acquire(this)) {
                if (const RFileRecord* f = dynamic_cast<const RFileRecord*>(r)) failedFile_ = f->filename;
                return false;
            }
        }
    }
    return true;
}

void ResourceManager::DropAll() {
    for (ResourceRecord*& head : lists_) {
        ResourceRecord* r = head;
        while (r) {
            ResourceRecord* next = r->next;
            r->Release();
            delete r;
            r = next;
        }
        head = nullptr;
    }
    for (auto& names : byName_) names.clear();
}

ResourceRecord* ResourceManager::FindRecord(int type, const char* name) const {
    if (type < 0 || type >= RES_TYPE_COUNT || !name) return nullptr;
    // Stored names are cut to fit their buffer; a longer request is cut the same way.
    char key[RESOURCE_NAME_MAX];
    copyResourceName(key, name);
    const auto found = byName_[type].find(key);
    return found == byName_[type].end() ? nullptr : found->second;
}

ResourceRecord* ResourceManager::ListHead(int type) const {
    return type >= 0 && type < RES_TYPE_COUNT ? lists_[type] : nullptr;
}

uintptr_t ResourceManager::acquire(int type, const char* name) {
    ResourceRecord* r = FindRecord(type, name);
    return r ? r->Acquire(this) : 0;
}

TextureHandle ResourceManager::TextureByName(const char* name, int group) {
    if (ResourceRecord* r = FindRecord(RES_TEXTURE, name)) return r->Acquire(this);
    // An empty name is no file; loading it would read the program folder itself.
    if (!name || !name[0]) return 0;
    TextureHandle tex = engine_->Texture_Load(name, 0, false);
    if (!tex) return 0;
    RTexture* r = new RTexture;
    r->SetName(name);
    copyResourceName(r->filename, name);
    r->resgroup = group;
    r->resource = tex;
    addRecord(r);
    return tex;
}

EffectHandle ResourceManager::EffectByName(const char* name, int group) {
    if (ResourceRecord* r = FindRecord(RES_EFFECT, name)) return static_cast<EffectHandle>(r->Acquire(this));
    if (!name || !name[0]) return 0;
    EffectHandle effect = engine_->Effect_Load(name, 0);
    if (!effect) return 0;
    REffect* r = new REffect;
    r->SetName(name);
    copyResourceName(r->filename, name);
    r->resgroup = group;
    r->resource = effect;
    addRecord(r);
    return effect;
}

Sprite* ResourceManager::SpriteByName(const char* name) {
    ResourceRecord* r = FindRecord(RES_SPRITE, name);
    if (!r) return nullptr;
    Sprite* sprite = reinterpret_cast<Sprite*>(r->Acquire(this));
    if (!sprite) return nullptr;
    // "e_" + a name that already fills the buffer would be cut back to a name that
    // may lead here again; such a sprite has no alternate.
    char alt[RESOURCE_NAME_MAX];
    if (std::strlen(r->name) + 2 < sizeof(alt)) {
        alt[0] = 'e';
        alt[1] = '_';
        std::strcpy(alt + 2, r->name);
        sprite->alternate = SpriteByName(alt);
    } else {
        sprite->alternate = nullptr;
    }
    return sprite;
}

Font* ResourceManager::FontByName(const char* name) {
    return reinterpret_cast<Font*>(acquire(RES_FONT, name));
}

void* ResourceManager::ResourceByName(const char* name) {
    return reinterpret_cast<void*>(acquire(RES_RESOURCE, name));
}

MusicHandle ResourceManager::MusicByName(const char* name) {
    return static_cast<MusicHandle>(acquire(RES_MUSIC, name));
}

StreamHandle ResourceManager::StreamByName(const char* name) {
    return static_cast<StreamHandle>(acquire(RES_STREAM, name));
}

TargetHandle ResourceManager::TargetByName(const char* name) { return acquire(RES_TARGET, name); }

Animation* ResourceManager::AnimationByName(const char* name) {
    return reinterpret_cast<Animation*>(acquire(RES_ANIMATION, name));
}

ParticleSystem* ResourceManager::ParticleByName(const char* name) {
    return reinterpret_cast<ParticleSystem*>(acquire(RES_PARTICLE, name));
}

DistortionMesh* ResourceManager::DistortionByName(const char* name) {
    return reinterpret_cast<DistortionMesh*>(acquire(RES_DISTORT, name));
}

StringTable* ResourceManager::StringTableByName(const char* name) {
    return reinterpret_cast<StringTable*>(acquire(RES_STRTABLE, name));
}
