#!/usr/bin/env bash
# Builds Quorvel if needed and runs it. Extra arguments go to quorvel (try --help).
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages "${QUORVEL_BUILD_PACKAGES[@]}" ${QUORVEL_DESKTOP_PACKAGES[@]+"${QUORVEL_DESKTOP_PACKAGES[@]}"}
build_tree "$QUORVEL_ROOT/build/run" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_BUILD_TESTS=OFF

if [ $# -eq 0 ]; then
    set -- --headless
fi
exec "$QUORVEL_ROOT/build/run/src/app/quorvel" "$@"
