// A set-up round for the animals' tests, with helpers to place them, and what
// their updates draw from the game's generator written out again.
#pragma once

#include "engine/resources/resource_manager.h"
#include "engine/sprite/sprite.h"
#include "forest/animals_art.h"
#include "forest/cab_object.h"
#include "tests/forest/pickups_draws.h"

#include <string>

struct AnimalRound {
    PickupRound round;
    explicit AnimalRound(int year = 2, uint32_t seed = 77u, int modifierA = -1) : round(year, seed, modifierA) {}

    // Lists the object in the cab, as an impact does (without the drop).
    template <class T>
    static T* add(T* object) {
        world->cabObjects.push_back(object);
        return object;
    }
    // Moves every body of the object by d, keeping its shape.
    static void moveBy(CabObject* object, b2Vec2 d) {
        for (int i = 0; i < object->bodyCount; ++i) {
            b2Body* b = object->bodies[i];
            b->SetTransform(b->GetPosition() + d, b->GetAngle());
        }
    }
    static void stopAll(CabObject* object) {
        for (int i = 0; i < object->bodyCount; ++i) {
            object->bodies[i]->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
            object->bodies[i]->SetAngularVelocity(0.0f);
        }
    }
    static uint16_t mask(const b2Body* body) { return body->GetFixtureList()->GetFilterData().maskBits; }
    static uint16_t category(const b2Body* body) { return body->GetFixtureList()->GetFilterData().categoryBits; }
};

// The animals' sprites as untextured blocks of w x h with the hot spot at their
// centre, so that the last place each was drawn can be read off its quad.
struct AnimalSprites {
    static constexpr float W = 8.0f;
    static constexpr float H = 4.0f;
    AnimalSprites() {
        std::string script;
        for (const char* n : {"badger_paw", "badger_body", "badger_head1", "badger_head2", "bee1", "bee2", "ouch"}) {
            script += std::string("Sprite \"") + n + "\" { rect = 0, 0, 8, 4 hotspot = 4, 2 }\n";
        }
        resourceManager = new ResourceManager("no script");
        resourceManager->ParseScriptText("animals.res", script.data(), script.size());
        for (const char* n : {"badger_paw", "badger_body", "badger_head1", "badger_head2", "bee1", "bee2", "ouch"}) {
            unmark(named(n));
        }
    }
    ~AnimalSprites() {
        delete resourceManager;
        resourceManager = nullptr;
    }
    AnimalSprites(const AnimalSprites&) = delete;
    AnimalSprites& operator=(const AnimalSprites&) = delete;

    static Sprite* named(const char* n) { return resourceManager->SpriteByName(n); }
    // Puts the sprite's quad far away, so that a draw shows.
    static void unmark(Sprite* s) {
        for (Vertex& v : s->quad.v) v.x = v.y = -9999.0f;
    }
    static bool drawn(Sprite* s) { return s->quad.v[0].x != -9999.0f; }
    // The top edge of the last draw, from its first corner to its second.
    static b2Vec2 topEdge(const Sprite* s) {
        return b2Vec2(s->quad.v[1].x - s->quad.v[0].x, s->quad.v[1].y - s->quad.v[0].y);
    }
    // Centre of the last draw (the hot spot is the centre).
    static b2Vec2 centre(const Sprite* s) {
        return b2Vec2((s->quad.v[0].x + s->quad.v[2].x) / 2.0f, (s->quad.v[0].y + s->quad.v[2].y) / 2.0f);
    }
};
