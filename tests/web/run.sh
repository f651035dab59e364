#!/bin/sh
# The browser build's tests, after tools/web/build.sh and the native build:
#   tests/web/run.sh [WEB_BUILD_DIR] [NATIVE_BUILD_DIR]   (default build-web, build)
# The round tool built for node replays the game's own demo, and the whole game
# that tools/check-demo-builds.sh recorded, to the same end as the native one; then the game's page in headless Chromium (browser_test.mjs). Prints
# "N passed, N failed" and fails when one did.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WEB=$(cd "${1:-$ROOT/build-web}" && pwd)
NATIVE=$(cd "${2:-$ROOT/build}" && pwd)
export NODE_OPTIONS=--no-experimental-fetch
passed=0
failed=0

# The same lines but for the real time the replay took.
untimed() { sed 's/ simulated in [0-9.]* s ([0-9.]* simulated s per real s)/ simulated/'; }
same_in_node() {  # what, round_tool arguments...
    what=$1
    shift
    native=$(cd "$NATIVE" && ./round_tool "$@" | untimed)
    web=$(cd "$NATIVE" && node "$WEB/round_tool.js" "$@" | untimed) || web="round_tool.js failed"
    if [ -n "$native" ] && [ "$native" = "$web" ]; then
        echo "ok   the node build replays $what as the native build does ($(echo "$native" | grep -o 'end state [0-9a-f]*'))"
        passed=$((passed + 1))
    else
        echo "FAIL the node build's replay of $what differs from the native one:"
        printf '%s\n' "$native" >"$WEB/replay-native.txt"
        printf '%s\n' "$web" >"$WEB/replay-web.txt"
        diff "$WEB/replay-native.txt" "$WEB/replay-web.txt" | head -n 20 || true
        failed=$((failed + 1))
    fi
}
same_in_node data/d1.dem --demo data/d1.dem
# The pilot's game of several years, left by tools/check-demo-builds.sh.
[ -f "$NATIVE/whole-game.dem" ] && same_in_node "a whole game" --demo whole-game.dem --whole-game

# puppeteer-core only (Debian's chromium is the browser), as the lock file pins it.
if [ ! -d "$ROOT/tests/web/node_modules/puppeteer-core" ]; then
    (cd "$ROOT/tests/web" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
# An X server for Firefox, whose headless mode has no WebGL; Chromium stays headless.
out=$(cd "$ROOT/tests/web" && xvfb-run -a -s "-screen 0 1280x1024x24" node browser_test.mjs "$WEB/site" "$ROOT/tests/web/native" "$NATIVE") || true
printf '%s\n' "$out" | grep -v ' passed, .* failed$' || true
p=$(printf '%s\n' "$out" | sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1/p')
f=$(printf '%s\n' "$out" | sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\2/p')
if [ -z "$p" ]; then
    p=0
    f=1
fi
passed=$((passed + p))
failed=$((failed + f))
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
