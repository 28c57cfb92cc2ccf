#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (in build-fuzz/) and runs each for a while on its seed
# corpus. A crash, a hang or a sanitizer report fails the run and keeps the input in
# build-fuzz/findings/<harness>/; copy it into fuzz/corpus/<harness>/ once the fault is fixed, so
# it stays a regression test.
# Usage: scripts/fuzz.sh [seconds per harness, default 60]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${TESMIRA_FUZZ_BUILD:-$here/build-fuzz}
export CCACHE_BASEDIR="$here"

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESMIRA_FUZZ=ON -DTESMIRA_BUILD_TESTS=OFF -DTESMIRA_BUILD_BENCH=OFF >/dev/null
harnesses=()
for src in "$here"/fuzz/fuzz_*.cpp; do
    harnesses+=("$(basename "$src" .cpp)")
done
cmake --build "$build" -j "$(nproc)" --target "${harnesses[@]}" >"$build/build.log" 2>&1 ||
    { tail -30 "$build/build.log"; exit 1; }

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for h in "${harnesses[@]}"; do
    name=${h#fuzz_}
    seeds="$here/fuzz/corpus/$name"
    work="$build/corpus/$name"
    findings="$build/findings/$name"
    mkdir -p "$work" "$findings"
    # Seeds first (every kept input must still pass), then new inputs for the time given.
    if ! "$build/fuzz/$h" -runs=0 "$seeds" >"$build/$h.seeds.log" 2>&1; then
        echo "fuzz: $h fails on its kept inputs (see $build/$h.seeds.log)"
        failed=1
        continue
    fi
    if "$build/fuzz/$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" "$work" "$seeds" >"$build/$h.log" 2>&1; then
        runs=$(grep -o 'Done [0-9]* runs' "$build/$h.log" | tail -1)
        echo "fuzz: $h: ${runs:-done}, nothing found"
    else
        echo "fuzz: $h found a fault (see $build/$h.log and $findings/)"
        failed=1
    fi
done
exit $failed
