#!/bin/sh
# The game whose X server goes away under it (eight times), or whose window another
# client destroys, must end as other display failures do: exit status 1 and Xlib's
# text, never an abort in the sound library while it still mixes (which one run in
# five did). And a plain quit by Escape ends with 0: in the sanitizer build, that is a
# leak check of a whole run. Timeouts only stop a hang; they are not measures.
game=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# One run: "kill" kills the X server, "destroy" the game's window, "quit" presses
# Escape; $2 is the status expected, $3 the text.
one_run() {
    : >"$tmp/display"
    # A display number the server finds free itself.
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$tmp/display" >/dev/null 2>&1 &
    xvfb=$!
    i=0
    until [ -s "$tmp/display" ]; do
        i=$((i + 1))
        [ $i -gt 300 ] && { echo "Xvfb did not start"; kill $xvfb; exit 1; }
        sleep 0.1
    done
    number=$(head -n 1 "$tmp/display")
    export DISPLAY=:$number
    XDG_DATA_HOME=$tmp timeout 120 "$game" >/dev/null 2>"$tmp/err" &
    game_pid=$!
    # Until the game's window shows, then a second of play.
    i=0
    until window=$(xdotool search --name '^Timberdrive$' 2>/dev/null); do
        i=$((i + 1))
        [ $i -gt 600 ] && { echo "no game window"; cat "$tmp/err"; kill $xvfb $game_pid; exit 1; }
        sleep 0.1
    done
    sleep 1
    case $1 in
    kill) kill -9 $xvfb ;;
    destroy) xdotool windowclose "$window" ;;
    quit) xdotool key --window "$window" Escape ;;
    esac
    wait $game_pid
    rc=$?
    kill -9 $xvfb 2>/dev/null
    wait $xvfb 2>/dev/null
    rm -f "/tmp/.X$number-lock" "/tmp/.X11-unix/X$number"  # what a killed server leaves
    if [ "$rc" -ne "$2" ] || { [ -n "$3" ] && ! grep -q "$3" "$tmp/err"; }; then
        echo "$1: exit status $rc (expected $2), standard error:"
        cat "$tmp/err"
        exit 1
    fi
}

for run in 1 2 3 4 5 6 7 8; do one_run kill 1 "X connection to :[0-9]* broken"; done
# BadWindow or, when the GL driver draws into the window first, BadDrawable.
one_run destroy 1 "X Error of failed request:  Bad"
one_run quit 0 ""
