#!/usr/bin/env bash
# Renders the launcher icons under icons/ from src/app/quorvel.svg. Run it after changing the
# SVG and commit what it writes: the build installs the PNGs as they are, so building Quorvel
# needs no SVG renderer. Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svg="$here/../../src/app/quorvel.svg"
# The tree under icons/ is the hicolor theme's own layout (SIZExSIZE/apps/ICON.png), so CMake
# installs it as it is. Each size is rendered from the SVG rather than scaled from a larger PNG,
# so the small ones stay sharp in menus and panels.
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$here/icons/${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "$here/icons/${size}x${size}/apps/com.quorvel.Quorvel.png" "$svg"
done
