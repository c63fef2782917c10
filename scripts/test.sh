#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice: a normal build, and a
# build with the address and undefined-behaviour sanitizers. Stops at the first failing run.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages "${QUORVEL_BUILD_PACKAGES[@]}" ${QUORVEL_DESKTOP_PACKAGES[@]+"${QUORVEL_DESKTOP_PACKAGES[@]}"} \
    "${QUORVEL_TEST_PACKAGES[@]}"
# The page tests drive Chromium at /usr/bin/chromium, Debian's path; neither macOS nor Homebrew's
# own formulae have Chromium there, so on a Mac they are left out, and said so.
skipped_tests=()
if [ "$(uname -s)" = Darwin ]; then
    echo "Skipping the page tests (remote_page): they need Chromium at /usr/bin/chromium, as on Debian." >&2
    skipped_tests=(--exclude-regex '^remote_page$')
else
    ensure_page_test_modules
fi

werror=OFF
[ -n "${CI:-}" ] && werror=ON

run_suite() {
    local dir="$1"; shift
    echo "== Building $(basename "$dir")"
    build_tree "$dir" -DQUORVEL_BUILD_TESTS=ON -DQUORVEL_WERROR="$werror" "$@"
    echo "== Testing $(basename "$dir")"
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 300 \
        ${skipped_tests[@]+"${skipped_tests[@]}"}
}

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_suite "$QUORVEL_ROOT/build/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_SANITIZE=
run_suite "$QUORVEL_ROOT/build/test-asan" -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=address

# The parsers that read what others write (request heads, reaper.ini, project files, lsof's
# output, patterns) under libFuzzer, each for a bounded time (about a minute and a half in all).
echo "== Fuzzing"
bash "$QUORVEL_ROOT/tests/fuzz/run.sh"
