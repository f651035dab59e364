#!/bin/sh
# Usage: tools/web/build.sh [BUILD_DIR]
# Builds the browser game (WebAssembly, WebGL 2) with Debian's emscripten into
# BUILD_DIR/site (default build-web/site), a folder of static files any web server
# can serve, and the round tool for node (BUILD_DIR/round_tool.js).
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
dir=${1:-$ROOT/build-web}
JOBS=${JOBS:-2}
deps=$("$ROOT/tools/web/build-deps.sh")
export NODE_OPTIONS=--no-experimental-fetch
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
emcmake cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DTD_WEB_DEPS="$deps" -DTD_TESTS=OFF -DTD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$JOBS" --target web_site round_tool
