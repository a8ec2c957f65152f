#!/bin/sh
# Runs one test program on a real X server of its own, with its own empty XDG folders:
#
#   RunOnDisplay.sh HOME_DIR SCALE PROGRAM [ARGS...]
#
# Xvfb picks a free display number itself (-displayfd), so runs in parallel never collide, and
# stops with the test. The program gets DISPLAY, QT_QPA_PLATFORM=xcb, QT_SCALE_FACTOR=SCALE and
# REALDISPLAY_ARTIFACTS (where pictures of the screen at a failure go: HOME_DIR/failures, kept
# after the run).
set -eu

home=$1 scale=$2
shift 2

if ! command -v Xvfb >/dev/null 2>&1; then
    echo "RunOnDisplay: Xvfb is missing (scripts/install-deps installs it)" >&2
    exit 1
fi

rm -rf "$home"
mkdir -p "$home/config" "$home/state" "$home/cache" "$home/failures"
export XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" XDG_CACHE_HOME="$home/cache"
export REALDISPLAY_ARTIFACTS="$home/failures"

# Room for the host window and its editors at the scale; 24 bits as most desktops are; a black
# root window, so what closed is told from what is shown.
Xvfb -displayfd 3 -screen 0 "$((1920 * scale))x$((1200 * scale))x24" -dpi 96 -br -nolisten tcp \
    -noreset \
    3>"$home/display" 2>"$home/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM

# The server writes its display number once it accepts clients.
tries=0
while ! grep -q '^[0-9][0-9]*$' "$home/display" 2>/dev/null; do
    if ! kill -0 "$xvfb" 2>/dev/null || [ "$tries" -ge 200 ]; then
        echo "RunOnDisplay: Xvfb did not start:" >&2
        cat "$home/xvfb.log" >&2
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.05
done

export DISPLAY=":$(cat "$home/display")"
export QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale"
# Under ASan: libxkbcommon-x11 (Qt's keyboard map on X11) copies the server's atom names, which
# carry no terminating NUL, with strndup and a length. That is correct, but strict string checks
# want every string terminated; the rest of ASan stays on.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
fi
# No session bus or accessibility bridge to wait for on a bare server.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=0 NO_AT_BRIDGE=1

status=0
"$@" || status=$?
if [ "$status" -ne 0 ] && [ -n "$(ls -A "$home/failures")" ]; then
    echo "RunOnDisplay: pictures of the screen at the failures are in $home/failures" >&2
fi
exit "$status"
