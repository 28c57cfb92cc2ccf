#!/usr/bin/env bash
# Sets up, builds and runs every test: the house rules, the tests once in a normal build and once
# under AddressSanitizer and UndefinedBehaviorSanitizer, then a short run of every fuzz harness.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"
"$here/scripts/check_house.sh"
(cd "$here/build" && ctest --output-on-failure -j "$(nproc)")
if [ "${TESMIRA_SKIP_SANITIZE:-0}" != 1 ]; then
    "$here/scripts/setup.sh" "$here/build-asan" -DTESMIRA_SANITIZE=ON -DTESMIRA_BUILD_BENCH=OFF
    (
        export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        cd "$here/build-asan" && ctest --output-on-failure -j "$(nproc)"
    )
fi
if [ "${TESMIRA_SKIP_FUZZ:-0}" != 1 ]; then
    "$here/scripts/fuzz.sh" "${TESMIRA_FUZZ_SECONDS:-5}"
fi
