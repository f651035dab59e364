// The portable float functions against the C library's double precision, over
// dense sweeps of the ranges the game uses and sparse ones beyond.
#include "physics/portable_math.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace {

// The error in units of the float's last place at the true value.
double ulpError(float got, double truth) {
    const double scale = std::fabs(truth) < FLT_MIN ? FLT_MIN : std::fabs(truth);
    int e;
    std::frexp(scale, &e);
    return std::fabs(static_cast<double>(got) - truth) / std::ldexp(1.0, e - 24);
}

struct Sweep {
    const char* name;
    float (*portable)(float);
    double (*truth)(double);
    double from, to;
    int samples;
};

double sinD(double x) { return std::sin(x); }
double cosD(double x) { return std::cos(x); }
double tanD(double x) { return std::tan(x); }
double acosD(double x) { return std::acos(x); }
double asinD(double x) { return std::asin(x); }

TEST(PortableMath, WithinAnUlpOverTheSweeps) {
    const Sweep sweeps[] = {
        // Angles of bodies and steering: a few turns either way, densely.
        {"sin", portable::sin, sinD, -64.0, 64.0, 400000},
        {"cos", portable::cos, cosD, -64.0, 64.0, 400000},
        {"tan", portable::tan, tanD, -64.0, 64.0, 400000},
        {"sin near 0", portable::sin, sinD, -1e-3, 1e-3, 20000},
        {"tan near 0", portable::tan, tanD, -1e-3, 1e-3, 20000},
        // A body spinning for a long time, and the reduction beyond 2^19.
        {"sin far", portable::sin, sinD, -3e6, 3e6, 200000},
        {"cos far", portable::cos, cosD, -3e6, 3e6, 200000},
        {"sin very far", portable::sin, sinD, -3e38, 3e38, 100000},
        {"cos very far", portable::cos, cosD, -3e38, 3e38, 100000},
        {"tan very far", portable::tan, tanD, -3e38, 3e38, 100000},
        {"acos", portable::acos, acosD, -1.0, 1.0, 400000},
        {"asin", portable::asin, asinD, -1.0, 1.0, 400000},
    };
    for (const Sweep& s : sweeps) {
        double worst = 0.0;
        float worstAt = 0.0f;
        for (int i = 0; i <= s.samples; ++i) {
            const float x = static_cast<float>(s.from + (s.to - s.from) * i / s.samples);
            const double e = ulpError(s.portable(x), s.truth(x));
            if (!(e <= worst)) {
                worst = e;
                worstAt = x;
            }
        }
        EXPECT_LE(worst, 1.0) << s.name << " at " << worstAt;
    }
}

// Every float near the hardest arguments: multiples of pi/2, where the reduction
// cancels most bits, and the ends of acos.
TEST(PortableMath, WithinAnUlpNearTheHardArguments) {
    for (int k = -40; k <= 40; ++k) {
        float x = static_cast<float>(k * 1.5707963267948966);
        for (int i = 0; i < 200; ++i) x = std::nextafter(x, -INFINITY);
        for (int i = 0; i < 400; ++i, x = std::nextafter(x, INFINITY)) {
            ASSERT_LE(ulpError(portable::sin(x), std::sin(static_cast<double>(x))), 1.0) << "sin " << x;
            ASSERT_LE(ulpError(portable::cos(x), std::cos(static_cast<double>(x))), 1.0) << "cos " << x;
            ASSERT_LE(ulpError(portable::tan(x), std::tan(static_cast<double>(x))), 1.0) << "tan " << x;
        }
    }
    // The floats nearest to a multiple of pi/2 (found by a search of every float),
    // below 2^19 where the short reduction works and beyond: the remainder keeps
    // only 29 bits of the product.
    for (const float far : {0x1.f9cbe2p+7f, 0x1.47d0fep+34f, 0x1.f37c8ap+95f, -0x1.47d0fep+34f}) {
        EXPECT_LE(ulpError(portable::sin(far), std::sin(static_cast<double>(far))), 1.0) << "sin " << far;
        EXPECT_LE(ulpError(portable::cos(far), std::cos(static_cast<double>(far))), 1.0) << "cos " << far;
        EXPECT_LE(ulpError(portable::tan(far), std::tan(static_cast<double>(far))), 1.0) << "tan " << far;
    }
    float x = 1.0f;
    for (int i = 0; i < 100000; ++i, x = std::nextafter(x, 0.0f)) {
        ASSERT_LE(ulpError(portable::acos(x), std::acos(static_cast<double>(x))), 1.0) << "acos " << x;
        ASSERT_LE(ulpError(portable::acos(-x), std::acos(-static_cast<double>(x))), 1.0) << "acos " << -x;
    }
}

TEST(PortableMath, Atan2WithinAnUlpOverTheViewAndTheForest) {
    double worst = 0.0;
    for (int i = 0; i <= 600; ++i) {
        for (int j = 0; j <= 600; ++j) {
            const float y = -90.0f + 0.3f * static_cast<float>(i);
            const float x = -90.0f + 0.3f * static_cast<float>(j) + 0.0001f;
            worst = std::fmax(worst, ulpError(portable::atan2(y, x), std::atan2(static_cast<double>(y), x)));
        }
    }
    // Far-apart magnitudes: nearly along an axis.
    for (int e = -60; e <= 60; e += 3) {
        const float y = std::ldexp(1.3f, e);
        for (const float x : {1.0f, -1.0f, 7e-3f, -3e5f}) {
            worst = std::fmax(worst, ulpError(portable::atan2(y, x), std::atan2(static_cast<double>(y), x)));
            worst = std::fmax(worst, ulpError(portable::atan2(x, y), std::atan2(static_cast<double>(x), y)));
        }
    }
    EXPECT_LE(worst, 1.0);
}

// Zeros, infinities and NaN give what the C library gives, sign included.
TEST(PortableMath, SpecialValuesAsTheCLibrary) {
    const float inf = std::numeric_limits<float>::infinity();
    const float specials[] = {0.0f, -0.0f, inf, -inf, std::nanf(""), 1.0f, -1.0f, 1e-40f, -2.0f};
    auto same = [](float a, float b) {
        return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
    };
    for (const float y : specials) {
        for (const float x : specials) {
            EXPECT_TRUE(same(portable::atan2(y, x), std::atan2(y, x))) << "atan2(" << y << ", " << x << ")";
        }
        EXPECT_TRUE(same(portable::sin(y), std::sin(y))) << "sin " << y;
        EXPECT_TRUE(same(portable::cos(y), std::cos(y))) << "cos " << y;
        EXPECT_TRUE(same(portable::tan(y), std::tan(y))) << "tan " << y;
        EXPECT_TRUE(same(portable::acos(y), std::acos(y))) << "acos " << y;
        EXPECT_TRUE(same(portable::asin(y), std::asin(y))) << "asin " << y;
    }
}

}  // namespace
