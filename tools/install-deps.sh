#!/bin/sh
# Installs every Debian package the build, the game, the tools and the tests need.
# Idempotent and quiet when everything is present; uses sudo when not root.
set -e
PACKAGES="build-essential cmake pkg-config ninja-build
 libsdl2-dev libsdl2-image-dev libpng-dev libepoxy-dev
 libopenal-dev libsndfile1-dev libopenmpt-dev
 zlib1g-dev libminizip-dev
 libgtest-dev libgmock-dev libbenchmark-dev
 clang libclang-rt-14-dev
 xvfb xauth xdotool x11-apps libgl1-mesa-dri libx11-dev twm openbox
 python3 python3-pil python3-numpy sox
 dpkg-dev file lintian desktop-file-utils appstream"

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
