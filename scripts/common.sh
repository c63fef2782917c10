# Shared by scripts/run.sh and scripts/test.sh: installing what is missing and building.
# Sourced, not run.

QUORVEL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What building Quorvel needs, from Debian's and Ubuntu's archives.
QUORVEL_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libicu-dev lsof)
# What the desktop application needs on top of the build packages.
QUORVEL_DESKTOP_PACKAGES=()
# What the test suite needs on top.
QUORVEL_TEST_PACKAGES=(libgtest-dev)

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
