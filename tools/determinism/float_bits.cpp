// The bits of the simulation's float functions over a million floats, hashed: two
// builds that print the same lines compute every sine and angle alike. Built by
// tools/check-demo-builds.sh for processors it cannot replay a game on.
#include "physics/portable_math.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// NaNs differ in sign and payload between processors, and no game holds one.
uint32_t bitsOf(float f) {
    if (f != f) return 0x7FC00000u;
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

float floatOf(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

}  // namespace

int main() {
    struct {
        const char* name;
        float (*f)(float);
    } const unary[] = {{"sin", portable::sin}, {"cos", portable::cos}, {"tan", portable::tan},
                       {"acos", portable::acos}, {"asin", portable::asin}};
    for (const auto& u : unary) {
        uint32_t hash = 2166136261u;
        // Every 4093rd float of either sign, far arguments and NaN included.
        for (uint64_t b = 0; b < 0x100000000ull; b += 4093) hash = (hash ^ bitsOf(u.f(floatOf(uint32_t(b))))) * 16777619u;
        std::printf("%s %08x\n", u.name, hash);
    }
    uint32_t hash = 2166136261u;
    for (uint64_t b = 0; b < 0x100000000ull; b += 65521) {
        const float y = floatOf(uint32_t(b)), x = floatOf(uint32_t(b * 2654435761u));
        hash = (hash ^ bitsOf(portable::atan2(y, x))) * 16777619u;
    }
    std::printf("atan2 %08x\nsin(1) %08x\n", hash, bitsOf(portable::sin(1.0f)));
    return 0;
}
