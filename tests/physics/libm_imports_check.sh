#!/bin/sh
# The simulation's libraries (Box2D built here, the physics layer, the game, the
# pilot) call no trigonometric function of the C library: C libraries differ in
# their last bits, and a recorded game replays only if every bit agrees.
# Usage: libm_imports_check.sh LIBRARY.a...
set -u
status=0
for lib in "$@"; do
    found=$(nm -u "$lib" | awk '{print $2}' |
        grep -E '^(sin|cos|tan|sincos|atan|atan2|asin|acos|sinh|cosh|tanh)[fl]?$' | sort -u | tr '\n' ' ')
    if [ -n "$found" ]; then
        echo "FAIL: $lib imports $found"
        status=1
    fi
done
[ "$status" = 0 ] && echo "no trigonometry of the C library in: $*"
exit $status
