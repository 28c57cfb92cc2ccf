#!/usr/bin/env bash
# The whole program with device libraries that misbehave (built in sim/hostile): a libsuper4.so
# and a libUSBMeter.so that are cut short, that crash in every SetRelays, or that hang in it for
# 10 s. Each time Tesmira must come up, say once in the message pane what is wrong with the
# relay library, stay up, and close normally on SIGTERM.
#
#   device_faults_test.sh TESMIRA HOSTILE_DIR
#
# Runs on the offscreen platform (no display needed); the message pane is read from the log.
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: device_faults_test.sh TESMIRA HOSTILE_DIR" >&2; exit 2; }
tesmira=$1 hostile=$(cd "$2" && pwd)
export LC_ALL=C.UTF-8
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tesmira-faults.XXXXXX")
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

# A profile of its own with no serial ports, folders that exist and the test camera, so nothing
# but the libraries can go wrong (and no message box waits for a click).
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/run
mkdir -p "$XDG_CONFIG_HOME/CorvaneSoft" "$HOME" "$tmp/video" "$tmp/log" "$tmp/work"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="tesmira.app.debug=true" TESMIRA_TEST_DEVICES=1
unset TESMIRA_LABSIM_DIR TESMIRA_HOSTILE_CALLS TESMIRA_HOSTILE_BLOCK_MS

# run FOLDER PANE_TEXT WHAT: Tesmira with the libraries of FOLDER must tell PANE_TEXT, stay up
# and close on SIGTERM.
run() {
    local folder=$1 text=$2 what=$3 i status
    cat >"$XDG_CONFIG_HOME/CorvaneSoft/Tesmira.conf" <<INI
[Settings]
Port_1=
Port_2=
Port_3=
Port_4=
Camera=Tesmira Test Camera
DirVideo=$tmp/video/
DirLog=$tmp/log/
TempDrive=$tmp/work/
INI
    TESMIRA_PLUGIN_PATH=$hostile/$folder "$tesmira" >"$tmp/out" 2>&1 &
    pid=$!
    for ((i = 0; i < 300; i++)); do
        grep -q "message pane:.*$text" "$tmp/out" && break
        kill -0 "$pid" 2>/dev/null || { wait "$pid"; fail "$what: Tesmira ended (status $?)"; }
        sleep 0.1
    done
    grep -q "message pane:.*$text" "$tmp/out" || fail "$what: the pane never said \"$text\""
    ok "$what: the message pane says \"$text\""
    sleep 2
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; fail "$what: Tesmira ended (status $?)"; }
    [ "$(grep -c "message pane:.*$text" "$tmp/out")" -eq 1 ] || fail "$what: told more than once"
    ok "$what: Tesmira is still up and has said it once"
    kill -TERM "$pid"
    for ((i = 0; i < 100; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "$what: SIGTERM did not close Tesmira within 10 s"
    wait "$pid"
    status=$?
    pid=""
    [ "$status" -eq 0 ] || fail "$what: Tesmira ended with status $status"
    ok "$what: SIGTERM closes Tesmira normally"
}

run truncated "libsuper4.so" "a library cut short"
run crashing "libsuper4.so が異常終了しました" "a library that crashes"
run blocking "libsuper4.so が応答しません" "a library that hangs"
echo "all $passed checks passed"
