// Drawing the cab allocates nothing per frame once its art is fetched: every
// allocation through operator new is counted while a busy picture (snow, the
// notice, a growl, crumbs, a held thing) is drawn frame after frame.
#include "tests/vehicle/cab_drawing_fixture.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}  // namespace

// These replace the program's own: GCC takes the free below for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// The driver of the OpenGL tests in this program allocates with nothrow new and
// frees with plain delete: both go through malloc here too.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (counting) ++allocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (counting) ++allocations;
    return std::malloc(size ? size : 1);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { ::operator delete[](p); }

namespace {

TEST(CabDrawingAllocations, NoneWhileABusyPictureIsDrawn) {
    std::string skip;
    CabDrawingRound round(false, &skip);
    ASSERT_TRUE(skip.empty()) << skip;
    for (const std::string& name : cabSpriteNames()) CabDrawingRound::block(name.c_str(), 4.0f, 4.0f);
    TestThing* thing = new TestThing("testthing", b2Vec2(12.0f, 4.0f));
    world->cabObjects.push_back(thing);
    world->snowballs.push_back(new TestThing("testsnowball", b2Vec2(3.0f, 3.0f)));
    world->grabAt(12.0f, 4.0f);
    ASSERT_TRUE(world->isHeld(thing->bodies[0]));
    world->winterPhase = 1;
    world->winterCountdown = 4.0f;
    world->fatNotice = 0.5f;
    world->growlTimer = 0.5f;
    world->cabTilt = 0.3f;
    world->crumbs[0] = Crumb{0.2f, 0.1f, 1.0f, -2.0f, 1.0f};
    round.draw();  // the first frame fetches the art and the font

    counting = true;
    for (int i = 0; i < 60; ++i) {
        world->elapsed += 1.0f / 60.0f;
        world->fatNotice += 1.0f / 60.0f;
        world->winterCountdown += 1.0f / 60.0f;
        round.draw();
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
