#!/bin/sh
# Installs what is missing, builds and runs every test: a normal build, an
# AddressSanitizer + UndefinedBehaviorSanitizer build, the sound tests under
# ThreadSanitizer, a short run of every fuzz target, and the installed game with
# its Debian package. Without a display the suites run under a virtual X server
# so that the OpenGL tests get a real window.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-2}
FUZZ_SECONDS=${FUZZ_SECONDS:-12}

STARTED=$(date +%s)
# Each step's heading says how long the run has taken so far: the whole must stay
# well inside CI's time.
step() { echo "== $* ($(($(date +%s) - STARTED)) s in)"; }

tools/install-deps.sh

export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export ALSOFT_LOGLEVEL=${ALSOFT_LOGLEVEL:-0}
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
# Thread-local storage is not scanned: this toolchain's leak checker reads a stale
# dynamic-TLS entry after Mesa's driver threads end and crashes while tracing.
# The project keeps no heap pointers in thread-local variables.
export LSAN_OPTIONS="suppressions=$ROOT/tools/lsan.supp:print_suppressions=0:use_tls=0"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

with_display() {
    if [ -n "${DISPLAY:-}" ]; then
        "$@"
    else
        # No reset when the last client leaves: a window opened during a reset would
        # find no display.
        xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$@"
    fi
}

configure() {  # dir, extra cmake arguments...
    dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
}

step "normal build"
configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$JOBS"
# Every test runs once: one that fails now and then is a fault to find, and a rerun
# would hide it.
CTEST_ARGS="--output-on-failure -j 1"
# shellcheck disable=SC2086
(cd build && with_display ctest $CTEST_ARGS)

step "one demo on every build: the title demo and a whole game by GCC, Clang and -march=native; no fused instruction for other processors; i686 and aarch64"
tools/check-demo-builds.sh build

step "installed game and Debian package"
tools/check-install.sh build

step "browser build: WebAssembly under node and in headless Chromium"
tools/web/build.sh build-web
tests/web/run.sh build-web build

step "address and undefined-behaviour sanitizers"
configure build-asan -DCMAKE_BUILD_TYPE=Debug -DTD_SANITIZE=ON -DTD_BENCH=OFF
cmake --build build-asan -j "$JOBS"
# shellcheck disable=SC2086
(cd build-asan && with_display ctest $CTEST_ARGS)

if [ -d tests/engine/sound ] && ls tests/engine/sound/*_test.cpp >/dev/null 2>&1; then
    step "thread sanitizer: sound"
    configure build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTD_TSAN=ON -DTD_BENCH=OFF
    cmake --build build-tsan -j "$JOBS" --target tests_engine_sound
    (cd build-tsan && ./tests_engine_sound)
fi

if ls tests/fuzz/*_fuzz.cpp >/dev/null 2>&1; then
    step "fuzzing (${FUZZ_SECONDS} s per target)"
    configure build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ -DTD_FUZZ=ON -DTD_BENCH=OFF
    targets=""
    for f in tests/fuzz/*_fuzz.cpp; do targets="$targets $(basename "$f" .cpp)"; done
    # shellcheck disable=SC2086
    cmake --build build-fuzz -j "$JOBS" --target $targets
    for t in $targets; do
        corpus=$(mktemp -d)
        [ -d "tests/fuzz/corpus/$t" ] && cp -r "tests/fuzz/corpus/$t/." "$corpus/"
        echo "-- $t"
        log=$(mktemp)
        # A per-input limit: an input that hangs or swells is a finding, not a stalled run.
        if (cd build-fuzz && "./fuzz/$t" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 \
            "$corpus" >"$log" 2>&1); then
            tail -n 2 "$log"
            rm -rf "$corpus" "$log"
        else
            tail -n 60 "$log"
            echo "fuzz target $t failed"
            exit 1
        fi
    done
fi

step "all tests passed"
