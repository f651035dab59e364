#!/bin/sh
# Checks the installed game and its Debian package, from a built tree (default
# build/): installs into a scratch DESTDIR, starts that game through its desktop
# entry's command from another folder under a virtual X server, sees its title
# screen, lets the title demo start, saves and loads the demo through the
# player's data folder, and quits with status 0. Then builds the .deb, checks it
# with lintian and that it holds the same files, and starts its game too.
# Every wait is a poll with a generous bound; none is a timing assertion.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${1:-build}

if [ -z "${TD_CHECK_INSTALL_X:-}" ]; then
    # No reset when the last client leaves: a game started during one finds no display.
    TD_CHECK_INSTALL_X=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

SCRATCH=$(mktemp -d /tmp/td-install-XXXXXX)
GAME_PID=""
cleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
    rm -rf "$SCRATCH"
}
trap cleanup EXIT

fail() {
    echo "check-install: $*" >&2
    exit 1
}

# poll SECONDS COMMAND...: runs the command every half second until it succeeds.
poll() {
    limit=$(($1 * 2))
    shift
    i=0
    while ! "$@" >"$SCRATCH/poll.log" 2>&1; do
        i=$((i + 1))
        [ "$i" -ge "$limit" ] && { cat "$SCRATCH/poll.log" >&2; return 1; }
        sleep 0.5
    done
}

window_shows() {  # title | play
    xwd -silent -id "$WINDOW" | /usr/bin/python3 "$ROOT/tools/screen_check.py" "$1" >"$SCRATCH/seen.txt"
}

find_window() {
    WINDOW=$(xdotool search --pid "$GAME_PID" --name '^Timberdrive$' 2>/dev/null | head -n 1)
    [ -n "$WINDOW" ]
}

exited() { ! kill -0 "$GAME_PID" 2>/dev/null; }

# Escape quits from the title screen; from a demo that idling started, it first
# goes back to the title.
escape_until_exited() {
    exited && return 0
    xdotool key Escape
    sleep 0.5
    exited
}

# start_game PREFIX: the desktop entry's command, from a folder that is not the game's.
start_game() {
    desktop="$1/share/applications/org.timberdrive.Timberdrive.desktop"
    command=$(sed -n 's/^Exec=//p' "$desktop")
    [ -n "$command" ] || fail "no Exec line in $desktop"
    mkdir -p "$SCRATCH/elsewhere" "$SCRATCH/home"
    (cd "$SCRATCH/elsewhere" &&
        PATH="$1/games:$PATH" HOME="$SCRATCH/home" XDG_DATA_HOME="" SDL_AUDIODRIVER=dummy \
            exec $command) &
    GAME_PID=$!
    poll 30 find_window || fail "no window from $1/games/$command"
}

quit_game() {
    poll 30 escape_until_exited || fail "the game did not quit on Escape"
    status=0
    wait "$GAME_PID" || status=$?
    GAME_PID=""
    [ "$status" -eq 0 ] || fail "the game quit with status $status"
}

check_files() {  # PREFIX
    for f in games/timberdrive share/timberdrive/data/bear.res share/timberdrive/data/d1.dem \
        share/timberdrive/music/mossbeat65.xm share/metainfo/org.timberdrive.Timberdrive.metainfo.xml \
        share/icons/hicolor/64x64/apps/timberdrive.png share/icons/hicolor/256x256/apps/timberdrive.png \
        share/doc/timberdrive/copyright share/doc/timberdrive/changelog.gz; do
        [ -f "$1/$f" ] || fail "$1/$f is missing"
    done
    desktop-file-validate "$1/share/applications/org.timberdrive.Timberdrive.desktop" ||
        fail "desktop-file-validate: the desktop entry is not valid"
    appstreamcli validate --no-net "$1/share/metainfo/org.timberdrive.Timberdrive.metainfo.xml" \
        >"$SCRATCH/appstream.txt" 2>&1 || { cat "$SCRATCH/appstream.txt"; fail "the metainfo is not valid"; }
}

echo "-- install into a scratch DESTDIR"
STAGE="$SCRATCH/stage/usr/local"
DESTDIR="$SCRATCH/stage" cmake --install "$BUILD" --prefix /usr/local >/dev/null
check_files "$STAGE"

echo "-- installed game: title, title demo, S and L through the player's folder, quit"
start_game "$STAGE"
poll 30 window_shows title || fail "no title screen"
echo "title screen: $(cat "$SCRATCH/seen.txt")"
xdotool key d
poll 30 window_shows play || fail "the title demo did not start"
echo "title demo: $(cat "$SCRATCH/seen.txt")"
xdotool key Escape
poll 30 window_shows title || fail "no title screen after the demo"

saved="$SCRATCH/home/.local/share/timberdrive/demo.dem"
xdotool key s
poll 10 test -f "$saved" || fail "S saved nothing into $saved"
cmp "$saved" "$STAGE/share/timberdrive/data/d1.dem" || fail "the saved demo is not the title demo"
# A shorter demo (the first 60 records) in the player's folder; L loads it, and
# S writes back what L loaded.
/usr/bin/python3 - "$saved" "$SCRATCH/short.dem" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
open(sys.argv[2], "wb").write(data[:4] + struct.pack("<I", 60) + data[8:8 + 60 * 12])
PY
cp "$SCRATCH/short.dem" "$saved"
xdotool key l
# L and the next S must reach the game in different frames (in one frame S wins):
# a pause of many frames, not a bound on how long anything takes.
sleep 2
rm "$saved"
xdotool key s
poll 10 test -f "$saved" || fail "S after L saved nothing"
cmp "$saved" "$SCRATCH/short.dem" || fail "L did not load the demo from the player's folder"
[ ! -e "$SCRATCH/elsewhere/demo.dem" ] || fail "demo.dem was written into the current folder"
quit_game

echo "-- Debian package"
rm -f "$BUILD"/timberdrive_*_amd64.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
deb=$(ls "$BUILD"/timberdrive_*_amd64.deb)
lintian_ok=true
lintian --fail-on error "$deb" >"$SCRATCH/lintian.txt" 2>&1 || lintian_ok=false
grep -v 'running with root privileges' "$SCRATCH/lintian.txt" || true
$lintian_ok || fail "lintian reports errors on $deb"
dpkg-deb -f "$deb" Depends | grep -q libsdl2 || fail "the package's dependencies lack SDL2"
dpkg-deb -f "$deb" Depends | grep -q libbox2d && fail "the package depends on a system Box2D, not the one built in"
dpkg-deb -x "$deb" "$SCRATCH/deb"
(cd "$STAGE" && find . -type f | sort) >"$SCRATCH/installed.txt"
(cd "$SCRATCH/deb/usr" && find . -type f | sort) >"$SCRATCH/packaged.txt"
diff "$SCRATCH/installed.txt" "$SCRATCH/packaged.txt" || fail "the package and the install differ"
check_files "$SCRATCH/deb/usr"
start_game "$SCRATCH/deb/usr"
poll 30 window_shows title || fail "no title screen from the package's game"
quit_game

echo "-- install checks passed"
