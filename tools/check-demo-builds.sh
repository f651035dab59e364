#!/bin/sh
# The title demo ends in the state it was recorded with, whichever compiler builds
# the round tool: the given GCC build, a Clang build, and a GCC build for this
# very processor (-march=native; with fused multiply-add hardware, losing
# -ffp-contract=off would show here, and no such instruction may be in it).
# Usage: tools/check-demo-builds.sh [GCC_BUILD_DIR]   (builds build-clang, build-native)
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
GCC_BUILD=${1:-build}
JOBS=${JOBS:-2}
expected=$(cat tests/tools/d1.state)  # written when data/d1.dem is recorded

build_round_tool() {  # dir, extra cmake arguments...
    dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTD_TESTS=OFF -DTD_BENCH=OFF "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS" --target round_tool >/dev/null
}

end_state() {  # dir
    (cd "$1" && ./round_tool --demo data/d1.dem --quiet) | sed -n 's/.*end state \([0-9a-f]*\)$/\1/p'
}

build_round_tool build-clang -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
build_round_tool build-native -DCMAKE_C_FLAGS=-march=native -DCMAKE_CXX_FLAGS=-march=native

status=0
for dir in "$GCC_BUILD" build-clang build-native; do
    state=$(end_state "$dir")
    if [ "$state" = "$expected" ]; then
        echo "data/d1.dem with $dir: end state $state, as recorded"
    else
        echo "data/d1.dem with $dir: end state ${state:-none}, recorded $expected: DIFFERENT"
        status=1
    fi
done

fused=$(objdump -d build-native/round_tool | grep -cE '\s(v?fn?m(add|sub)[0-9a-z]*|fml[as])\s' || true)
fma=$(grep -qw fma /proc/cpuinfo 2>/dev/null && echo "has" || echo "has no")
echo "build-native: $fused fused multiply-add instructions (this processor $fma fma)"
[ "$fused" = 0 ] || status=1
exit $status
