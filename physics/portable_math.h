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

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

// Arithmetic with excess precision (x87, the default of 32-bit x86) rounds twice:
// nearestInteger below stops rounding and no sum agrees with other processors.
static_assert(FLT_EVAL_METHOD == 0,
              "float arithmetic must round each operation to its type: on 32-bit x86 build with -msse2 -mfpmath=sse");

namespace portable {
namespace detail {

constexpr double PI = 3.141592653589793;
constexpr double HALF_PI = 1.5707963267948966;
constexpr double TWO_OVER_PI = 0x1.45f306dc9c883p-1;
// pi/2 as 33 + 53 bits: x - k * HALF_PI_1 is exact for an integer k below 2^20,
// and k * HALF_PI_2 errs by under 2^-68, far below the smallest remainder a
// float below 2^19 leaves (2^-27.8, found by trying every one).
constexpr double HALF_PI_1 = 0x1.921fb544p+0;
constexpr double HALF_PI_2 = 0x1.0b4611a626331p-34;
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
    return {(d - k * HALF_PI_1) - k * HALF_PI_2, static_cast<int>(k) & 3};
}

// Polynomials fitted to sin and cos on |r| <= pi/4 for the least largest error
// (relative 2e-11 and 3e-10, under a float's rounding). sin r = r + r z P(z) and
// cos r = 1 + z Q(z), z = r^2, are both m + m z P(z) with m = r or 1, and the
// negated ones are the same with m = -r or -1 (negation is exact). So one
// evaluation serves every quadrant, its coefficients and m chosen by table rather
// than by branches that random quadrants would mispredict. The polynomial goes in
// two halves that do not wait for each other.
struct Kernel {
    double c0, c1, c2, c3;
    double scale, offset;  // m = r * scale + offset, exactly +-r or +-1
};
constexpr double S0 = -0x1.555555545e495p-3, S1 = 0x1.11110defa02e2p-7, S2 = -0x1.a013a80efaeb6p-13,
                 S3 = 0x1.6dbe2984fb53ap-19;
constexpr double C0 = -0x1.fffffffab3709p-2, C1 = 0x1.55554cbcb64c2p-5, C2 = -0x1.6c0e09475d98bp-10,
                 C3 = 0x1.9a6f61b96517dp-16;
// sin(r + q pi/2) for q = 0..3: sin r, cos r, -sin r, -cos r.
constexpr Kernel QUADRANTS[4] = {
    {S0, S1, S2, S3, 1.0, -0.0},
    {C0, C1, C2, C3, 0.0, 1.0},
    {S0, S1, S2, S3, -1.0, -0.0},
    {C0, C1, C2, C3, 0.0, -1.0},
};

inline double sinQuadrant(double r, int quarterTurns) {
    const Kernel& k = QUADRANTS[quarterTurns & 3];
    const double z = r * r, z2 = z * z;
    const double p = (k.c0 + z * k.c1) + z2 * (k.c2 + z * k.c3);
    const double m = r * k.scale + k.offset;
    return m + m * z * p;
}

// asin(x) for |x| <= 1/2: x + x^3 R(x^2), R fitted on [0, 1/4] to a relative
// error of 2e-10 (6e-11 of the result).
inline double asinKernel(double x) {
    const double z = x * x, z2 = z * z, z4 = z2 * z2;
    const double p = (0x1.5555555c0171dp-3 + z * 0x1.33331ecf8b70bp-4) +
                     z2 * (0x1.6dc0f007c13e8p-5 + z * 0x1.efedf83ab6506p-6) +
                     z4 * ((0x1.82db23768c84fp-6 + z * 0x1.5a80a068e3ee2p-7) + z2 * 0x1.fb7ca379d49c6p-6);
    return x + x * z * p;
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
    if (x < 0x1p-12f && x > -0x1p-12f) return x;  // x^3/6 is below half an ulp of x; keeps -0
    const detail::Reduced q = detail::reduce(x);
    return static_cast<float>(detail::sinQuadrant(q.r, q.quarterTurns));
}

inline float cos(float x) {
    if (x < 0x1p-12f && x > -0x1p-12f) return 1.0f;  // x^2/2 is below half an ulp of 1
    const detail::Reduced q = detail::reduce(x);
    return static_cast<float>(detail::sinQuadrant(q.r, q.quarterTurns + 1));
}

inline float tan(float x) {
    if (x < 0x1p-12f && x > -0x1p-12f) return x;  // x^3/3 is below half an ulp of x
    const detail::Reduced q = detail::reduce(x);
    const double s = detail::sinQuadrant(q.r, 0), c = detail::sinQuadrant(q.r, 1);
    return static_cast<float>((q.quarterTurns & 1) ? -c / s : s / c);
}

inline float atan2(float y, float x) { return static_cast<float>(detail::atan2Double(y, x)); }

// Beyond 1/2, asin(x) = pi/2 - 2 asin(sqrt((1 - x) / 2)), and 1 - x is exact.
// NaN outside [-1, 1], as the square root of a negative number.
inline float acos(float x) {
    const double d = x, a = d < 0.0 ? -d : d;
    if (a <= 0.5) return static_cast<float>(detail::HALF_PI - detail::asinKernel(d));
    const double v = 2.0 * detail::asinKernel(std::sqrt((1.0 - a) * 0.5));
    return static_cast<float>(d > 0.0 ? v : detail::PI - v);
}

inline float asin(float x) {
    const double d = x, a = d < 0.0 ? -d : d;
    if (a <= 0.5) return static_cast<float>(detail::asinKernel(d));
    const double v = detail::HALF_PI - 2.0 * detail::asinKernel(std::sqrt((1.0 - a) * 0.5));
    return static_cast<float>(d > 0.0 ? v : -v);
}

}  // namespace portable
