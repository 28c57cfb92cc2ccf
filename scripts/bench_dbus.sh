#!/usr/bin/env bash
# The automation figures: Tesmira in the simulated lab under Xvfb, on a session bus of its own,
# with live video; then bench_dbus_roundtrip (Position and MoveBy round trips while a recording
# runs) and the 3 x 3 grid of stills of docs/automation_grid.py, timed, with the files it wrote.
#
#   scripts/bench_dbus.sh [BUILD_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)

if [ -z "${TESMIRA_BENCH_UNDER_XVFB:-}" ]; then
    export TESMIRA_BENCH_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1366x768x24" dbus-run-session -- bash "$0" "$build"
fi

tesmira=$build/src/tesmira labsim=$build/sim/tesmira-labsim
ctl=$build/ctl/tesmira-ctl
. "$here/tests/e2e/common.sh"
make_world bench-dbus ""
fail() {
    echo "bench_dbus: $*" >&2
    tail -n 20 "$out" >&2
    exit 1
}
finish() {
    local pid
    for pid in $(cat "$runtime/tesmira.pid" "$runtime/labsim.pid" 2>/dev/null) $lab_pid; do
        kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap finish EXIT

"$here/scripts/lab.sh" --prepare-profile >/dev/null 2>&1 || fail "no demo profile"
set_key RecMode 0
"$here/scripts/lab.sh" "$build" -- >"$out" 2>&1 &
lab_pid=$!
on_bus() { "$ctl" status >/dev/null 2>&1; }
wait_for 120 "Tesmira answers on the session bus" on_bus
live() { "$ctl" live on 2>/dev/null; }
wait_for 30 "live video starts" live

"$build/bench/bench_dbus_roundtrip" || fail "bench_dbus_roundtrip failed"

echo "---- 3 x 3 grid of stills (docs/automation_grid.py)"
start=$(date +%s.%N)
/usr/bin/python3 "$here/docs/automation_grid.py" 100 || fail "the grid script failed"
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" 'BEGIN { printf "grid script total (with python start-up): %.2f s\n", e - s }'
stills=$(find "$video" -name 'TM_*.bmp')
echo "files: $(wc -l <<<"$stills") stills, $(du -ch $stills | tail -n 1 | cut -f1) together"
