#!/usr/bin/env bash
# Builds Quorvel if needed and runs it. Extra arguments go to quorvel (try --help).
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages "${QUORVEL_BUILD_PACKAGES[@]}" ${QUORVEL_DESKTOP_PACKAGES[@]+"${QUORVEL_DESKTOP_PACKAGES[@]}"}
build_tree "$QUORVEL_ROOT/build/run" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_BUILD_TESTS=OFF

# With no arguments the desktop application starts; without a display, the headless mode.
if [ $# -eq 0 ] && [ "$(uname -s)" != Darwin ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): running the headless mode." >&2
    echo "For the windows, run it in a desktop session, or under Xvfb: xvfb-run -a scripts/run.sh" >&2
    set -- --headless
fi
program="$QUORVEL_ROOT/build/run/src/app/quorvel"
# On macOS the program is the executable inside the application bundle.
if [ "$(uname -s)" = Darwin ]; then
    program="$QUORVEL_ROOT/build/run/src/app/Quorvel.app/Contents/MacOS/Quorvel"
fi
exec "$program" "$@"
