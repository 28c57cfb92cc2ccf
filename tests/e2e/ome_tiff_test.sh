#!/usr/bin/env bash
# Time-lapse OME-TIFF series in the simulated lab, read back with Debian's python3-tifffile:
#   1. a 5-frame series at 1 s with a jog after the second frame: 5 pages of one size, DeltaT
#      about 1000 ms apart, PositionX moving with the jog;
#   2. a series killed with SIGKILL after 3 frames: the next start finishes it and it opens with
#      every stored frame;
#   3. a still photo with the scale bar at 0.5 µm a pixel: the bar is length / 0.5 pixels (±1).
#
#   ome_tiff_test.sh TESMIRA LABSIM INI_READER LAB_SH
#
# Exit status 0 when every check passed, 1 on the first failure (the work folder is kept), 77 when
# Xvfb, xdotool or python3-tifffile is missing.
set -uo pipefail

if [ $# -ne 4 ]; then
    echo "usage: ome_tiff_test.sh TESMIRA LABSIM INI_READER LAB_SH" >&2
    exit 2
fi
tesmira=$1 labsim=$2 ini=$3 lab=$4
py=/usr/bin/python3

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: needs $tool"; exit 77; }
done
"$py" -c 'import tifffile' 2>/dev/null || { echo "SKIP: needs python3-tifffile"; exit 77; }

. "$(dirname "$0")/common.sh"
make_world ome ""
xvfb_pid=""

fail() {
    echo "not ok $((passed + 1)) - $*"
    tail -n 30 "$out" 2>/dev/null
    ls -l "$video" "$work" 2>/dev/null
    echo "work folder kept: $tmp"
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
    if [ "$keep" = 0 ] && [ "$rc" = 0 ]; then rm -rf "$tmp"; fi
}
trap finish EXIT

display_ready() { [ -s "$tmp/display" ]; }
: >"$tmp/display"
Xvfb -displayfd 9 -screen 0 1366x768x24 -nolisten tcp 9>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for 30 "Xvfb starts" display_ready
export DISPLAY=:$(head -n 1 "$tmp/display")

# Starts the lab and Tesmira, gives the control panel the keyboard (Tab until a Left arrow
# reaches the XY controller) and starts live video.
start_tesmira() {
    local what=$1 wid="" steady=0 tab from i
    settled() {
        wid=$(xdotool search --onlyvisible --name "$window_name" 2>/dev/null | head -n 1)
        if [ -n "$wid" ]; then steady=$((steady + 1)); else steady=0; fi
        [ "$steady" -ge 30 ]
    }
    "$lab" -- >>"$out" 2>&1 &
    lab_pid=$!
    wait_for 180 "$what: the window appears" settled
    xdotool windowmove "$wid" 0 0 windowsize "$wid" 1366 768 2>/dev/null
    timeout 10 xdotool windowfocus --sync "$wid" || fail "$what: the window takes no keys"
    sleep 1
    for ((tab = 0; tab < 40; tab++)); do
        from=$(log_size)
        xdotool key Left
        for ((i = 0; i < 20; i++)); do
            received_has xy "$from" 'M:1+P' && { live_start; return 0; }
            sleep 0.1
        done
        xdotool key Tab
    done
    fail "$what: no Left arrow reached the stage controller"
}
lab_ended() { ! kill -0 "$lab_pid" 2>/dev/null; }
stop_tesmira() {
    kill "-$1" "$(cat "$runtime/tesmira.pid")" 2>/dev/null || fail "no Tesmira to stop"
    wait_for 60 "the launcher ends" lab_ended
    wait "$lab_pid" 2>/dev/null
    lab_pid=""
}

# Pages, page shapes, SizeT, DeltaT and PositionX of a series as tifffile reads it.
read_series() {
    "$py" - "$1" <<'PY'
import sys, tifffile, xml.etree.ElementTree as ET
with tifffile.TiffFile(sys.argv[1]) as tif:
    shapes = {p.shape for p in tif.pages}
    series = tif.series[0]
    ns = {"o": "http://www.openmicroscopy.org/Schemas/OME/2016-06"}
    pixels = ET.fromstring(tif.ome_metadata).find(".//o:Pixels", ns)
    planes = pixels.findall("o:Plane", ns)
    print(len(tif.pages), len(shapes), series.shape[0], pixels.get("SizeT"),
          ",".join(p.get("DeltaT", "") for p in planes),
          ",".join(p.get("PositionX", "") for p in planes))
PY
}
pages_of() { read_series "$1" 2>/dev/null | cut -d' ' -f1; }

"$lab" --prepare-profile >"$out" 2>&1 || fail "the demo profile cannot be prepared"
set_key UseTempDrive 0
set_key RecMode 2
set_key TimelapseType 3
set_key Timelapse 1000
set_key TL_frames 5

# ---- 1. five frames at 1 s, a jog between the second and the third --------------------------
start_tesmira "OME-TIFF series"
xdotool key space
running() { f=$(compgen -G "$video/*_OME.ome.tif" | head -n 1) && [ -n "$f" ] &&
    [ "$(pages_of "$f")" -ge "$1" ] 2>/dev/null; }
wait_for 60 "space runs an OME-TIFF series" running 2
for i in 1 2 3 4 5 6; do xdotool key Left; done
final() { f=$(compgen -G "$video/*_OME_at_0m_1s.ome.tif" | head -n 1) && [ -n "$f" ]; }
wait_for 60 "the series ends under its final name" final
read -r pages sizes series sizeT deltas xs <<<"$(read_series "$f")"
[ "$pages" = 5 ] && [ "$sizes" = 1 ] && [ "$series" = 5 ] && [ "$sizeT" = 5 ] ||
    fail "$(basename "$f"): pages $pages, shapes $sizes, series $series, SizeT $sizeT"
ok "$(basename "$f") opens in tifffile as a series of 5 pages of one size"
"$py" - "$deltas" "$xs" <<'PY' || fail "DeltaT $deltas / PositionX $xs"
import sys
d = [float(v) for v in sys.argv[1].split(",")]
x = [float(v) for v in sys.argv[2].split(",")]
steps = [b - a for a, b in zip(d, d[1:])]
assert d[0] == 0 and all(800 <= s <= 1300 for s in steps), steps
assert x[0] == x[1] and x[-1] != x[0], x
PY
ok "DeltaT $deltas ms; PositionX $xs follows the jog"
stop_tesmira TERM

# ---- 2. killed after 3 frames ---------------------------------------------------------------
set_key Timelapse 3000
set_key TL_frames 100
start_tesmira "OME-TIFF series to be killed"
xdotool key space
wait_for 60 "three frames stored" running 3
stop_tesmira KILL
ok "killed with SIGKILL after $(pages_of "$f") frames of $(basename "$f")"
set_key PixelSize_um 0.5
set_key IsTextOutScaleBar 1
start_tesmira "restart after the kill"
repaired() { g=$(compgen -G "$video/*_OME_at_0m_3s.ome.tif" | head -n 1) && [ -n "$g" ]; }
wait_for 60 "the killed series gets its final name" repaired
read -r pages sizes series sizeT deltas xs <<<"$(read_series "$g")"
[ "$pages" -ge 3 ] && [ "$series" = "$pages" ] && [ "$sizeT" = "$pages" ] ||
    fail "$(basename "$g"): pages $pages, series $series, SizeT $sizeT"
ok "$(basename "$g") opens with its $pages stored frames"

# ---- 3. a still photo with the calibrated scale bar -----------------------------------------
xdotool key b
still() { s=$(compgen -G "$video/TM_*.bmp" | head -n 1) && [ -n "$s" ]; }
wait_for 30 "the key B takes a still photo" still
sleep 1
[ -n "${OME_E2E_STILL_OUT:-}" ] && cp "$s" "$OME_E2E_STILL_OUT"
bar=$("$py" - "$s" 0.5 <<'PY'
import math, sys, numpy as np
raw = open(sys.argv[1], "rb").read()
bits, w, h = int.from_bytes(raw[10:14], "little"), int.from_bytes(raw[18:22], "little"), \
    int.from_bytes(raw[22:26], "little")
stride = (w * 3 + 3) // 4 * 4
img = np.frombuffer(raw[bits:bits + stride * h], np.uint8).reshape(h, stride)[::-1, :w * 3]
pixel = float(sys.argv[2])
want = w / 5 * pixel
decade = 10 ** math.floor(math.log10(want))
length = min((s * decade for s in (1, 2, 5, 10)), key=lambda c: abs(math.log(c / want)))
row = h - 20 - max(3, h // 120) // 2 - 1
white = (img[row].reshape(w, 3) == 255).all(axis=1)
run = 0
x = w - 21
while x >= 0 and white[x]:
    run, x = run + 1, x - 1
print(f"{length:g} {round(length / pixel)} {run}")
PY
)
read -r length expected run <<<"$bar"
[ -n "$run" ] && [ $((run - expected)) -le 1 ] && [ $((expected - run)) -le 1 ] ||
    fail "$(basename "$s"): scale bar '$bar' (length µm, expected px, found px)"
ok "$(basename "$s") carries a $length µm scale bar of $run px (expected $expected)"
stop_tesmira TERM
echo "1..$passed"
