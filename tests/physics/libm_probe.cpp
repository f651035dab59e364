// Calls that the simulation must not make, for the libm import check to refuse:
// the float overloads of std::sin and std::atan2 reach the C library's sinf and
// atan2f past the renaming macros, and exp, pow, fmod and hypot differ between C
// libraries in their last bits.
#include <cmath>

float probeSin(float x) { return std::sin(x); }
float probeAtan2(float y, float x) { return std::atan2(y, x); }
double probeExp(double x) { return std::exp(x); }
double probePow(double x, double y) { return std::pow(x, y); }
double probeFmod(double x, double y) { return std::fmod(x, y); }
double probeHypot(double x, double y) { return std::hypot(x, y); }
