#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice (a normal build, and
# a build with the address and undefined-behaviour sanitizers), the tests that cross threads once
# more under the thread sanitizer, and the fuzzers. Stops at the first failing run.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages "${QUORVEL_BUILD_PACKAGES[@]}" ${QUORVEL_DESKTOP_PACKAGES[@]+"${QUORVEL_DESKTOP_PACKAGES[@]}"} \
    "${QUORVEL_TEST_PACKAGES[@]}"
# The page tests drive Chromium at /usr/bin/chromium, Debian's path, and Debian's WebKitGTK; neither macOS nor Homebrew's
# own formulae have Chromium there, so on a Mac they are left out, and said so.
skipped_tests=()
if [ "$(uname -s)" = Darwin ]; then
    echo "Skipping the page tests (remote_page*): they need Debian's Chromium (/usr/bin/chromium) and WebKitGTK." >&2
    skipped_tests=(--exclude-regex '^remote_page')
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

# The tests whose code crosses threads (the watcher and its scan thread, the pattern guard, the
# remote display's server thread, the lsof runner), again under the thread sanitizer. Their test
# binaries are run directly, as only these are built in this tree.
echo "== Testing test-tsan"
tsan_dir="$QUORVEL_ROOT/build/test-tsan"
tsan_tests=(model_tests remote_tests platform_tests)
[ "$(uname -s)" = Darwin ] && tsan_tests=(model_tests remote_tests)
cmake -S "$QUORVEL_ROOT" -B "$tsan_dir" -G Ninja -DQUORVEL_BUILD_TESTS=ON -DQUORVEL_WERROR="$werror" \
    -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=thread >/dev/null
cmake --build "$tsan_dir" -j "$(nproc)" --target "${tsan_tests[@]}"
for test_binary in "${tsan_tests[@]}"; do
    area="${test_binary%_tests}"
    QT_QPA_PLATFORM=offscreen QUORVEL_BINARY_DIR="$tsan_dir" TSAN_OPTIONS="halt_on_error=1" \
        "$tsan_dir/tests/$area/$test_binary" --gtest_brief=1
done

# The parsers that read what others write (request heads, reaper.ini, project files, lsof's
# output, patterns) under libFuzzer, each for a bounded time (about a minute and a half in all).
echo "== Fuzzing"
bash "$QUORVEL_ROOT/tests/fuzz/run.sh"
