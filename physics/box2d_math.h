// Forced into every compilation of Box2D and of every file that includes its
// headers (physics/box2d.cmake): the float functions Box2D calls become the
// portable ones, so that its rotations and angles round alike everywhere. The C
// library's headers come first, so that the names below rename only later uses.
#pragma once

#include <cmath>
#include <math.h>

#include "portable_math.h"

#define sinf portable::sin
#define cosf portable::cos
#define tanf portable::tan
#define atan2f portable::atan2
#define acosf portable::acos
#define asinf portable::asin
