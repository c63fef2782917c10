#!/usr/bin/env bash
# Builds the libFuzzer harnesses in a tree of their own (clang, the core instrumented for coverage,
# address and undefined-behaviour sanitizers) and runs each for a bounded time, two at a time,
# from a copy of its seed corpus so the repository's corpus is never changed. Exits non-zero when
# a harness crashed, naming the input that did it; keep that input in corpus/<harness>/ once
# fixed, so every later run replays it first.
#
# QUORVEL_FUZZ_SECONDS (25): fuzzing time per harness. QUORVEL_FUZZ_JOBS (2): harnesses at once.
# QUORVEL_FUZZ_BUILD (build/fuzz): the build tree.
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"

# libFuzzer comes with clang's runtime on Linux; Apple's clang does not ship it.
if [ "$(uname -s)" != Linux ]; then
    echo "Skipping the fuzzers: they need clang's libFuzzer runtime, packaged here for Debian." >&2
    exit 0
fi
ensure_packages "${QUORVEL_BUILD_PACKAGES[@]}" clang-19 libclang-rt-19-dev

seconds="${QUORVEL_FUZZ_SECONDS:-25}"
jobs="${QUORVEL_FUZZ_JOBS:-2}"
build="${QUORVEL_FUZZ_BUILD:-$QUORVEL_ROOT/build/fuzz}"
fuzzers=(HttpHeadFuzzer ReaperIniFuzzer RecordPathFuzzer LsofFieldsFuzzer PatternFuzzer)

echo "== Building the fuzzers in $build"
started=$SECONDS
cmake -S "$QUORVEL_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-19 -DQUORVEL_BUILD_FUZZERS=ON -DQUORVEL_BUILD_TESTS=OFF \
    -DQUORVEL_BUILD_BENCHMARKS=OFF -DQUORVEL_SANITIZE= >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${fuzzers[@]}"
echo "== Built in $((SECONDS - started)) s"

work="$(mktemp -d "${TMPDIR:-/tmp}/quorvel-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# fuzz NAME: one bounded run; its log and any crashing input go to $work/NAME*.
fuzz() {
    local name="$1"
    mkdir -p "$work/$name/corpus" "$work/$name/artifacts"
    cp -R "$QUORVEL_ROOT/tests/fuzz/corpus/$name/." "$work/$name/corpus/"
    # The outer timeout only guards against a harness that ignores its own limits; a single
    # input may take at most 10 s and the memory is capped so one run cannot starve the others.
    local dictionary=()
    [ -f "$QUORVEL_ROOT/tests/fuzz/$name.dict" ] && dictionary=(-dict="$QUORVEL_ROOT/tests/fuzz/$name.dict")
    local status=0
    timeout --kill-after=5 $((seconds + 25)) "$build/tests/fuzz/$name" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -print_final_stats=1 -artifact_prefix="$work/$name/artifacts/" \
        ${dictionary[@]+"${dictionary[@]}"} "$work/$name/corpus" >"$work/$name.log" 2>&1 || status=$?
    echo "$status" >"$work/$name.status"
}

echo "== Fuzzing ${#fuzzers[@]} harnesses, ${seconds} s each, ${jobs} at a time"
started=$SECONDS
for name in "${fuzzers[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n || true
    done
    fuzz "$name" &
done
wait

failed=0
for name in "${fuzzers[@]}"; do
    status="$(cat "$work/$name.status")"
    runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$name.log" | grep -o '[0-9]*$' || true)"
    if [ "$status" -eq 0 ]; then
        echo "$name: ok, ${runs:-?} runs"
        continue
    fi
    failed=1
    echo "$name: FAILED (exit $status)" >&2
    tail -n 60 "$work/$name.log" >&2
    for artifact in "$work/$name/artifacts/"*; do
        [ -e "$artifact" ] || continue
        kept="$QUORVEL_ROOT/build/fuzz-artifacts/$name/$(basename "$artifact")"
        mkdir -p "$(dirname "$kept")"
        cp "$artifact" "$kept"
        echo "$name: crashing input $kept (replay: $build/tests/fuzz/$name $kept)" >&2
    done
done
echo "== Fuzzed in $((SECONDS - started)) s"
exit "$failed"
