#!/usr/bin/env bash
# The whole road of one recording, driven from outside like a user at the keyboard:
# scripts/lab.sh starts the simulated lab and Tesmira with a throw-away demo profile under Xvfb;
# xdotool presses the jog keys and space; the simulated devices' traffic log, the video and log
# folders, ffprobe and the settings file written at exit are checked.
#
#   e2e_test.sh TESMIRA LABSIM INI_READER LAB_SH
#
# Exit status 0 when every check passed, 1 on the first failure (the work folder is kept and
# named), 77 when Xvfb, xdotool or ffprobe is missing. TESMIRA_E2E_SHOTS=DIR keeps the screen
# pictures taken along the way (the one after the recording shows live video, a filled panel and
# the recording summary).
set -uo pipefail

if [ $# -ne 4 ]; then
    echo "usage: e2e_test.sh TESMIRA LABSIM INI_READER LAB_SH" >&2
    exit 2
fi
tesmira=$1 labsim=$2 ini=$3 lab=$4

if [ -z "${TESMIRA_E2E_UNDER_XVFB:-}" ]; then
    missing=()
    for tool in xvfb-run Xvfb xdotool ffprobe; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "SKIP: end-to-end test needs ${missing[*]} (Debian packages xvfb, xauth, xdotool," \
            "ffmpeg; scripts/setup.sh installs them)"
        exit 77
    fi
    export TESMIRA_E2E_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1366x768x24" bash "$0" "$@"
fi

. "$(dirname "$0")/common.sh"
make_world e2e ""
shots=${TESMIRA_E2E_SHOTS:-$tmp}
mkdir -p "$shots"


diagnose() {
    echo "---- simulated lab traffic (last 30 lines of $lablog)"
    tail -n 30 "$lablog" 2>/dev/null | cut -c1-200
    echo "---- Tesmira and launcher output (last 40 lines of $out)"
    tail -n 40 "$out" 2>/dev/null
    echo "---- visible windows"
    for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        echo "$w \"$(xdotool getwindowname "$w" 2>/dev/null)\"" \
            "$(xdotool getwindowgeometry "$w" 2>/dev/null | tr -s '\n ' ' ')"
    done
    echo "---- files"
    ls -l "$video" "$logs" 2>/dev/null
    if command -v import >/dev/null 2>&1; then
        import -window root "$tmp/failure.png" 2>/dev/null && echo "screen: $tmp/failure.png"
    fi
}

fail() {
    echo "not ok $((passed + 1)) - $*"
    diagnose
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

# Presses keys and expects the device to receive exactly this escaped text within 5 s.
expect_sent() {
    local device=$1 text=$2 what=$3 from
    shift 3
    from=$(log_size)
    xdotool key "$@"
    wait_for 5 "$what ($* must send $text to $device)" received_has "$device" "$from" "$text"
    ok "$what: $* sends $text"
}

screenshot() { command -v import >/dev/null 2>&1 && import -window root "$shots/$1" 2>/dev/null; }

today_prefix() { date +%y_%m_%d-; }

# ---- start as the README's run command does ---------------------------------------------------
# The demo profile is made first so that stills carry the time overlay.
"$lab" --prepare-profile >"$out" 2>&1 || fail "the demo profile cannot be prepared"
echo "IsTextOutTime=1" >>"$profile"
# Fine Z steps of 10 pulses from a drive standing at 5000.
echo "MoveZ=10" >>"$profile"
export TESMIRA_LABSIM_ARGS="--z-position 5000"
prefix_at_start=$(today_prefix)
"$lab" -- >>"$out" 2>&1 &
lab_pid=$!

wait_for 30 "the simulated lab starts" grep -qs '^labsim ready$' "$runtime/labsim.out"
ok "the simulated lab runs with links in $runtime/links"
[ -e "$runtime/links/xy" ] || fail "no link $runtime/links/xy"
[ -f "$profile" ] || fail "no demo profile at $profile"
ports=$("$ini" "$profile" Port_1 Port_2 Port_3 Port_4 Camera XYaxis_Type Zaxis_Type)
expected_ports="Port_1=$runtime/links/xy
Port_2=$runtime/links/z
Port_3=$runtime/links/shutter
Port_4=$runtime/links/meter
Camera=Tesmira Test Camera
XYaxis_Type=2
Zaxis_Type=0"
[ "$ports" = "$expected_ports" ] || fail "demo profile reads back as: $ports"
ok "the demo profile points at the simulated ports and the test camera"

# The frame is shown, hidden while the capture graph is set up behind the splash, then shown
# again: wait until it has stayed visible for 3 s.
find_window() { wid=$(xdotool search --onlyvisible --name "$window_name" 2>/dev/null | head -n 1); }
steady=0
settled() {
    if find_window && [ -n "$wid" ]; then steady=$((steady + 1)); else steady=0; fi
    [ "$steady" -ge 30 ]
}
wait_for 120 "the window \"無題 - Tesmira\" appears" settled
ok "the window \"無題 - Tesmira\" is shown (window $wid)"

# No window manager runs under Xvfb: give the frame the whole screen the way one would.
xdotool windowmove "$wid" 0 0 windowsize "$wid" 1366 768 2>/dev/null
timeout 10 xdotool windowfocus --sync "$wid" || fail "the window does not take the keyboard"
sleep 1
screenshot start.png

# ---- jog keys: the Sigma Koki texts with the demo's 100/200-pulse steps -----------------------
# The keys jog while the keyboard focus is in the control panel. Activating the window normally
# gives the panel the focus; if a pane or an edit holds it instead, Tab moves on until a Left
# arrow reaches the stage (Tab and Left change nothing else on the way).
fine_left='M:1+P100\r\nG\r\n'
focus_panel() {
    local from i
    for ((tab = 0; tab < 40; tab++)); do
        from=$(log_size)
        xdotool key Left
        for ((i = 0; i < 15; i++)); do
            received_has xy "$from" "$fine_left" && return 0
            kill -0 "$lab_pid" 2>/dev/null || fail "Tesmira ended while looking for the panel"
            sleep 0.1
        done
        xdotool key Tab
    done
    fail "no Left arrow reached the stage controller (expected $fine_left)"
}
focus_panel
ok "fine ←: Left sends $fine_left (after $tab Tab presses)"

expect_sent xy 'M:1-P100\r\nG\r\n' "fine →" Right
expect_sent xy 'M:2+P100\r\nG\r\n' "fine ↑" Up
expect_sent xy 'M:2-P100\r\nG\r\n' "fine ↓" Down
expect_sent xy 'M:1+P200\r\nG\r\n' "coarse ＜" shift+Left
expect_sent xy 'M:2-P200\r\nG\r\n' "coarse ∨" shift+Down
expect_sent xy 'M:W+P100+P100\r\nG\r\n' "fine ┌" Home
expect_sent xy 'M:W-P200-P200\r\nG\r\n' "coarse ┛" shift+Next
expect_sent xy 'M:1-P100\r\nG\r\n' "fine → on the digit key" 6

# A refused step is never shown while another is used, and the keys come back to the panel: the
# fine step edit (100) gets 0 and Enter, the range message is confirmed, then 20 and Enter; the
# next Right arrow moves the stage by 20.
# The fine step edit beside the jog buttons (the frame fills the screen from (0, 0)).
fine_edit_x=340 fine_edit_y=60
message_box() { box=$(xdotool search --onlyvisible --name '^Tesmira$' 2>/dev/null | head -n 1); }
box_gone() { ! message_box || [ -z "$box" ]; }
xdotool mousemove "$fine_edit_x" "$fine_edit_y" click --repeat 3 1
sleep 0.3
xdotool key ctrl+a
xdotool type 0
xdotool key Return
wait_for 10 "0 and Enter in the fine step edit bring the range message" \
    eval 'message_box && [ -n "$box" ]'
screenshot range-message.png
ok "0 and Enter in the fine step edit bring the range message"
timeout 10 xdotool windowfocus --sync "$box" || fail "the range message does not take the keyboard"
xdotool key Return
wait_for 10 "OK closes the range message" box_gone
ok "OK closes the range message"
# Without a window manager nobody gives the keyboard back to the main window: do it as one would.
timeout 10 xdotool windowfocus --sync "$wid" || fail "the window does not take the keyboard back"
sleep 0.3
xdotool type 20
xdotool key Return
sleep 0.3
expect_sent xy 'M:1-P20\r\nG\r\n' "after the corrected step 20, fine →" Right
expect_sent xy 'M:2+P20\r\nG\r\n' "the keys are the panel's again: fine ↑" Up
fine_left='M:1+P20\r\nG\r\n'  # the fine step from now on, also in the later runs

# The TE2000E Z drive has no relative move: a Z key asks for the position ("rSPR"), the drive
# answers "aSPR <pulses>" and the absolute target follows. The simulated drive starts at 5000 and
# a fine step is 10 pulses.
z_exchange() {
    local from=$1 target=$2
    [[ $(received_after z "$from") == *'rSPR\r'*"fSMV$target"'\r'* ]]
}
# Quick presses all arrive: five Ctrl+Up 150 ms apart move the drive five fine steps, to 5050,
# however the presses fall around the position exchange (a press made during the exchange used to
# replace the pending step instead of adding to it, and the drive stopped at 5030).
from=$(log_size)
xdotool key --delay 150 ctrl+Up ctrl+Up ctrl+Up ctrl+Up ctrl+Up
wait_for 5 "five quick Ctrl+Up presses reach fSMV5050" received_has z "$from" 'fSMV5050\r'
sleep 1
last_target=$(received_after z "$from" | grep -o 'fSMV[0-9]*' | tail -n 1)
[ "$last_target" = fSMV5050 ] || fail "after five quick presses the drive was sent to $last_target"
ok "five quick Ctrl+Up presses move five fine steps, from 5000 to fSMV5050\\r"

for step in "ctrl+Up 5060 Z fine up" "ctrl+Down 5050 Z fine down" \
    "shift+ctrl+Up 5550 Z coarse up"; do
    read -r keys target what <<<"$step"
    from=$(log_size)
    xdotool key "$keys"
    wait_for 5 "$what ($keys must send rSPR, then fSMV$target)" z_exchange "$from" "$target"
    ok "$what: $keys sends rSPR\\r and, on the answer, fSMV$target\\r"
done

# ---- one recording: with live video on, space starts it and stops it ---------------------------
recording_file() {
    local p
    for p in "$prefix_at_start" "$(today_prefix)"; do
        [ -s "$video/${p}001.avi" ] && { prefix=$p; return 0; }
    done
    return 1
}
live_start
from=$(log_size)
xdotool key space
wait_for 20 "space starts a recording into 001.avi" recording_file
ok "space starts a recording: $video/${prefix}001.avi grows"
wait_for 5 "the ready query goes to the XY controller while recording" \
    received_has xy "$from" '!:\r\n'
ok "while recording the XY controller is asked !:\\r\\n"
expect_sent xy 'M:1+P20\r\nG\r\n' "fine ← while recording" Left
sleep 3
screenshot during-recording.png  # the status line shows the recording's clock and file
xdotool key space
final="$video/${prefix}001_Rec_at_30.00fps.avi"
finished() { [ -s "$final" ] && [ ! -e "$video/${prefix}001.avi" ]; }
wait_for 30 "space stops the recording and it is renamed ${prefix}001_Rec_at_30.00fps.avi" finished
ok "space stops the recording: $(basename "$final")"

probe=$(ffprobe -v error -select_streams v:0 -count_frames \
    -show_entries stream=codec_type,width,height,nb_read_frames -of default=noprint_wrappers=1 \
    "$final" 2>&1)
frames=$(sed -n 's/^nb_read_frames=//p' <<<"$probe")
grep -q '^codec_type=video$' <<<"$probe" || fail "ffprobe does not read the recording as video: $probe"
[[ $frames =~ ^[0-9]+$ ]] && [ "$frames" -gt 0 ] ||
    fail "the recording holds no frames ($(stat -c %s "$final") bytes; ffprobe: $probe)"
grep -q '^width=640$' <<<"$probe" && grep -q '^height=480$' <<<"$probe" ||
    fail "the recording is not 640 x 480 like the test camera: $probe"
ok "ffprobe reads the recording: 640 x 480, $frames frames"

[ -s "$logs/${prefix}001.dat" ] || fail "no recording log $logs/${prefix}001.dat"
ok "the recording log ${prefix}001.dat is written"

# After a recording the graph runs on, so the video pane shows the test camera's colour bars:
# part of the otherwise grey window must be strongly coloured.
if command -v import >/dev/null 2>&1 && command -v convert >/dev/null 2>&1; then
    sleep 2
    screenshot after-recording.png
    colourful=$(convert "$shots/after-recording.png" -colorspace HSL -channel G -separate \
        +channel -threshold 50% -format '%[fx:mean]' info: 2>/dev/null)
    awk -v f="${colourful:-0}" 'BEGIN { exit !(f > 0.03) }' ||
        fail "no live video after the recording (saturated share of the screen $colourful)"
    ok "live video shows after the recording (saturated share of the screen $colourful)"
else
    echo "# ImageMagick missing: live-video picture not checked"
fi

# ---- a still photo: B with live video writes TM_<prefix>-0000.bmp with the time overlay --------
# A still needs live video, on since before the recording.
still="$video/TM_${prefix}-0000.bmp"
xdotool key b
wait_for 10 "B writes the still photo $(basename "$still")" test -s "$still"
sleep 0.5  # the file appears under its final name only when complete; let the size settle
# A bottom-up 24-bit BMP of the camera size; inside the band from (25, 20) white text on black,
# further down the camera's colour bars.
check=$(python3 - "$still" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
_, width, height, planes, bits = struct.unpack_from("<IiiHH", data, 14)
if magic != b"BM" or offset != 54 or bits != 24 or planes != 1 or size != len(data):
    sys.exit("header: magic %r offset %d bits %d size %d of %d" % (magic, offset, bits, size, len(data)))
if (width, height) != (640, 480) or len(data) != 54 + 640 * 3 * 480:
    sys.exit("size %d x %d, %d bytes" % (width, height, len(data)))
def row(y):  # picture row counted from the top; stored bottom-up
    start = 54 + (height - 1 - y) * width * 3
    return [tuple(data[start + 3 * x:start + 3 * x + 3]) for x in range(width)]
band = [p for y in range(22, 40) for p in row(y)[25:400]]
black = sum(p == (0, 0, 0) for p in band)
white = sum(p == (255, 255, 255) for p in band)
below = row(240)
if black < 100 or white < 100:
    sys.exit("band at (25, 20): %d black and %d white pixels" % (black, white))
if all(p == (0, 0, 0) for p in below):
    sys.exit("the picture below the band is black")
print("%d black and %d white pixels in the band" % (black, white))
PY
) || fail "the still photo is not the stamped camera picture: $check"
ok "B writes $(basename "$still"): 640 x 480 24-bit BMP, $check"

# ---- a normal close: SIGTERM closes the window, the settings are written, the lab stops -------
labsim_pid=$(cat "$runtime/labsim.pid")
tesmira_pid=$(cat "$runtime/tesmira.pid")
kill -TERM "$tesmira_pid"
lab_ended() { ! kill -0 "$lab_pid" 2>/dev/null; }
wait_for 60 "Tesmira closes on SIGTERM and the launcher ends" lab_ended
wait "$lab_pid"
lab_rc=$?
lab_pid=""
[ "$lab_rc" = 0 ] || fail "the launcher ended with status $lab_rc (Tesmira's exit status)"
ok "SIGTERM closes Tesmira normally (status 0)"
! kill -0 "$labsim_pid" 2>/dev/null || fail "the simulated lab still runs after Tesmira ended"
! kill -0 "$tesmira_pid" 2>/dev/null || fail "Tesmira still runs"
[ ! -e "$runtime/links/xy" ] || fail "the simulated lab left its links behind"
ok "the simulated lab is stopped and its links are gone"

year=$(($(date +%Y) - 1900)) month=$(($(date +%-m) - 1)) day=$(date +%-d)
saved=$("$ini" "$profile" "Rec No." "RecTL No." "Date year" "Date month" "Date day" Move Page \
    Port_1 XYaxis_Type Camera)
expected="Rec No.=2
RecTL No.=1
Date year=$year
Date month=$month
Date day=$day
Move=20
Page=200
Port_1=$runtime/links/xy
XYaxis_Type=2
Camera=Tesmira Test Camera"
[ "$saved" = "$expected" ] ||
    fail "settings written at exit differ; expected:
$expected
got:
$saved"
ok "the settings are written at exit with the next recording number (Rec No. 2)"
[ "$("$ini" "$profile" StillPhoto)" = "StillPhoto=1" ] ||
    fail "the still photo counter at exit: $("$ini" "$profile" StillPhoto)"
ok "the still photo counter is written at exit (StillPhoto 1)"

# ---- time-lapse series: the stored mode 2 makes space start a series, with live video on -----
# Starts Tesmira with "TimelapseType" $1, presses space once and waits for $2 (a glob in the video
# folder) to appear; then closes Tesmira normally.
series=""
run_series() {
    local type=$1 pattern=$2 what=$3
    set_key RecMode 2
    set_key TimelapseType "$type"
    set_key Timelapse "${series_interval:-1000}"
    set_key TL_frames "${series_frames:-3}"
    "$lab" -- >"$out" 2>&1 &
    lab_pid=$!
    steady=0
    wait_for 120 "$what: the window comes back" settled
    xdotool windowmove "$wid" 0 0 windowsize "$wid" 1366 768 2>/dev/null
    timeout 10 xdotool windowfocus --sync "$wid" || fail "the window does not take the keyboard"
    sleep 1
    focus_panel
    live_start
    local from
    from=$(log_size)
    xdotool key space
    series_done() {
        series=$(compgen -G "$video/$pattern" | head -n 1)
        [ -n "$series" ]
    }
    wait_for $((30 + ${series_interval:-1000} * ${series_frames:-3} / 1000)) \
        "$what: space runs a series that ends as $pattern" series_done
    # A series of some seconds asks the Z drive for its position every 2 s, no key pressed.
    if [ -n "${series_z_poll:-}" ]; then
        received_has z "$from" 'rSPR\r' ||
            fail "$what: the Z drive was never asked for its position"
        ok "$what: the Z drive is asked for its position (rSPR) while the series runs"
    fi
    sleep 1
    kill -TERM "$(cat "$runtime/tesmira.pid")"
    wait_for 60 "$what: Tesmira closes on SIGTERM" lab_ended
    wait "$lab_pid"
    lab_pid=""
}

run_series 1 "${prefix}*_BMP_at_0m_1s" "BMP series"
bmps=$(ls "$series" | tr '\n' ' ')
[ "$bmps" = "OneShot0000.bmp OneShot0001.bmp OneShot0002.bmp " ] ||
    fail "the BMP series folder $(basename "$series") holds: $bmps"
[ "$(head -c 2 "$series/OneShot0002.bmp")" = BM ] || fail "OneShot0002.bmp is no BMP"
ok "a BMP series leaves $(basename "$series")/ with OneShot0000-0002.bmp"

run_series 0 "${prefix}*_TL_at_0m_1s.avi" "AVI series"
probe=$(ffprobe -v error -select_streams v:0 -count_frames \
    -show_entries stream=nb_read_frames,r_frame_rate -of default=noprint_wrappers=1 "$series" 2>&1)
grep -q '^nb_read_frames=3$' <<<"$probe" && grep -q '^r_frame_rate=30000/1001$' <<<"$probe" ||
    fail "the time-lapse AVI $(basename "$series") reads as: $probe"
ok "an AVI series leaves $(basename "$series") with 3 frames at 30000/1001"

# A time-lapse synchronised with relay 1 ("録画/ショット", ON -2 s, OFF 1 s) at a 10 s interval:
# the stand-in relay module logs each switch with its time, and each picture is taken about 2 s
# after the relay went ON.
relays=$runtime/links/relays.log
set_key "Relay Mode 1" 1
set_key "Relay Sync ON 1" -2000
set_key "Relay Sync OFF 1" 1000
series_z_poll=1 series_interval=10000 series_frames=2 run_series 1 "${prefix}*_BMP_at_0m_10s" "relay time-lapse"
set_key "Relay Mode 1" 0
ons=$(sed -n 's/^[0-9-]* \([0-9:.]*\) SetRelays S4SIM0001 mask 0x01 on .*/\1/p' "$relays")
offs=$(sed -n 's/^[0-9-]* \([0-9:.]*\) SetRelays S4SIM0001 mask 0x01 off .*/\1/p' "$relays")
shot_times=$(for f in "$series"/OneShot*.bmp; do date -r "$f" +%T.%N; done)
seconds() { awk -F: '{ printf "%.3f\n", $1 * 3600 + $2 * 60 + $3 }'; }
verdict=$(paste <(seconds <<<"$ons") <(seconds <<<"$shot_times") | awk '
    NF == 2 { n++; d = $2 - $1; printf "%.2f ", d; if (d < 1.7 || d > 2.8) bad = 1 }
    END { if (n != 2) bad = 1; print (bad ? "bad" : "good") }')
[[ $verdict == *good ]] && [ "$(wc -l <<<"$offs")" -ge 1 ] ||
    fail "relay time-lapse: ON at [$ons], OFF at [$offs], pictures at [$shot_times]: $verdict"
ok "relay time-lapse: each picture comes ${verdict% good} s after relay 1 went ON"

echo "1..$passed"
