#!/bin/sh
# One demo on every build and processor:
# - the title demo, and a whole game of several years that the pilot records here,
#   end in the same state whichever compiler builds the round tool: the given GCC
#   build, a Clang build, and a GCC build for this very processor (-march=native);
# - the simulation compiled for processors this machine may not have (x86-64-v3 and
#   -v4 with GCC and Clang, aarch64 at -O2 and -O3) holds no fused multiply-add
#   (tools/check_fused.py), whatever processor runs this;
# - 32-bit x86 refuses to build with x87 arithmetic, and built with SSE computes
#   every sine and angle as this build does; so does aarch64, under qemu-user.
# Usage: tools/check-demo-builds.sh [GCC_BUILD_DIR]
#   (builds build-clang and build-native; leaves GCC_BUILD_DIR/whole-game.dem)
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
GCC_BUILD=${1:-build}
JOBS=${JOBS:-2}
expected=$(cat tests/tools/d1.state)  # written when data/d1.dem is recorded
GAME_SEED=3                           # a game the pilot survives for years in
status=0

build_round_tool() {  # dir, extra cmake arguments...
    dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTD_TESTS=OFF -DTD_BENCH=OFF "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS" --target round_tool >/dev/null
}

end_state() {  # dir, round_tool arguments...
    dir=$1
    shift
    (cd "$dir" && ./round_tool "$@" --quiet) | sed -n 's/.*end state \([0-9a-f]*\)$/\1/p'
}

build_round_tool build-clang -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
build_round_tool build-native -DCMAKE_C_FLAGS=-march=native -DCMAKE_CXX_FLAGS=-march=native

game="$(cd "$GCC_BUILD" && pwd)/whole-game.dem"
(cd "$GCC_BUILD" && ./round_tool --play-game --seed "$GAME_SEED" --record "$game" >/dev/null)
whole_game() {  # dir: the game's last line
    (cd "$1" && ./round_tool --demo "$game" --whole-game | tail -n 1) || true
}
recorded=$(whole_game "$GCC_BUILD")
echo "whole game of seed $GAME_SEED, $(wc -c <"$game") bytes: $recorded"
case $recorded in
*" in 1 year,"* | *" in 0 years,"* | "")
    echo "the whole game is no game of several years: FAIL"
    status=1
    ;;
esac
for dir in "$GCC_BUILD" build-clang build-native; do
    state=$(end_state "$dir" --demo data/d1.dem)
    if [ "$state" = "$expected" ]; then
        echo "data/d1.dem with $dir: end state $state, as recorded"
    else
        echo "data/d1.dem with $dir: end state ${state:-none}, recorded $expected: DIFFERENT"
        status=1
    fi
    # Every checkpoint of the game is compared as the replay reaches it.
    line=$(whole_game "$dir")
    case $line in
    *"checkpoints as recorded"*) [ "$line" = "$recorded" ] && same=yes || same=no ;;
    *) same=no ;;
    esac
    if [ "$same" = yes ]; then
        echo "whole game with $dir: as recorded"
    else
        echo "whole game with $dir: DIFFERENT: $line"
        status=1
    fi
done

python3 tools/check_fused.py "$GCC_BUILD" || status=1

# The float functions' bits on other processors, from one small program.
probe=tools/determinism/float_bits.cpp
out=$GCC_BUILD/float-bits
mkdir -p "$out"
g++ -O2 -ffp-contract=off -I. "$probe" -o "$out/native"
"$out/native" >"$out/native.txt"
if i686-linux-gnu-g++ -O2 -ffp-contract=off -I. -c "$probe" -o "$out/x87.o" 2>/dev/null; then
    echo "i686 with x87 arithmetic: builds: FAIL (excess precision must be refused)"
    status=1
else
    echo "i686 with x87 arithmetic: refused"
fi
compare_bits() {  # name, command...
    name=$1
    shift
    if "$@" >"$out/$name.txt" && cmp -s "$out/native.txt" "$out/$name.txt"; then
        echo "$name: every sine and angle as on this processor"
    else
        echo "$name: the float functions differ:"
        diff "$out/native.txt" "$out/$name.txt" || true
        status=1
    fi
}
i686-linux-gnu-g++ -O2 -ffp-contract=off -msse2 -mfpmath=sse -static -I. "$probe" -o "$out/i686"
compare_bits i686 qemu-i386 "$out/i686"
aarch64-linux-gnu-g++ -O3 -ffp-contract=off -fno-tree-vectorize -fno-tree-slp-vectorize -static -I. "$probe" -o "$out/aarch64"
compare_bits aarch64 qemu-aarch64 "$out/aarch64"
exit $status
