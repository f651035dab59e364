#!/bin/sh
# The simulation's libraries (Box2D built here, the physics layer, the game, the
# pilot) take from the C library's math only functions that give the same bits
# everywhere: C libraries differ in the last bits of the others, and a recorded
# game replays only if every bit agrees. Every import from libm is listed; one
# not allowed below fails the check.
#   sqrt, sqrtf          correctly rounded on every IEEE 754 machine
#   fminf, fmaxf         exact: the result is one of the arguments
#   remainderf           exact by definition
#   floor(f), ceil(f), trunc(f)  exact (unoptimised builds call them)
#   expf                 Box2D's rope only, which the game does not use
# Usage: libm_imports_check.sh LIBRARY.a...
set -u
export LC_ALL=C
ALLOWED="sqrt sqrtf fminf fmaxf remainderf floor floorf ceil ceilf trunc truncf expf"
libm=$(${CC:-cc} -print-file-name=libm.so.6)
if [ ! -f "$libm" ]; then
    echo "FAIL: no libm.so.6 to list the math library's names ($libm)"
    exit 1
fi
names=$(mktemp)
trap 'rm -f "$names"' EXIT
nm -D --defined-only "$libm" | awk '{ sub(/@.*/, "", $3); print $3 }' | sort -u >"$names"
status=0
for lib in "$@"; do
    imports=$(nm -u "$lib" | awk '{ print $2 }' | sort -u | comm -12 - "$names")
    refused=""
    for f in $imports; do
        case " $ALLOWED " in *" $f "*) ;; *) refused="$refused $f" ;; esac
    done
    echo "$lib imports from libm: $(echo $imports)"
    if [ -n "$refused" ]; then
        echo "FAIL: $lib imports$refused"
        status=1
    fi
done
exit $status
