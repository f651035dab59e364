#!/bin/sh
# Usage: tools/web/bench.sh [WEB_BUILD_DIR] [NATIVE_BUILD_DIR] [DEMO_SECONDS]
#                                     (default build-web, build, 40)
# The browser game's figures, a benchmark and not a test: the download's size
# gzipped; in headless Chromium the time from the page's load to the title; and the
# cost of a frame over the title demo there and in the native game under Xvfb (both
# draw in software, SwiftShader and Mesa's llvmpipe), as the game's own frame
# statistics (TIMBERDRIVE_FRAME_STATS=1) sum up the whole run: a few seconds of
# title, DEMO_SECONDS of the demo, four seconds of title. In the browser those time
# only the pass, not WebGL's drawing in the GPU process: the page's frame rate
# over the demo shows that.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WEB=$(cd "${1:-$ROOT/build-web}" && pwd)
NATIVE=$(cd "${2:-$ROOT/build}" && pwd)
DEMO_SECONDS=${3:-40}
export NODE_OPTIONS=--no-experimental-fetch

echo "Download (gzip -9):"
total=0
totalGz=0
for f in index.html page.js page.css favicon.png timberdrive.js timberdrive.wasm timberdrive.data; do
    raw=$(wc -c <"$WEB/site/$f")
    gz=$(gzip -9c "$WEB/site/$f" | wc -c)
    total=$((total + raw))
    totalGz=$((totalGz + gz))
    printf '  %-17s %8d bytes, %8d gzipped\n' "$f" "$raw" "$gz"
done
printf '  %-17s %8d bytes, %8d gzipped\n' total "$total" "$totalGz"

tmp=$(mktemp -d)
server=
trap '[ -z "$server" ] || kill "$server" 2>/dev/null; rm -rf "$tmp"' EXIT
python3 "$ROOT/tools/web/serve.py" "$WEB/site" 0 >"$tmp/serve.out" &
server=$!
address=
while [ -z "$address" ]; do
    sleep 0.1
    address=$(sed -n 's/.*served at \(http:[^ ]*\).*/\1/p' "$tmp/serve.out")
done
if [ ! -d "$ROOT/tests/web/node_modules/puppeteer-core" ]; then
    (cd "$ROOT/tests/web" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
echo "Browser (headless Chromium, SwiftShader):"
node "$ROOT/tools/web/bench.mjs" "$address" "$ROOT/tests/web/native/2_title_year1_8s.png" "$DEMO_SECONDS" |
    sed 's/^/  /'

# The native game driven by keys as the page is: D on the title, Space after the
# demo's seconds, Escape on the title again.
mkdir -p "$tmp/home"
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" sh -c '
    cd "$1"
    HOME="$2/home" TIMBERDRIVE_FRAME_STATS=1 ./timberdrive >/dev/null 2>"$2/native.err" &
    game=$!
    i=0
    while [ -z "$(xdotool search --name "^Timberdrive\$" 2>/dev/null)" ] && [ $i -lt 200 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    sleep 2
    xdotool key d
    sleep "$3"
    xdotool key space
    sleep 4
    xdotool key Escape
    i=0
    while kill -0 $game 2>/dev/null && [ $i -lt 150 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    kill $game 2>/dev/null || true
' sh "$NATIVE" "$tmp" "$DEMO_SECONDS"
echo "Native (Xvfb, llvmpipe):"
grep '^frame cost:' "$tmp/native.err" | sed 's/^/  /' || echo "  no frame statistics: the game did not end"
