#!/bin/sh
# The start-up error box (the game alone in a folder without its data) must end with
# the game: on SIGTERM to the game, and when the game is killed outright, the box's
# own process (SDL forks one to show it) goes too. Timeouts only stop a hang.
game=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$game" "$tmp/timberdrive"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$tmp/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
i=0
until [ -s "$tmp/display" ]; do
    i=$((i + 1))
    [ $i -gt 300 ] && { echo "Xvfb did not start"; exit 1; }
    sleep 0.1
done
display=:$(head -n 1 "$tmp/display")
# Gone, or a zombie waiting for whoever reaps it.
gone() {
    state=$(ps -o stat= -p "$1") || return 0
    [ "${state#Z}" != "$state" ]
}
# Waits up to ten seconds for the process to go.
ends() {
    i=0
    until gone "$1"; do
        i=$((i + 1))
        [ $i -gt 100 ] && return 1
        sleep 0.1
    done
}
for signal in TERM KILL; do
    DISPLAY=$display XDG_DATA_HOME=$tmp "$tmp/timberdrive" >/dev/null 2>&1 &
    game_pid=$!
    i=0
    until box=$(pgrep -P $game_pid); do
        i=$((i + 1))
        [ $i -gt 600 ] && { echo "$signal: no box was shown"; exit 1; }
        sleep 0.1
    done
    kill -$signal $game_pid
    ends $game_pid || { echo "$signal: the game went on"; kill -9 $game_pid "$box"; exit 1; }
    ends "$box" || { echo "$signal: the box outlived the game"; kill -9 "$box"; exit 1; }
done
