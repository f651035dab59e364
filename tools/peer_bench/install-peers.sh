#!/bin/sh
# Installs the peers peer_bench measures against (SFML 2.5 to build against, LÖVE 11.4
# to run) and the tools its notes use (perf, strace, GNU time). Not part of the CI set.
set -e
PACKAGES="libsfml-dev love linux-perf strace time xvfb xauth"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
