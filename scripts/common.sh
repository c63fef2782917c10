# Shared by scripts/run.sh and scripts/test.sh: installing what is missing and building.
# Sourced, not run.

QUORVEL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What building Quorvel needs, from Debian's and Ubuntu's archives.
QUORVEL_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libqt6sql6-sqlite libicu-dev lsof
    libavahi-compat-libdnssd-dev)
# What the desktop application needs on top of the build packages.
# libqrencode for the remote display's QR codes, Qt's further platform plugins (Debian 12 ships the
# X11 one in libqt6gui6, which Qt pulls in; other releases put it here), and Nimbus Sans, the
# metric-compatible stand-in for the window's Helvetica Neue.
QUORVEL_DESKTOP_PACKAGES=(libqrencode-dev qt6-qpa-plugins fonts-urw-base35)
# What scripts/package.sh needs to make the Debian package: help2man for the manual page,
# dpkg-shlibdeps (dpkg-dev) for the dependencies, and the two validators the package test runs.
QUORVEL_PACKAGE_PACKAGES=(help2man dpkg-dev desktop-file-utils appstream)
# What the test suite needs on top: the page tests' browsers, Chromium and WebKitGTK (Safari's
# engine, driven from Python on a virtual display and a private D-Bus session bus, with the
# GStreamer decoders for the page's H.264/AAC clip); and the real DAWs the end-to-end tests record
# with: Ardour's engine, and Wine with a cross compiler for a Windows program; an mDNS responder
# (avahi-daemon, and avahi-browse to look) for the announcement test; and the package test's tools.
QUORVEL_TEST_PACKAGES=(libgtest-dev chromium nodejs
    xvfb xdotool dbus python3-gi python3-gi-cairo gir1.2-webkit2-4.1 gstreamer1.0-plugins-good gstreamer1.0-libav
    ardour wine wine64 gcc-mingw-w64-x86-64
    avahi-daemon avahi-utils
    "${QUORVEL_PACKAGE_PACKAGES[@]}")
# The desktop integration's checks: a real Wayland session (Weston with XWayland, and Qt's Wayland
# plugin for the native opt-out).
QUORVEL_TEST_PACKAGES+=(weston xwayland qt6-wayland)
# npm, for the page tests' node modules. Installed only where no npm exists: some Node.js builds
# (NodeSource's) carry their own and conflict with this package.
QUORVEL_NPM_PACKAGES=(npm)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# ensure_packages PACKAGE...: installs those not installed yet; does nothing when all are there.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build_tree DIR CMAKE_OPTION...: configures DIR (once, or again when the options change) and builds.
build_tree() {
    local dir="$1"; shift
    cmake -S "$QUORVEL_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

# ensure_page_test_modules: installs the page tests' node modules (tests/page, exactly as its
# package-lock.json says) when they are missing. Never downloads a browser: the tests use
# Debian's chromium.
ensure_page_test_modules() {
    command -v npm >/dev/null 2>&1 || ensure_packages "${QUORVEL_NPM_PACKAGES[@]}"
    local dir="$QUORVEL_ROOT/tests/page"
    [ -f "$dir/node_modules/playwright-core/package.json" ] && return 0
    echo "Installing the page tests' node modules"
    (cd "$dir" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund)
}

# On macOS the same steps use Homebrew (https://brew.sh) instead of apt-get; these definitions
# replace the Debian ones above. Homebrew's "qt" formula installs every Qt module since it was
# split into one formula per module (Homebrew/homebrew-core pull request 246499); "qtbase" has
# Core, Gui, Widgets, Network and macdeployqt, which is all Quorvel uses. macOS has no lsof
# package to install (/usr/sbin/lsof comes with the system) and no nproc.
if [ "$(uname -s)" = Darwin ]; then
    QUORVEL_BUILD_PACKAGES=(cmake ninja pkgconf qtbase icu4c)
    QUORVEL_DESKTOP_PACKAGES=(qrencode)
    QUORVEL_TEST_PACKAGES=(googletest)

    command -v nproc >/dev/null 2>&1 || nproc() { sysctl -n hw.ncpu; }

    ensure_packages() {
        if ! command -v brew >/dev/null 2>&1; then
            echo "Building Quorvel on macOS needs Homebrew: see https://brew.sh" >&2
            return 1
        fi
        local missing=() package
        for package in "$@"; do
            brew --prefix --installed "$package" >/dev/null 2>&1 || missing+=("$package")
        done
        [ ${#missing[@]} -eq 0 ] && return 0
        echo "Installing: ${missing[*]}"
        brew install "${missing[@]}"
    }

    # Homebrew's ICU is keg-only (macOS keeps its own ICU private), so CMake is told where it and
    # Qt are. The bundle says it needs macOS 14, so the code is built for 14 too.
    build_tree() {
        local dir="$1"; shift
        local prefixes
        prefixes="$(brew --prefix qtbase);$(brew --prefix icu4c);$(brew --prefix)"
        cmake -S "$QUORVEL_ROOT" -B "$dir" -G Ninja -DCMAKE_PREFIX_PATH="$prefixes" \
            -DCMAKE_OSX_DEPLOYMENT_TARGET=14.0 "$@" >/dev/null
        cmake --build "$dir" -j "$(nproc)"
    }
fi
