#!/usr/bin/env bash
# Builds the Debian package of Quorvel: installs what is missing, builds a Release tree without
# tests in build/package, and runs CPack's DEB generator there. The last line printed is the
# path of the .deb.
set -euo pipefail
source "$(dirname "$0")/common.sh"

if [ "$(uname -s)" != Linux ]; then
    echo "scripts/package.sh makes a Debian package and runs on Linux only." >&2
    exit 1
fi

ensure_packages "${QUORVEL_BUILD_PACKAGES[@]}" "${QUORVEL_DESKTOP_PACKAGES[@]}" \
    "${QUORVEL_PACKAGE_PACKAGES[@]}"

dir="$QUORVEL_ROOT/build/package"
echo "== Building $(basename "$dir")"
# Every option that could put something else into the tree is set, so a cache left by an
# earlier configure cannot.
build_tree "$dir" -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF \
    -DQUORVEL_BUILD_BENCHMARKS=OFF -DQUORVEL_BUILD_FUZZERS=OFF -DQUORVEL_SANITIZE= \
    -DQUORVEL_WERROR=OFF -DQUORVEL_MAN_PAGE=ON

echo "== Packaging"
rm -f "$dir"/quorvel_*.deb
(cd "$dir" && cpack -G DEB --config CPackConfig.cmake)
debs=("$dir"/quorvel_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "cpack did not leave exactly one quorvel_*.deb in $dir" >&2
    exit 1
fi
echo "${debs[0]}"
