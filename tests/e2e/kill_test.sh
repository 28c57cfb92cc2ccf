#!/usr/bin/env bash
# Recordings cut short by SIGKILL, found again at the next start. scripts/lab.sh runs the simulated
# lab and Tesmira with a throw-away demo profile on an Xvfb display of the test's own; xdotool presses space to record; the
# program is killed mid-recording and started again, and the files, the message pane (read from
# the log, "tesmira.app" debug lines) and the settings it writes are checked:
#   1. a movie in the video folder      3. a time-lapse AVI series
#   2. a movie in the RAM-disk work folder  4. a BMP series in the work folder
# Each repaired file has its final name and a header that counts the frames a decoder reads, and
# the next recording takes the number after it.
#
#   kill_test.sh TESMIRA LABSIM INI_READER LAB_SH
#
# Exit status 0 when every check passed, 1 on the first failure (the work folder is kept and
# named), 77 when Xvfb, xdotool or ffprobe is missing.
set -uo pipefail

if [ $# -ne 4 ]; then
    echo "usage: kill_test.sh TESMIRA LABSIM INI_READER LAB_SH" >&2
    exit 2
fi
tesmira=$1 labsim=$2 ini=$3 lab=$4

missing=()
for tool in Xvfb xdotool ffprobe; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIP: kill test needs ${missing[*]} (Debian packages xvfb, xdotool, ffmpeg)"
    exit 77
fi

. "$(dirname "$0")/common.sh"
# The work folder is on the RAM disk, as users have it.
shm_base=/dev/shm
[ -d "$shm_base" ] && [ -w "$shm_base" ] || shm_base=${TMPDIR:-/tmp}
make_world kill "$(mktemp -d "$shm_base/tesmira-kill-work.XXXXXX")"
export QT_LOGGING_RULES="tesmira.app.debug=true"

xvfb_pid=""
run_no=0

fail() {
    echo "not ok $((passed + 1)) - $*"
    echo "---- Tesmira and launcher output (last 40 lines of $out)"
    tail -n 40 "$out" 2>/dev/null
    kill -0 "$xvfb_pid" 2>/dev/null || echo "---- the X server ${DISPLAY:-} has ended"
    echo "---- files"
    ls -lR "$video" "$work" 2>/dev/null | head -n 60
    echo "work folder kept: $tmp (RAM-disk work folder $work)"
    keep=1
    exit 1
}

finish() {
    local rc=$? pid
    for pid in $(cat "$runtime/tesmira.pid" "$runtime/labsim.pid" 2>/dev/null) $lab_pid; do
        kill -KILL "$pid" 2>/dev/null
    done
    [ -n "$xvfb_pid" ] && kill -TERM "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    if [ "$keep" = 0 ] && [ "$rc" = 0 ]; then rm -rf "$tmp" "$work"; fi
}
trap finish EXIT

# Starts the lab and Tesmira, waits for the window to stay up for 3 s and gives the control panel
# the keyboard: Tab moves on until a Left arrow reaches the XY controller; then live video starts.
start_tesmira() {
    local what=$1 wid="" steady=0 tab from i attempt
    settled() {
        wid=$(xdotool search --onlyvisible --name "$window_name" 2>/dev/null | head -n 1)
        if [ -n "$wid" ]; then steady=$((steady + 1)); else steady=0; fi
        [ "$steady" -ge 30 ]
    }
    # On a busy machine the launcher may give up on the simulated lab before it is ready, or the
    # display may be gone: that start is tried again (twice at most); anything else ending the
    # launcher fails the test.
    for attempt in 1 2 3; do
        ensure_display
        run_no=$((run_no + 1))
        out=$tmp/lab.$run_no.out
        "$lab" -- >"$out" 2>&1 &
        lab_pid=$!
        for ((i = 0; i < 300 && steady < 30; i++)); do
            kill -0 "$lab_pid" 2>/dev/null || break
            settled
            sleep 0.1
        done
        kill -0 "$lab_pid" 2>/dev/null && break
        wait "$lab_pid" 2>/dev/null
        grep -qE "the simulated lab did not start|could not connect to display" "$out" || break
        echo "# $what: the simulated lab or the display failed at the start; trying again"
    done
    wait_for 180 "$what: the window appears" settled
    xdotool windowmove "$wid" 0 0 windowsize "$wid" 1366 768 2>/dev/null
    timeout 10 xdotool windowfocus --sync "$wid" || fail "$what: the window takes no keys"
    sleep 1
    for ((tab = 0; tab < 40; tab++)); do
        from=$(log_size)
        xdotool key Left
        for ((i = 0; i < 20; i++)); do
            received_has xy "$from" 'M:1+P' && { live_start; return 0; }
            kill -0 "$lab_pid" 2>/dev/null || fail "$what: Tesmira ended"
            sleep 0.1
        done
        xdotool key Tab
    done
    fail "$what: no Left arrow reached the stage controller"
}

kill_tesmira() {
    kill -KILL "$(cat "$runtime/tesmira.pid")" 2>/dev/null || fail "no Tesmira to kill"
    wait_for 60 "the launcher ends after the kill" lab_ended
    wait "$lab_pid" 2>/dev/null
    lab_pid=""
}

close_tesmira() {
    kill -TERM "$(cat "$runtime/tesmira.pid")" 2>/dev/null || fail "no Tesmira to close"
    wait_for 60 "Tesmira closes on SIGTERM" lab_ended
    wait "$lab_pid" 2>/dev/null
    lab_pid=""
}
lab_ended() { ! kill -0 "$lab_pid" 2>/dev/null; }

# The one file or folder a glob names ("" when none or more than one).
only() {
    local matches=()
    mapfile -t matches < <(compgen -G "$1")
    [ ${#matches[@]} -eq 1 ] && echo "${matches[0]}"
}
exists() { [ -n "$(only "$1")" ]; }
size_at_least() { [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -ge "$2" ]; }
count_at_least() { [ "$(compgen -G "$1" | wc -l)" -ge "$2" ]; }

# ffprobe's frame count in the header (nb_frames) and the frames it decodes (nb_read_frames).
header_and_read() {
    ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=nb_frames,nb_read_frames -of csv=p=0 "$1" 2>/dev/null
}

# Nothing of the cut recording is left lying about (the disk reserve, hidden temporary files).
no_leftovers() {
    local hidden
    hidden=$(ls -A "$video" "$work" | grep '^\.')
    [ -z "$hidden" ] || fail "$1: left behind: $hidden"
}

# The repaired movie: final name, a header that counts what a decoder reads, its message line.
check_repaired_movie() {
    local number=$1 what=$2 final counts header read
    final=$(only "$video/${prefix}${number}_Rec_at_*fps.avi")
    [ -n "$final" ] || fail "$what: no single ${prefix}${number}_Rec_at_…fps.avi in $video"
    [[ $(basename "$final") =~ _Rec_at_[0-9]+\.[0-9]{2}fps\.avi$ ]] ||
        fail "$what: the name $(basename "$final") has no rate"
    ! exists "$video/${prefix}${number}.avi" && ! exists "$work/${prefix}${number}.avi" ||
        fail "$what: ${prefix}${number}.avi is still there"
    counts=$(header_and_read "$final")
    IFS=, read -r header read <<<"$counts"
    [[ $header =~ ^[0-9]+$ && $read =~ ^[0-9]+$ ]] && [ "$read" -gt 10 ] ||
        fail "$what: ffprobe reads $(basename "$final") as '$counts'"
    [ $((header - read)) -le 1 ] && [ $((read - header)) -le 1 ] ||
        fail "$what: the header counts $header frames, ffprobe decodes $read"
    ok "$what: $(basename "$final"), header $header frames, $read decoded"
    no_leftovers "$what"
    grep -qF "message pane: Movie No.$(printf '%3d' "$((10#$number))") を修復しました" "$out" &&
        grep -qF "$(basename "$final")" "$out" ||
        fail "$what: no message-pane line reports the repair of $(basename "$final")"
    ok "$what: the message pane reports the repair of $(basename "$final")"
    # The log's rows were kept beside the movie: its log holds them, marked as cut short.
    local log=$logs/${prefix}${number}.dat
    [ -s "$log" ] && [ "$(tail -n 1 "$log" | tr -d '\r')" = '<cut short>[0]=1' ] &&
        grep -q '^<N>\[10\]=10' "$log" ||
        fail "$what: no log $(basename "$log") with the rows up to the cut"
    ok "$what: the log $(basename "$log") holds the rows up to the cut"
}

# Records from the focused panel for a few seconds and expects the file `number` to end final.
record_next() {
    local number=$1 where=$2 what=$3
    xdotool key space
    wait_for 30 "$what: space records into ${number}.avi" size_at_least "$where/${prefix}${number}.avi" 1000000
    sleep 1
    xdotool key space
    wait_for 60 "$what: the recording ${number} ends final" \
        exists "$video/${prefix}${number}_Rec_at_*fps.avi"
    ok "$what: the next recording is number $number"
}

# An X server of our own on a display it picks itself (-displayfd), so another test starting one
# at the same moment cannot take it. Made again when it is gone (others' clean-ups on a shared
# machine have been seen to end it).
display_ready() { [ -s "$tmp/display" ] || { kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb ended"; false; }; }
ensure_display() {
    [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null && xdotool getmouselocation         >/dev/null 2>&1 && return 0
    [ -n "$xvfb_pid" ] && { echo "# the X server is gone; starting another"; kill "$xvfb_pid"; }
    : >"$tmp/display"
    Xvfb -displayfd 9 -screen 0 1366x768x24 -nolisten tcp 9>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
    xvfb_pid=$!
    wait_for 30 "Xvfb starts" display_ready
    export DISPLAY=:$(head -n 1 "$tmp/display")
}
ensure_display

"$lab" --prepare-profile >"$out" 2>&1 || fail "the demo profile cannot be prepared"
[ -f "$profile" ] || fail "no demo profile at $profile"
set_key UseTempDrive 0
set_key RecMode 0

# ---- 1. a movie in the video folder, killed mid-recording -------------------------------------
start_tesmira "movie in the video folder"
xdotool key space
recording() {
    local f
    f=$(only "$video/*-001.avi") && [ -n "$f" ] && size_at_least "$f" 20000000 &&
        prefix=$(basename "$f" 001.avi)
}
wait_for 60 "space records into 001.avi" recording
kill_tesmira
[ -s "$video/${prefix}001.avi" ] || fail "the killed recording ${prefix}001.avi is gone"
ok "killed with SIGKILL while recording ${prefix}001.avi ($(stat -c %s "$video/${prefix}001.avi") bytes)"

start_tesmira "restart after the kill in the video folder"
check_repaired_movie 001 "movie in the video folder"
record_next 002 "$video" "after the repair in the video folder"
close_tesmira
[ "$("$ini" "$profile" "Rec No.")" = "Rec No.=3" ] ||
    fail "Rec No. written at exit: $("$ini" "$profile" "Rec No.")"

# ---- 2. a movie in the work folder (RAM disk), killed mid-recording -----------------------------
set_key UseTempDrive 1
start_tesmira "movie in the work folder"
xdotool key space
wait_for 60 "space records into the work folder's 003.avi" \
    size_at_least "$work/${prefix}003.avi" 20000000
kill_tesmira
ok "killed with SIGKILL while recording $work/${prefix}003.avi"

start_tesmira "restart after the kill in the work folder"
check_repaired_movie 003 "movie in the work folder"
record_next 004 "$work" "after the repair in the work folder"
close_tesmira

# ---- 3. a time-lapse AVI series in the video folder, killed between frames ----------------------
set_key UseTempDrive 0
set_key RecMode 2
set_key TimelapseType 0
set_key Timelapse 1000
set_key TL_frames 100000
start_tesmira "time-lapse AVI series"
xdotool key space
# Six frames of 640 x 480 x 3 bytes are past 5.5 MB.
wait_for 60 "space runs a time-lapse AVI series" size_at_least "$video/${prefix}001_TL.avi" 5500000
kill_tesmira
tl_frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries \
    stream=nb_read_frames -of csv=p=0 "$video/${prefix}001_TL.avi" 2>/dev/null)
ok "killed with SIGKILL during the AVI series ${prefix}001_TL.avi ($tl_frames frames readable)"

# ---- 4. a BMP series in the work folder; the AVI series is found at this start ------------------
set_key UseTempDrive 1
set_key TimelapseType 1
start_tesmira "BMP series in the work folder"
series_avi=$(only "$video/${prefix}001_TL_at_0m_1s.avi")
[ -n "$series_avi" ] && ! exists "$video/${prefix}001_TL.avi" ||
    fail "the AVI series is not under ${prefix}001_TL_at_0m_1s.avi"
IFS=, read -r header read <<<"$(header_and_read "$series_avi")"
[[ $read =~ ^[0-9]+$ ]] && [ "$read" -ge "${tl_frames:-1}" ] && [ "$header" = "$read" ] ||
    fail "the AVI series reads as header '$header', decoded '$read' (before: $tl_frames)"
grep -qF "message pane: 齣撮 No.  1 を修復しました" "$out" ||
    fail "no message-pane line reports the AVI series"
ok "the AVI series is $(basename "$series_avi"): $read frames, all counted in its header"

xdotool key space
wait_for 60 "space runs a BMP series in the work folder" \
    count_at_least "$work/${prefix}*_BMP/OneShot*.bmp" 3
folder=$(only "$work/${prefix}*_BMP")
kill_tesmira
stored=$(compgen -G "$folder/OneShot*.bmp" | wc -l)
ok "killed with SIGKILL during the BMP series $(basename "$folder") ($stored pictures)"

start_tesmira "restart after the BMP series"
final=$(only "$video/$(basename "$folder")_at_0m_1s")
[ -n "$final" ] || fail "the BMP series is not under $(basename "$folder")_at_0m_1s in $video"
[ -z "$(ls -A "$work")" ] || fail "the work folder still holds: $(ls -A "$work")"
no_leftovers "BMP series"
[ "$(compgen -G "$final/OneShot*.bmp" | wc -l)" -ge "$stored" ] ||
    fail "$(basename "$final") holds fewer pictures than the $stored stored"
for bmp in "$final"/*; do
    [ "$(head -c 2 "$bmp")" = BM ] || fail "$(basename "$bmp") in the series is no BMP"
done
grep -qF "$(basename "$final")/" "$out" || fail "no message-pane line reports the BMP series"
ok "the BMP series is $(basename "$final")/ in the video folder with every stored picture"
close_tesmira
[ "$("$ini" "$profile" "RecTL No.")" = "RecTL No.=3" ] ||
    fail "RecTL No. written at exit: $("$ini" "$profile" "RecTL No.")"
ok "the counters written at exit are past every cut recording"

echo "1..$passed"
