#!/usr/bin/env bash
# Tesmira as a new user gets it from the Debian package: the package is built with cpack and
# unpacked (dpkg -x; the installed program finds its private folder from its own place), then
# started with an empty home and no display. It must come up without a single message box, make
# its own folders, leave the relay rows at "--------" with no board attached, and list no relay
# module from its own drivers; pointed at the lab folder it shows the two simulated modules.
#
#   installed_test.sh BUILD_DIR
set -uo pipefail
[ $# -eq 1 ] || { echo "usage: installed_test.sh BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
command -v dpkg-deb >/dev/null || { echo "dpkg-deb is missing: skipped"; exit 77; }
export LC_ALL=C.UTF-8
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tesmira-installed.XXXXXX")
pid=""
finish() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    rm -rf "$tmp"
}
trap finish EXIT
passed=0
fail() {
    echo "not ok $((passed + 1)) - $*"
    echo "---- Tesmira's output"
    tail -n 30 "$tmp/out" 2>/dev/null
    exit 1
}
ok() {
    passed=$((passed + 1))
    echo "ok $passed - $*"
}

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/deb" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; fail "cpack -G DEB"; }
deb=$(find "$tmp/deb" -maxdepth 1 -name 'tesmira_*.deb' | head -1)
[ -n "$deb" ] || fail "no package made"
dpkg-deb -x "$deb" "$tmp/root" || fail "dpkg-deb -x"
tesmira=$tmp/root/usr/bin/tesmira
lab=$(find "$tmp/root/usr/lib" -path '*/tesmira/lab' -type d | head -1)
[ -x "$tesmira" ] && [ -n "$lab" ] || fail "the package lacks the program or the lab folder"
ok "package built and unpacked"

# A new user: empty home, no settings, no test devices, no plug-in path.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_RUNTIME_DIR=$tmp/run
mkdir -p "$HOME" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"
unset TESMIRA_PLUGIN_PATH TESMIRA_TEST_DEVICES TESMIRA_SERIAL_PATH TESMIRA_LABSIM_DIR TESMIRA_TEST
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="tesmira.app.debug=true"

out=$(timeout 60 "$tesmira" --list-devices 2>&1) || fail "--list-devices: $out"
relays=$(sed -n '/^Relay modules/,/^Climate/p' <<<"$out")
[[ $relays == *"  none"* ]] || fail "--list-devices lists relay modules with no board: $out"
[[ $out != *S4SIM* ]] || fail "--list-devices found the simulated lab's modules: $out"
ok "--list-devices from the package lists no relay module"

# start [PLUGIN_PATH]: Tesmira up until its relay rows are known; sets $pid.
start() {
    TESMIRA_PLUGIN_PATH=${1:-} "$tesmira" >"$tmp/out" 2>&1 &
    pid=$!
    for ((i = 0; i < 300; i++)); do
        grep -q "relay modules:" "$tmp/out" && return 0
        grep -q "message box:" "$tmp/out" && fail "a message box: $(grep 'message box:' "$tmp/out")"
        kill -0 "$pid" 2>/dev/null || fail "Tesmira ended"
        sleep 0.1
    done
    fail "the relay rows were never settled"
}
stop() {
    kill -TERM "$pid"
    for ((i = 0; i < 100; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    wait "$pid"
    local status=$?
    pid=""
    [ "$status" -eq 0 ] || fail "Tesmira ended with status $status"
}

start
sleep 2  # whatever start-up still has to say
grep -q "message box:" "$tmp/out" && fail "a message box: $(grep 'message box:' "$tmp/out")"
grep -q "relay modules: 0, rows -------- and --------" "$tmp/out" ||
    fail "relay rows: $(grep 'relay modules:' "$tmp/out")"
ok "a fresh start opens without a message box, relay rows \"--------\""
[ -d "$HOME/Tesmira/Video" ] && [ -d "$HOME/Tesmira/Log" ] || fail "no ~/Tesmira/Video and Log"
ok "the default folders were made"
stop
ok "closed normally"

rm -rf "$HOME" && mkdir -p "$HOME"
start "$lab"
grep -q "relay modules: 2, rows S4SIM0001 and S4SIM0002" "$tmp/out" ||
    fail "with the lab folder: $(grep 'relay modules:' "$tmp/out")"
ok "TESMIRA_PLUGIN_PATH=<lab folder> shows the two simulated modules"
stop
echo "all $passed checks passed"
