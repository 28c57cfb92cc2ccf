#!/usr/bin/env bash
# The relay schedules end to end, driven like a user at the keyboard and mouse in the simulated
# lab, and checked against the stand-in relay module's time-stamped relays.log and the count-down
# panel's totals (from the "tesmira.dialogs" debug lines):
#   1. a series of three 2 s recordings every 6 s (space) with R4 "録画/ショット" ON 1 s / OFF 2 s and
#      an R1 "時刻" window of 10 s: R1 goes on when its window starts and off when it ends, with
#      nothing in between; the count-down between recordings shows the real wait, also after a
#      recording stopped early by hand;
#   2. the relay cycle (繰り返し, 2 s x 5): R4 is off when the cycle has ended;
#   3. a time-lapse run stopped with space while R4 is on: R4 goes off at once;
#   4. R1 switched on with its button stays on after Tesmira has closed.
#
#   relays_test.sh TESMIRA LABSIM INI_READER LAB_SH
#
# Exit status 0 when every check passed, 1 on the first failure (the work folder is kept and
# named), 77 when Xvfb or xdotool is missing.
set -uo pipefail

if [ $# -ne 4 ]; then
    echo "usage: relays_test.sh TESMIRA LABSIM INI_READER LAB_SH" >&2
    exit 2
fi
tesmira=$1 labsim=$2 ini=$3 lab=$4

if [ -z "${TESMIRA_E2E_UNDER_XVFB:-}" ]; then
    missing=()
    for tool in xvfb-run Xvfb xdotool; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "SKIP: the relay end-to-end test needs ${missing[*]} (Debian packages xvfb, xauth," \
            "xdotool; scripts/setup.sh installs them)"
        exit 77
    fi
    export TESMIRA_E2E_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1366x768x24" bash "$0" "$@"
fi

. "$(dirname "$0")/common.sh"
make_world relays ""
export QT_LOGGING_RULES="tesmira.dialogs.debug=true"

fail() {
    echo "not ok $((passed + 1)) - $*"
    echo "---- relays.log (last 30 lines)"
    tail -n 30 "$relays" 2>/dev/null
    echo "---- Tesmira and launcher output (last 30 lines of $out)"
    tail -n 30 "$out" 2>/dev/null
    if command -v import >/dev/null 2>&1; then
        import -window root "$tmp/failure.png" 2>/dev/null && echo "screen: $tmp/failure.png"
    fi
    echo "work folder kept: $tmp"
    keep=1
    exit 1
}

finish() {
    local rc=$? pid
    for pid in $(cat "$runtime/tesmira.pid" "$runtime/labsim.pid" 2>/dev/null) $lab_pid; do
        kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    if [ "$keep" = 0 ] && [ "$rc" = 0 ]; then rm -rf "$tmp"; fi
}
trap finish EXIT

relays=$runtime/links/relays.log
lab_ended() { ! kill -0 "$lab_pid" 2>/dev/null; }
now_s() { date +%s.%N; }
# Seconds of the day of "HH:MM:SS.fff" (a relays.log stamp, `date +%T.%N`).
day_seconds() { awk -F: '{ printf "%.3f\n", $1 * 3600 + $2 * 60 + $3 }'; }
clock_of() { date -d "@$1" +%T.%N | day_seconds; }
log_lines() { wc -l <"$relays" 2>/dev/null || echo 0; }
# The switches of the first module after line $1 of relays.log, one "seconds on|off bits" a line;
# bits are the module's four relays after the switch ("1001": R1 and R4 on).
switches_after() {
    tail -n +$(($1 + 1)) "$relays" 2>/dev/null |
        sed -n 's/^[0-9-]* \([0-9:.]*\) SetRelays S4SIM0001 mask 0x[0-9A-F]* \(on\|off\) -> \([01]*\)$/\1 \2 \3/p' |
        while read -r t what bits; do echo "$(day_seconds <<<"$t") $what $bits"; done
}
# When relay $2 (1..4) changed after line $1, "seconds state" a line; it was off before.
changes_of() {
    switches_after "$1" | awk -v r="$2" '
        BEGIN { last = "0" }
        { s = substr($3, r, 1); if (s != last) print $1, s; last = s }'
}
count_ons() { changes_of "$1" "$2" | awk '$2 == 1' | wc -l; }
# The state of relay $1 (1..4) after the last switch logged.
relay_state() { switches_after 0 | tail -n 1 | awk -v r="$1" '{ print substr($3, r, 1) }'; }
# The totals of the count-downs between the recordings of a series, after line $1 of the output.
wait_totals() {
    tail -n +$(($1 + 1)) "$out" | awk '
        /count-down total/ { for (i = 1; i < NF; i++) if ($i == "total") total = $(i + 1) }
        /count-down title 録画再開待ち/ { printf "%s ", total }'
}

# The panel's buttons, where they are when the frame fills the screen from (0, 0).
cycle_button_x=189 cycle_button_y=720  # 1181 "繰り返し"
r1_button_x=117 r1_button_y=671     # 1079 "R1 OFF"
click() { xdotool mousemove "$1" "$2" click 1; }

# Starts the lab and Tesmira with the profile as it is, waits until the window has stayed up for
# 3 s and gives the panel the keys: Tab moves on until a Left arrow reaches the XY stage; then
# LiveStart, as space records only with live video on.
start_tesmira() {
    local tab i from
    out=$tmp/lab.$1.out
    "$lab" -- >"$out" 2>&1 &
    lab_pid=$!
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
    for ((tab = 0; tab < 40; tab++)); do
        from=$(log_size)
        xdotool key Left
        for ((i = 0; i < 15; i++)); do
            received_has xy "$from" 'M:1+P' && { live_start; return 0; }
            sleep 0.1
        done
        xdotool key Tab
    done
    fail "no Left arrow reached the stage controller"
}

close_tesmira() {
    kill -TERM "$(cat "$runtime/tesmira.pid")"
    wait_for 60 "Tesmira closes on SIGTERM" lab_ended
    wait "$lab_pid"
    lab_pid=""
}

# ---- the profile: a series, a synchronised relay and a clock window 150 s from now -------------
"$lab" --prepare-profile >"$tmp/prepare.out" 2>&1 || fail "the demo profile cannot be prepared"
window_start=$(($(date +%s) + 150))
set_key RecMode 1
set_key rtStop_lowerhalf 20000000
set_key rtStop_upperhalf 0
set_key RecInterval 6000
set_key RecRepaet 3
set_key Timelapse 2000
set_key TL_frames 5
set_key TimelapseType 1
set_key TurnOff_Relay 0
set_key "Relay Mode 4" 1
set_key "Relay Sync ON 4" 1000
set_key "Relay Sync OFF 4" 2000
set_key "Relay Mode 1" 2
set_clock() {
    set_key "Clock_$1_H_1" "$(date -d "@$2" +%-H)"
    set_key "Clock_$1_M_1" "$(date -d "@$2" +%-M)"
    set_key "Clock_$1_S_1" "$(date -d "@$2" +%-S)"
}
set_clock ON "$window_start"
set_clock OFF "$((window_start + 10))"

start_tesmira 1
ok "Tesmira runs in the simulated lab with the keys on the panel"

# ---- 1. a series: R1's clock window holds, the count-down shows the real wait -----------------
# The series (about 14 s) starts 3 s before the window, so the 10 s window closes about a second
# before the series ends, whose end switches its clock relays off.
lead=$(awk -v w="$window_start" -v n="$(now_s)" 'BEGIN { printf "%.1f", w - 3 - n }')
awk -v l="$lead" 'BEGIN { exit !(l > 0) }' ||
    fail "Tesmira took too long to start: the clock window began $lead s before the series"
sleep "$lead"
lines=$(log_lines)
out_lines=$(wc -l <"$out")
xdotool key space
sleep 16  # three recordings 6 s apart, the last one 2 s long
r4_ons=$(count_ons "$lines" 4)
[ "$r4_ons" -eq 3 ] || fail "the series switched R4 on $r4_ons times, not 3"
ok "a series of three recordings plays R4's sequence three times"
# R1 changes exactly twice, each within half a second after its window's edge.
r1=$(changes_of "$lines" 1)
verdict=$(awk -v on="$(clock_of "$window_start")" '
    { n++; t[n] = $1; s[n] = $2 }
    END {
        if (n != 2 || s[1] != 1 || s[2] != 0) { print "bad"; exit }
        late_on = t[1] - on; late_off = t[2] - (on + 10)
        printf "on %.2f s and off %.2f s after its edges", late_on, late_off
        if (late_on < 0 || late_on > 0.5 || late_off < 0 || late_off > 0.5) print " bad"
    }' <<<"$r1")
[[ $verdict != *bad* ]] || fail "R1's clock window: $verdict; R1 changed at: $(tr '\n' ' ' <<<"$r1")"
ok "R1 holds its 10 s clock window during the series: $verdict"
totals=$(wait_totals "$out_lines")
# 6 s apart, 2 s long: about 4 s are left when a recording ends, shown as 3 or 4 by the tick.
[[ $totals =~ ^[34]\ [34]\ $ ]] ||
    fail "the count-downs between the recordings started from: $totals"
ok "between the 2 s recordings every 6 s the count-down starts from the 4 s kept: $totals"

# A recording stopped by hand after half a second: the next one still starts 6 s after it began.
out_lines=$(wc -l <"$out")
xdotool key space
sleep 0.5
xdotool key space
sleep 1
totals=$(wait_totals "$out_lines")
[ "$totals" = "5 " ] || [ "$totals" = "4 " ] ||
    fail "after a recording stopped at 0.5 s the count-down started from: $totals"
ok "a recording stopped after 0.5 s: the count-down starts from ${totals% } s"
xdotool key space  # "・・・解除": the series is called off in its wait
sleep 1

# ---- 2. the cycle (繰り返し, 2 s x 5): R4 is off once it has ended -----------------------------
lines=$(log_lines)
click "$cycle_button_x" "$cycle_button_y"
sleep 13  # five cycles of 2 s, and the tick that ends them
cycles=$(count_ons "$lines" 4)
[ "$cycles" -eq 5 ] || fail "the cycle switched R4 on $cycles times, not 5"
[ "$(relay_state 4)" = 0 ] || fail "R4 is still on after the cycle: $(tail -n 3 "$relays")"
ok "the cycle of five switches R4 on five times and leaves it off"

# ---- 3. relays at exit: R1 switched on by hand stays on ---------------------------------------
click "$r1_button_x" "$r1_button_y"
r1_on() { [ "$(relay_state 1)" = 1 ]; }
wait_for 5 "the R1 button switches R1 on" r1_on
lines=$(log_lines)
close_tesmira
[ -z "$(switches_after "$lines")" ] ||
    fail "Tesmira switched relays at exit: $(switches_after "$lines" | tr '\n' ' ')"
ok "R1, switched on by hand, stays on after Tesmira has closed"

# ---- 4. a time-lapse run stopped with space while R4 is on: R4 goes off at once ----------------
set_key RecMode 2
set_key "Relay Mode 1" 0
start_tesmira 2
lines=$(log_lines)
xdotool key space
r4_on() { [ "$(count_ons "$lines" 4)" -ge 1 ]; }
wait_for 15 "the time-lapse run switches R4 on" r4_on
xdotool key space
stopped=$(clock_of "$(now_s)")
sleep 3
off_delay=$(changes_of "$lines" 4 | awk -v t="$stopped" '$2 == 0 && $1 > t - 0.3 {
    printf "%.2f", $1 - t; exit }')
[ -n "$off_delay" ] && awk -v d="$off_delay" 'BEGIN { exit !(d < 0.5) }' ||
    fail "R4 went off ${off_delay:-never} s after the time-lapse stop"
[ "$(relay_state 4)" = 0 ] || fail "R4 is on after the time-lapse run"
ok "stopping a time-lapse run switches R4 off at once ($off_delay s after the key)"
close_tesmira

echo "1..$passed"
