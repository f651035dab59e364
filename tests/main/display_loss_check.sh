#!/bin/sh
# The game whose X server goes away under it must end as other start-up and display
# failures do: exit status 1 and Xlib's text, never an abort in the sound library
# while it still mixes (which one run in five did). Eight runs; timeouts only stop a
# hang, they are not measures.
game=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
run=0
while [ $run -lt 8 ]; do
run=$((run + 1))
# A display number the server finds free itself.
: >"$tmp/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$tmp/display" >/dev/null 2>&1 &
xvfb=$!
i=0
until [ -s "$tmp/display" ]; do
    i=$((i + 1))
    [ $i -gt 300 ] && { echo "Xvfb did not start"; kill $xvfb; exit 1; }
    sleep 0.1
done
number=$(head -n 1 "$tmp/display")
display=:$number
DISPLAY=$display XDG_DATA_HOME=$tmp timeout 120 "$game" >/dev/null 2>"$tmp/err" &
game_pid=$!
# Until the game's window shows, then a second of play.
i=0
until DISPLAY=$display xdotool search --name '^Timberdrive$' >/dev/null 2>&1; do
    i=$((i + 1))
    [ $i -gt 600 ] && { echo "no game window"; cat "$tmp/err"; kill $xvfb $game_pid; exit 1; }
    sleep 0.1
done
sleep 1
kill -9 $xvfb
wait $game_pid
rc=$?
wait $xvfb 2>/dev/null
rm -f "/tmp/.X$number-lock" "/tmp/.X11-unix/X$number"  # what the killed server leaves
if [ "$rc" -ne 1 ]; then
    echo "run $run: exit status $rc, expected 1"
    cat "$tmp/err"
    exit 1
fi
if ! grep -q "X connection to $display broken" "$tmp/err"; then
    echo "run $run: standard error lacks Xlib's text:"
    cat "$tmp/err"
    exit 1
fi
done
