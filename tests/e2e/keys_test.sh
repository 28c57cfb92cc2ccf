#!/usr/bin/env bash
# The space key and the panel's recording buttons under one rule, with real key presses and
# clicks: scripts/lab.sh starts the simulated lab and Tesmira under Xvfb; with live video stopped,
# a click on the panel's background and space record nothing (RecStart is greyed then); with live
# video on, space starts a recording and the RecStop button ends it.
#
#   keys_test.sh TESMIRA LABSIM INI_READER LAB_SH
#
# Exit status 0 when every check passed, 1 on the first failure (the work folder is kept and
# named), 77 when Xvfb or xdotool is missing.
set -uo pipefail

if [ $# -ne 4 ]; then
    echo "usage: keys_test.sh TESMIRA LABSIM INI_READER LAB_SH" >&2
    exit 2
fi
tesmira=$1 labsim=$2 ini=$3 lab=$4

if [ -z "${TESMIRA_E2E_UNDER_XVFB:-}" ]; then
    missing=()
    for tool in xvfb-run Xvfb xdotool; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "SKIP: the key test needs ${missing[*]} (Debian packages xvfb, xauth, xdotool)"
        exit 77
    fi
    export TESMIRA_E2E_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1366x768x24" bash "$0" "$@"
fi

. "$(dirname "$0")/common.sh"
make_world keys ""

fail() {
    echo "not ok $((passed + 1)) - $*"
    echo "---- Tesmira and launcher output (last 30 lines of $out)"
    tail -n 30 "$out" 2>/dev/null
    echo "---- files"
    ls -lA "$video" "$work" 2>/dev/null
    command -v import >/dev/null 2>&1 && import -window root "$tmp/failure.png" 2>/dev/null &&
        echo "screen: $tmp/failure.png"
    echo "work folder kept: $tmp"
    keep=1
    exit 1
}

finish() {
    local rc=$? pid i
    if [ -n "$lab_pid" ] && kill -0 "$lab_pid" 2>/dev/null; then
        kill -TERM "$lab_pid" 2>/dev/null
        for ((i = 0; i < 300; i++)); do kill -0 "$lab_pid" 2>/dev/null || break; sleep 0.1; done
    fi
    for pid in $(cat "$runtime/tesmira.pid" "$runtime/labsim.pid" 2>/dev/null) $lab_pid; do
        kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    if [ "$keep" = 0 ] && [ "$rc" = 0 ]; then rm -rf "$tmp"; fi
}
trap finish EXIT

"$lab" --prepare-profile >"$out" 2>&1 || fail "the demo profile cannot be prepared"
set_key RecMode 0
set_key UseTempDrive 0
"$lab" -- >>"$out" 2>&1 &
lab_pid=$!

wid=""
steady=0
settled() {
    wid=$(xdotool search --onlyvisible --name "$window_name" 2>/dev/null | head -n 1)
    if [ -n "$wid" ]; then steady=$((steady + 1)); else steady=0; fi
    [ "$steady" -ge 30 ]
}
wait_for 120 "the window appears" settled
xdotool windowmove "$wid" 0 0 windowsize "$wid" 1366 768 2>/dev/null
timeout 10 xdotool windowfocus --sync "$wid" || fail "the window does not take the keyboard"
sleep 1
# The keys are the panel's once a Left arrow reaches the XY controller.
keys_on_panel() {
    local tab from i
    for ((tab = 0; tab < 40; tab++)); do
        from=$(log_size)
        xdotool key Left
        for ((i = 0; i < 15; i++)); do
            received_has xy "$from" 'M:1+P' && return 0
            sleep 0.1
        done
        xdotool key Tab
    done
    fail "no Left arrow reached the stage controller"
}
keys_on_panel
ok "the keys reach the panel"

avis() { compgen -G "$video/*.avi" || compgen -G "$work/*.avi"; }

live_start
xdotool mousemove $live_stop_xy click 1
sleep 1
xdotool mousemove $panel_background_xy click 1
sleep 0.5
xdotool key space
sleep 3
[ -z "$(avis)" ] || fail "space recorded with live video stopped: $(avis)"
ok "LiveStart, LiveStop, a click on the panel and space record nothing"

live_start
xdotool key space
recording() {
    local f
    f=$(compgen -G "$video/*-001.avi" | head -n 1) && [ -s "$f" ]
}
wait_for 20 "with live video on, space starts a recording into 001.avi" recording
ok "with live video on, space starts a recording"
sleep 1
xdotool mousemove $rec_stop_xy click 1
stopped() { compgen -G "$video/*-001_Rec_at_*fps.avi" >/dev/null && ! recording; }
wait_for 30 "the RecStop button ends the recording the key started" stopped
ok "the RecStop button ends the recording the key started: $(basename "$(compgen -G "$video/*-001_Rec_at_*fps.avi")")"

kill -TERM "$(cat "$runtime/tesmira.pid")"
lab_ended() { ! kill -0 "$lab_pid" 2>/dev/null; }
wait_for 60 "Tesmira closes on SIGTERM" lab_ended
wait "$lab_pid"
rc=$?
lab_pid=""
[ "$rc" = 0 ] || fail "the launcher ended with status $rc"
ok "SIGTERM closes Tesmira at once (status 0)"
echo "1..$passed"
