#!/bin/sh
# round_tool's command line: usage, recording into a file that cannot take it, and
# verifying a given demo. Run from the build folder: round_tool_cli.sh ./round_tool
set -u
tool=${1:?usage: round_tool_cli.sh PATH_TO_ROUND_TOOL}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# run NAME ARGS...: runs the tool, keeping its exit code, stdout and stderr.
run() {
    name=$1
    shift
    "$tool" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}
rc() { cat "$work/$1.rc"; }

run help --help
[ "$(rc help)" = 0 ] || fail "--help exits $(rc help), not 0"
grep -q "^usage: round_tool" "$work/help.out" || fail "--help prints no usage on standard output"
[ -s "$work/help.err" ] && fail "--help writes to standard error"

run bad --no-such-option
[ "$(rc bad)" = 2 ] || fail "an unknown option exits $(rc bad), not 2"
grep -q "^usage: round_tool" "$work/bad.err" || fail "an unknown option prints no usage on standard error"

run full --seed 3 --seconds 2 --quiet --record /dev/full
[ "$(rc full)" = 0 ] && fail "recording into /dev/full exits 0"
grep -q "/dev/full" "$work/full.err" || fail "recording into /dev/full gives no reason on standard error"
grep -q "^recorded" "$work/full.out" && fail "recording into /dev/full claims it recorded"
[ -c /dev/full ] || fail "/dev/full is no longer a device"

run nofolder --seed 3 --seconds 2 --quiet --record "$work/missing/demo.dem"
[ "$(rc nofolder)" = 0 ] && fail "recording into a missing folder exits 0"
grep -q "missing/demo.dem" "$work/nofolder.err" || fail "recording into a missing folder gives no reason"

run record --seed 3 --seconds 3 --quiet --record "$work/three.dem"
[ "$(rc record)" = 0 ] || fail "recording exits $(rc record)"
# 180 records and a trailer of no checkpoint
[ "$(wc -c <"$work/three.dem")" = $((8 + 12 * 180 + 16)) ] || fail "the recorded demo does not hold 180 records"

run verify --demo "$work/three.dem" --verify --quiet
[ "$(rc verify)" = 0 ] || fail "verifying a demo exits $(rc verify): $(cat "$work/verify.err")"
grep -q "180 updates.*identical" "$work/verify.out" || fail "verifying a demo does not say it replayed every update alike"

run both --demo "$work/three.dem" --record "$work/again.dem" --quiet
[ "$(rc both)" = 2 ] || fail "--demo with --record exits $(rc both), not 2"
[ -s "$work/both.err" ] || fail "--demo with --record is refused without a message"
[ -e "$work/again.dem" ] && fail "--demo with --record wrote a file"

printf 'not a demo' >"$work/short.dem"
run broken --demo "$work/short.dem" --verify --quiet
[ "$(rc broken)" = 0 ] && fail "verifying a broken demo exits 0"
[ -s "$work/broken.err" ] || fail "verifying a broken demo says nothing"

# The title demo ends as it was recorded, in this build too (any build type,
# sanitizers included).
recorded=$(cat "$(dirname "$0")/d1.state")
run title --demo data/d1.dem --quiet
grep -q "end state $recorded$" "$work/title.out" ||
    fail "data/d1.dem does not end in the recorded state $recorded: $(tail -n 1 "$work/title.out")"

if [ "$failures" -ne 0 ]; then
    echo "$failures round_tool check(s) failed"
    exit 1
fi
echo "round_tool command line: all checks passed"
