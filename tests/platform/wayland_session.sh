#!/bin/bash
# A real Wayland session (Weston, headless, with XWayland): Quorvel's floating window must come up
# as an X11 window under XWayland, where it can be kept on top, unless QT_QPA_PLATFORM asks for
# native Wayland. Usage: wayland_session.sh QUORVEL
set -u
quorvel="$1"
work="$(mktemp -d)"
chmod 700 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$work"/*.log; do echo "--- $f"; tail -20 "$f"; done; exit 1; }

export XDG_RUNTIME_DIR="$work" HOME="$work" XDG_CONFIG_HOME="$work/config"
unset DISPLAY QT_QPA_PLATFORM
weston --backend=headless-backend.so --xwayland --socket=wayland-test --idle-time=0 \
    >"$work/weston.log" 2>&1 &
pids+=($!)
# Weston names XWayland's display in its log once the X server listens.
display=""
for _ in $(seq 300); do
    display="$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -1)"
    [ -n "$display" ] && [ -S "$work/wayland-test" ] && break
    sleep 0.1
done
[ -n "$display" ] || fail "weston did not start XWayland"
export WAYLAND_DISPLAY=wayland-test XDG_SESSION_TYPE=wayland DISPLAY="$display"

# X11 windows named "Quorvel" on XWayland's display, polled for up to 30 s.
x_windows() {
    for _ in $(seq 60); do
        DISPLAY="$display" xdotool search --name '^Quorvel$' 2>/dev/null && return 0
        sleep 0.5
    done
    return 1
}

"$quorvel" >"$work/xwayland.log" 2>&1 &
pid=$!
pids+=($pid)
x_windows >/dev/null || fail "no Quorvel window on XWayland's display $display"
kill "$pid"; wait "$pid" 2>/dev/null
echo "default: the floating window is an X11 window on XWayland ($display)"

QT_QPA_PLATFORM=wayland "$quorvel" >"$work/native.log" 2>&1 &
pid=$!
pids+=($pid)
sleep 5
kill -0 "$pid" 2>/dev/null || fail "quorvel did not keep running on native Wayland"
if DISPLAY="$display" xdotool search --name '^Quorvel$' >/dev/null 2>&1; then
    fail "QT_QPA_PLATFORM=wayland still opened an X11 window"
fi
echo "QT_QPA_PLATFORM=wayland: native, no X11 window"
