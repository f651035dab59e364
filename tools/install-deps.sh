#!/bin/sh
# Installs every Debian package the build, the game, the tools and the tests need.
# Idempotent and quiet when everything is present; uses sudo when not root.
set -e
PACKAGES="build-essential cmake pkg-config ninja-build
 libsdl2-dev libsdl2-image-dev libpng-dev libjpeg62-turbo-dev libepoxy-dev
 libopenal-dev libsndfile1-dev libvorbis-dev libopenmpt-dev
 zlib1g-dev libminizip-dev
 libgtest-dev libgmock-dev libbenchmark-dev
 clang libclang-rt-14-dev g++-aarch64-linux-gnu g++-i686-linux-gnu qemu-user
 xvfb xauth xdotool x11-apps libgl1-mesa-dri libx11-dev twm openbox
 python3 python3-pil python3-numpy sox
 dpkg-dev file lintian desktop-file-utils appstream
 emscripten binaryen nodejs chromium firefox-esr"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
# npm comes with some builds of nodejs; Debian's own nodejs needs the package.
command -v npm >/dev/null 2>&1 || missing="$missing npm"
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

# Another package manager (an update in the background) may hold apt's locks for
# a while: wait for it, up to five minutes, and say so, instead of failing.
LOCK_WAIT=300
lock_held() {
    # apt opens its lock files only to lock them.
    $SUDO sh -c 'ls -l /proc/[0-9]*/fd 2>/dev/null' |
        grep -qE '/var/lib/dpkg/lock|/var/lib/apt/lists/lock|/var/cache/apt/archives/lock'
}
apt_waiting() {
    waited=0
    while lock_held && [ "$waited" -lt "$LOCK_WAIT" ]; do
        [ "$waited" -eq 0 ] && echo "Another package manager is running: waiting for it (up to $LOCK_WAIT s)..."
        sleep 5
        waited=$((waited + 5))
    done
    # The timeout covers the gap between the check above and apt taking the lock.
    # shellcheck disable=SC2086
    $SUDO apt-get -o DPkg::Lock::Timeout=$LOCK_WAIT "$@"
}

echo "Installing:$missing"
apt_waiting update -qq
# shellcheck disable=SC2086
apt_waiting install -y -qq --no-install-recommends $missing >/dev/null
