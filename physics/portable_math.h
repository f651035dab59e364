// Float sine, cosine, tangent and arc functions that give the same bits on every
// processor, compiler and C library. C libraries differ in the last bit of sinf,
// cosf, atan2f, tanf and acosf, and a recorded game replays only if every bit
// agrees, so the simulation (and Box2D, see box2d_math.h) calls these instead.
// They work in double precision with + - * / and sqrt alone, which IEEE 754
// rounds exactly everywhere; the project compiles with -ffp-contract=off, so no
// compiler fuses a multiply and an add. Every result is within an ulp of the
// true value (tests/physics/portable_math_test.cpp sweeps them against double).
// NaN results may differ in sign and payload between processors.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace portable {
namespace detail {

constexpr double PI = 3.141592653589793;
constexpr double HALF_PI = 1.5707963267948966;
constexpr double TWO_OVER_PI = 0x1.45f306dc9c883p-1;
// pi/2 as 33 + 33 + 53 bits: a multiple of the first two parts by an integer
// below 2^20 is exact.
constexpr double HALF_PI_1 = 0x1.921fb544p+0;
constexpr double HALF_PI_2 = 0x1.0b4611a6p-34;
constexpr double HALF_PI_3 = 0x1.3198a2e037073p-69;
constexpr double SMALL_ARGUMENT = 0x1p19;
// Adding 1.5 * 2^52 leaves no fraction bits, so the addition rounds to an integer.
constexpr double ROUNDER = 0x1.8p52;

// The binary digits of 2/pi, 24 at a time from the point (none before it).
constexpr uint32_t TWO_OVER_PI_BITS[] = {0x000000, 0xA2F983, 0x6E4E44, 0x1529FC, 0x2757D1, 0xF534DD, 0xC0DB62,
                                         0x95993C, 0x439041, 0xFE5163, 0xABDEBB, 0xC561B7};

// The nearest integer (ties to even) of |v| < 2^51.
inline double nearestInteger(double v) { return (v + ROUNDER) - ROUNDER; }

inline double powerOfTwo(int e) {  // -1022 <= e <= 1023
    const uint64_t bits = static_cast<uint64_t>(1023 + e) << 52;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// x = r + quarterTurns * pi/2, |r| <= pi/4 (a hair more far away).
struct Reduced {
    double r;
    int quarterTurns;  // modulo 4
};

// Far from zero the product with 2/pi needs far more bits of 2/pi than a double
// holds. x = m * 2^e with an integer m of 24 bits; the chunks of 2/pi whose
// product with x is a multiple of 4 are skipped, and the five after them leave an
// error below 2^-70. The first two products reduced modulo 4 add up exactly.
// Kept out of line: inlined, it made reduce() too large to inline into its
// callers, and the game's angles are small.
[[gnu::noinline, gnu::cold]] inline Reduced reduceLarge(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    if (biased == 0xFF) return {static_cast<double>(x) - static_cast<double>(x), 0};  // NaN
    double m = static_cast<double>((bits & 0x7FFFFF) | 0x800000);
    if (bits >> 31) m = -m;
    const int e = biased - 150;  // -4 and up here
    const int chunk = (e + 22) / 24;
    const int shift = e - 24 * chunk;  // -22 ... 1
    double t[5];
    for (int i = 0; i < 5; ++i) t[i] = m * TWO_OVER_PI_BITS[chunk + i] * powerOfTwo(shift - 24 * i);
    t[0] -= 4.0 * nearestInteger(0.25 * t[0]);
    t[1] -= 4.0 * nearestInteger(0.25 * t[1]);
    const double a = t[0] + t[1];
    const double k1 = nearestInteger(a);
    const double s = (((a - k1) + t[2]) + t[3]) + t[4];
    const double k2 = nearestInteger(s);
    return {(s - k2) * HALF_PI, static_cast<int>(k1 + k2) & 3};
}

inline Reduced reduce(float x) {
    const double d = x;
    if (!(d < SMALL_ARGUMENT && d > -SMALL_ARGUMENT)) return reduceLarge(x);
    const double k = nearestInteger(d * TWO_OVER_PI);
    return {((d - k * HALF_PI_1) - k * HALF_PI_2) - k * HALF_PI_3, static_cast<int>(k) & 3};
}

// Taylor polynomials on |r| <= pi/4: the first term left out is below 1e-11 of
// the result, far under a float's rounding.
inline double sinKernel(double r) {
    const double z = r * r;
    return r + r * z *
                   (-1.0 / 6.0 +
                    z * (1.0 / 120.0 + z * (-1.0 / 5040.0 + z * (1.0 / 362880.0 + z * (-1.0 / 39916800.0)))));
}

inline double cosKernel(double r) {
    const double z = r * r;
    return 1.0 + z * (-0.5 + z * (1.0 / 24.0 +
                                  z * (-1.0 / 720.0 +
                                       z * (1.0 / 40320.0 + z * (-1.0 / 3628800.0 + z * (1.0 / 479001600.0))))));
}

// atan(j/8), j = 0..8.
constexpr double ATAN_EIGHTHS[] = {0.0,
                                   0.12435499454676144,
                                   0.24497866312686414,
                                   0.35877067027057225,
                                   0.4636476090008061,
                                   0.5585993153435624,
                                   0.6435011087932844,
                                   0.7188299996216245,
                                   0.7853981633974483};

// atan(t) for 0 <= t <= 1: atan(t) = atan(c) + atan(u), u = (t - c) / (1 + tc)
// with the nearest eighth c, so that |u| <= 1/16 and five Taylor terms do.
inline double atanKernel(double t) {
    const int j = static_cast<int>(t * 8.0 + 0.5);
    const double c = 0.125 * j;
    const double u = (t - c) / (1.0 + t * c);
    const double z = u * u;
    return ATAN_EIGHTHS[j] + (u + u * z * (-1.0 / 3.0 + z * (1.0 / 5.0 + z * (-1.0 / 7.0 + z * (1.0 / 9.0)))));
}

inline bool negative(double v) {  // the sign bit, so that -0 counts
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return (bits >> 63) != 0;
}

inline double atan2Double(double y, double x) {
    if (y != y || x != x) return x + y;  // NaN
    double ay = negative(y) ? -y : y;
    double ax = negative(x) ? -x : x;
    double a;
    if (ay == ax) {
        a = ax == 0.0 ? 0.0 : 0.25 * PI;  // also both infinite
    } else if (ay > ax) {
        a = HALF_PI - atanKernel(ax / ay);
    } else {
        a = atanKernel(ay / ax);
    }
    if (negative(x)) a = PI - a;
    return negative(y) ? -a : a;
}

}  // namespace detail

inline float sin(float x) {
    if (x < 0x1p-12f && x > -0x1p-12f) return x;  // x^3/6 is below half an ulp of x
    const detail::Reduced q = detail::reduce(x);
    const double v = (q.quarterTurns & 1) ? detail::cosKernel(q.r) : detail::sinKernel(q.r);
    return static_cast<float>((q.quarterTurns & 2) ? -v : v);
}

inline float cos(float x) {
    const detail::Reduced q = detail::reduce(x);
    const double v = (q.quarterTurns & 1) ? detail::sinKernel(q.r) : detail::cosKernel(q.r);
    return static_cast<float>(((q.quarterTurns + 1) & 2) ? -v : v);
}

inline float tan(float x) {
    if (x < 0x1p-12f && x > -0x1p-12f) return x;  // x^3/3 is below half an ulp of x
    const detail::Reduced q = detail::reduce(x);
    const double s = detail::sinKernel(q.r), c = detail::cosKernel(q.r);
    return static_cast<float>((q.quarterTurns & 1) ? -c / s : s / c);
}

inline float atan2(float y, float x) { return static_cast<float>(detail::atan2Double(y, x)); }

// NaN outside [-1, 1], as the square root of a negative number.
inline float acos(float x) {
    const double d = x;
    return static_cast<float>(detail::atan2Double(std::sqrt((1.0 - d) * (1.0 + d)), d));
}

inline float asin(float x) {
    const double d = x;
    return static_cast<float>(detail::atan2Double(d, std::sqrt((1.0 - d) * (1.0 + d))));
}

}  // namespace portable
