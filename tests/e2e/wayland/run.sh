#!/usr/bin/env bash
# End-to-end tests of the Qt program `vennox` in a Wayland session: a
# headless weston compositor with XWayland, as on a default Plasma or GNOME
# desktop.
#
#   tests/e2e/wayland/run.sh BUILD-DIR      (BUILD-DIR/ui/qt/vennox must exist)
#
# - Wayland and X11 both offered, no platform chosen: the program runs
#   through XWayland, its window appears there, and the remembered window
#   origin stays as stored.
# - Wayland alone: the program keeps running (or refuses with its message)
#   and never writes a window origin that Wayland did not report.
set -u

usage() { echo "usage: $0 BUILD-DIR" >&2; exit 2; }
[ $# -eq 1 ] || usage
BUILD=$(cd "$1" 2>/dev/null && pwd) || usage
HERE=$(cd "$(dirname "$0")" && pwd)
VENNOX=$BUILD/ui/qt/vennox
[ -x "$VENNOX" ] || { echo "no program at $VENNOX" >&2; exit 2; }
for tool in weston Xwayland xdotool xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
# shellcheck source=../harness.sh
. "$HERE/../harness.sh"

WORK=$(mktemp -d /tmp/vennox-wayland.XXXXXX)
chmod 700 "$WORK"
WESTON_PID=
APP_PID=
cleanup() {
    for pid in $APP_PID $WESTON_PID; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$WORK/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM QT_IM_MODULE
SOCKET=vennox-test

weston --backend=headless-backend.so --xwayland --socket="$SOCKET" --idle-time=0 \
    >"$WORK/weston.log" 2>&1 &
WESTON_PID=$!
xwayland_display() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$WORK/weston.log"; }
if ! wait_until 20 test -S "$XDG_RUNTIME_DIR/$SOCKET" || ! wait_until 10 test -n "$(xwayland_display)"; then
    cat "$WORK/weston.log" >&2
    e2e_fail "weston with XWayland did not start"
    e2e_summary
    exit 1
fi
XDISPLAY=$(xwayland_display)

# start_app NAME [ENV...]: the program with a profile whose stored origin is
# 300, 200, in its own home; sets PROFILE and APP_PID.
start_app() {
    local home=$WORK/$1
    shift
    PROFILE=$home/config/vennox/Vennox.ini
    mkdir -p "$home/config/vennox"
    printf '[Location]\nLeft=300\nTop=200\n' >"$PROFILE"
    env HOME="$home" XDG_CONFIG_HOME="$home/config" "$@" "$VENNOX" >"$home/out.log" 2>&1 &
    APP_PID=$!
    APP_LOG=$home/out.log
}

stop_app() {
    kill "$APP_PID" 2>/dev/null
    wait "$APP_PID" 2>/dev/null
    APP_PID=
}

origin_untouched() {
    grep -qx 'Left=300' "$PROFILE" && grep -qx 'Top=200' "$PROFILE"
}

app_running() { kill -0 "$APP_PID" 2>/dev/null; }

# Both offered: through XWayland, where the window appears.
start_app both WAYLAND_DISPLAY="$SOCKET" DISPLAY="$XDISPLAY"
if DISPLAY=$XDISPLAY wait_until 20 xdotool search --pid "$APP_PID" --name '^Vennox$' >/dev/null 2>&1; then
    e2e_pass "both offered: the window appears on the XWayland display"
else
    e2e_fail "both offered: no window on the XWayland display $XDISPLAY ($(tail -n 3 "$APP_LOG"))"
fi
if app_running && origin_untouched; then
    e2e_pass "both offered: running, stored origin untouched"
else
    e2e_fail "both offered: running=$(app_running && echo yes || echo no), profile: $(tr '\n' ' ' <"$PROFILE")"
fi
stop_app

# Wayland alone: running some seconds later, or refused with the message;
# the origin is never written from a position Wayland did not report.
start_app alone WAYLAND_DISPLAY="$SOCKET"
wait_until 5 grep -q . "$APP_LOG" # Qt's first words, if any
sleep_until=$((SECONDS + 5))
while app_running && [ $SECONDS -lt $sleep_until ]; do sleep 0.2; done
if app_running; then
    e2e_pass "Wayland alone: still running after 5 seconds"
elif grep -q '^vennox: cannot open a window' "$APP_LOG"; then
    e2e_pass "Wayland alone: refused with its message"
else
    wait "$APP_PID"
    e2e_fail "Wayland alone: ended with status $? ($(tail -n 3 "$APP_LOG"))"
fi
if origin_untouched; then
    e2e_pass "Wayland alone: stored origin untouched"
else
    e2e_fail "Wayland alone: profile now $(tr '\n' ' ' <"$PROFILE")"
fi
stop_app

e2e_summary
