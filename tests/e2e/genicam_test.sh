#!/usr/bin/env bash
# A GenICam camera end to end: Aravis' own GigE Vision simulator (arv-fake-gv-camera-0.8) serves a
# camera on the loopback interface of a network namespace of this test's own, where discovery
# reaches nothing else; Tesmira, started by scripts/lab.sh under Xvfb, lists it in the camera
# dialog, where it is picked with the keyboard; live video shows, space records, RecStop ends the
# recording, and ffprobe counts the frames of the file against its header.
#
#   genicam_test.sh TESMIRA LABSIM INI_READER LAB_SH
#
# Exit status 0 when every check passed, 1 on the first failure (the work folder is kept and
# named), 77 when a tool is missing, no network namespace can be made or the simulator cannot
# bind the loopback interface.
set -uo pipefail

if [ $# -ne 4 ]; then
    echo "usage: genicam_test.sh TESMIRA LABSIM INI_READER LAB_SH" >&2
    exit 2
fi
tesmira=$1 labsim=$2 ini=$3 lab=$4

if [ -z "${TESMIRA_E2E_PRIVATE_NET:-}" ]; then
    missing=()
    for tool in arv-fake-gv-camera-0.8 unshare ip xvfb-run Xvfb xdotool ffprobe; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "SKIP: the GenICam test needs ${missing[*]} (Debian packages aravis-tools," \
            "util-linux, iproute2, xvfb, xauth, xdotool, ffmpeg)"
        exit 77
    fi
    if ! unshare --net true 2>/dev/null; then
        echo "SKIP: no network namespace of its own can be made here (needs root or user" \
            "namespaces); the simulator is only run where its discovery reaches nothing else"
        exit 77
    fi
    export TESMIRA_E2E_PRIVATE_NET=1
    exec unshare --net bash -c 'ip link set lo up && exec bash "$0" "$@"' "$0" "$@"
fi
if [ -z "${TESMIRA_E2E_UNDER_XVFB:-}" ]; then
    export TESMIRA_E2E_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1366x768x24" bash "$0" "$@"
fi

. "$(dirname "$0")/common.sh"
make_world genicam ""
shots=${TESMIRA_E2E_SHOTS:-$tmp}
mkdir -p "$shots"
camera_pid=""

fail() {
    echo "not ok $((passed + 1)) - $*"
    echo "---- Tesmira and launcher output (last 30 lines of $out)"
    tail -n 30 "$out" 2>/dev/null
    echo "---- simulator output"
    tail -n 10 "$tmp/camera.out" 2>/dev/null
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
    for pid in $(cat "$runtime/tesmira.pid" "$runtime/labsim.pid" 2>/dev/null) $lab_pid \
        $camera_pid; do
        kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    if [ "$keep" = 0 ] && [ "$rc" = 0 ]; then rm -rf "$tmp"; fi
}
trap finish EXIT

arv-fake-gv-camera-0.8 -i 127.0.0.1 >"$tmp/camera.out" 2>&1 &
camera_pid=$!
sleep 1
if ! kill -0 "$camera_pid" 2>/dev/null; then
    echo "SKIP: the GenICam simulator cannot bind the loopback interface:"
    tail -n 5 "$tmp/camera.out"
    camera_pid=""
    exit 77
fi
ok "the GenICam simulator serves a camera on 127.0.0.1"

"$lab" --prepare-profile >"$out" 2>&1 || fail "the demo profile cannot be prepared"
set_key RecMode 0
set_key UseTempDrive 0
set_key MediaType 0
# The lab set-up sends no GenICam discovery unless asked; here it reaches only this namespace.
export TESMIRA_GENICAM=1
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

# キャプチャー ▸ カメラ選択: the camera list has the keyboard; the simulator's camera sorts first
# ("Aravis Fake (GV01)"; the test camera in use is not in the list).
dialog=""
dialog_open() {
    dialog=$(xdotool search --onlyvisible --name '^カメラ選択$' 2>/dev/null | head -n 1)
    [ -n "$dialog" ]
}
xdotool key alt+c
sleep 0.5
xdotool key Return
wait_for 20 "キャプチャー ▸ カメラ選択 opens the camera dialog" dialog_open
ok "the camera dialog opens"
sleep 6  # one refresh of the lists (every 5 s) after the background discovery
# Typing the start of its name selects it in the list.
xdotool type Aravis
sleep 0.3
xdotool key Tab space  # >>: the selected camera becomes the chosen one
sleep 1
command -v import >/dev/null 2>&1 && import -window root "$shots/genicam-dialog.png" 2>/dev/null
# Past <<, the microphone list and its two buttons to OK.
xdotool key Tab Tab Tab Tab Tab space
dialog_closed() { ! xdotool search --onlyvisible --name '^カメラ選択$' >/dev/null 2>&1; }
wait_for 20 "OK closes the camera dialog" dialog_closed
chosen() { grep -q '^Camera=Aravis' "$profile" 2>/dev/null; }
sleep 3
live_start
sleep 2
command -v import >/dev/null 2>&1 && import -window root "$shots/genicam-live.png" 2>/dev/null
xdotool key space
recording() {
    local f
    f=$(compgen -G "$video/*-001.avi" | head -n 1) && [ -s "$f" ]
}
wait_for 20 "space starts a recording from the GenICam camera" recording
ok "live video from the GenICam camera records"
sleep 3
xdotool mousemove $rec_stop_xy click 1
stopped() { compgen -G "$video/*-001_Rec_at_*fps.avi" >/dev/null && ! recording; }
wait_for 30 "RecStop ends the recording" stopped
file=$(compgen -G "$video/*-001_Rec_at_*fps.avi" | head -n 1)

kill -TERM "$(cat "$runtime/tesmira.pid")"
lab_ended() { ! kill -0 "$lab_pid" 2>/dev/null; }
wait_for 60 "Tesmira closes on SIGTERM" lab_ended
wait "$lab_pid"
lab_pid=""
chosen || fail "the profile does not name the GenICam camera: $(grep '^Camera=' "$profile")"
ok "the camera picked in the dialog is remembered: $(grep '^Camera=' "$profile")"

probe=$(ffprobe -v error -select_streams v:0 -count_frames \
    -show_entries stream=codec_name,width,height,nb_frames,nb_read_frames -of default=nw=1 "$file")
frames=$(sed -n 's/^nb_read_frames=//p' <<<"$probe")
header=$(sed -n 's/^nb_frames=//p' <<<"$probe")
[ -n "$frames" ] && [ "$frames" -gt 10 ] || fail "ffprobe reads too few frames: $probe"
[ "$frames" = "$header" ] || fail "ffprobe decodes $frames frames, the header says $header"
ok "ffprobe decodes all $frames frames of $(basename "$file") ($(tr '\n' ' ' <<<"$probe"))"
echo "1..$passed"
