#!/bin/sh
# The game started where no window system answers must not run unseen: it fails at
# once with exit status 1 and the window text on standard error (no message box can
# be shown). The timeout only stops a hang; it is not a measure.
game=$1
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 60 "$game" 2>&1 >/dev/null)
rc=$?
if [ "$rc" -ne 1 ]; then
    echo "exit status $rc, expected 1"
    exit 1
fi
case "$err" in
*"Error: Can't register window class"*) exit 0 ;;
esac
echo "standard error lacks the window text: $err"
exit 1
