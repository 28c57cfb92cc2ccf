#!/usr/bin/env bash
# Tesmira in its simulated lab: starts tesmira-labsim, points a demo settings profile of its own at
# the simulated ports and the test camera, runs Tesmira, and stops the lab when Tesmira ends.
#
#   scripts/lab.sh [BUILD_DIR] [-- tesmira arguments]
#   scripts/lab.sh --prepare-profile     only write or update the demo profile; prints its path
#                                        and the simulated XY and Z kinds it calls for
#
# The demo profile lives in ${XDG_DATA_HOME:-~/.local/share}/tesmira-demo/config (Tesmira's
# XDG_CONFIG_HOME while the demo runs), so the user's own settings are never read or written. It
# is created once; later runs keep everything Tesmira saved there and only point the four ports at
# this run's simulated devices. The simulated XY controller and Z drive follow the kinds stored in
# the profile ("XYaxis_Type", "Zaxis_Type"; a new profile has Sigma Koki XY and TE2000E Z).
#
# Environment: TESMIRA_BIN and TESMIRA_LABSIM override the two programs' paths (defaults: the
# build folder's src/tesmira and sim/tesmira-labsim); TESMIRA_LAB_WORK_DIR overrides the work
# folder a new profile gets (default /dev/shm/tesmira-demo-work-UID when that RAM disk has room);
# TESMIRA_LABSIM_ARGS adds options for the simulated lab (for example "--z-position 5000").
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build
prepare_only=0
tesmira_args=()
while [ $# -gt 0 ]; do
    case $1 in
        --) shift; tesmira_args=("$@"); break ;;
        --prepare-profile) prepare_only=1 ;;
        -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "lab.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
        *) build=$(cd "$1" && pwd) ;;
    esac
    shift
done
tesmira=${TESMIRA_BIN:-$build/src/tesmira}
labsim=${TESMIRA_LABSIM:-$build/sim/tesmira-labsim}
uid=$(id -u)

say() { echo "lab.sh: $*" >&2; }
die() { say "$*"; exit 1; }

# ---- runtime folder: links, traffic log, process ids ---------------------------------------------
# One fixed folder per user, so the ports keep their names from run to run. If another demo holds
# it, or it is not safely ours, this run takes a fresh private folder instead.
runtime_base=${XDG_RUNTIME_DIR:-/tmp}
runtime=$runtime_base/tesmira-lab-$uid
runtime_is_temp=0
take_runtime() {
    [ -L "$runtime" ] && return 1
    mkdir -p -m 700 "$runtime" 2>/dev/null || return 1
    [ -O "$runtime" ] && [ ! -L "$runtime" ] || return 1
    chmod 700 "$runtime" || return 1
    exec {lock_fd}>>"$runtime/lock" || return 1
    flock -n "$lock_fd" || { exec {lock_fd}>&-; return 1; }
}
if [ "$prepare_only" = 0 ] && ! take_runtime; then
    runtime=$(mktemp -d "$runtime_base/tesmira-lab-$uid.XXXXXX") || die "no runtime folder"
    runtime_is_temp=1
fi
links=$runtime/links
lablog=$runtime/labsim.log

# ---- the demo profile ----------------------------------------------------------------------------
data=${XDG_DATA_HOME:-$HOME/.local/share}/tesmira-demo
config=$data/config
profile=$config/CorvaneSoft/Tesmira.conf

# A value in the INI file, quoted the way QSettings reads it back verbatim.
ini_quote() {
    local v=${1//\\/\\\\}
    printf '"%s"' "${v//\"/\\\"}"
}

# An existing folder with more than 119 MB free (what Tesmira demands of its folders).
roomy_folder() {
    local free
    [ -d "$1" ] && [ -w "$1" ] || return 1
    free=$(df -Pm "$1" 2>/dev/null | awk 'NR == 2 { print $4 }')
    [ -n "$free" ] && [ "$free" -gt 119 ]
}

write_new_profile() {
    local work=${TESMIRA_LAB_WORK_DIR:-}
    if [ -z "$work" ]; then
        if roomy_folder /dev/shm; then
            work=/dev/shm/tesmira-demo-work-$uid
        else
            work=$data/work
        fi
    fi
    mkdir -p "$(dirname "$profile")" "$data/Video" "$data/Log" "$work"
    local tmp=$profile.new.$$
    {
        echo "[Settings]"
        echo "XYaxis_Type=2"
        echo "Zaxis_Type=0"
        echo "TRH_Type=1"
        echo "Camera=$(ini_quote "Tesmira Test Camera")"
        echo "DirVideo=$(ini_quote "$data/Video/")"
        echo "DirLog=$(ini_quote "$data/Log/")"
        echo "TempDrive=$(ini_quote "$work/")"
        echo "SaveLog=1"
    } >"$tmp"
    mv -f "$tmp" "$profile"
    say "new demo profile $profile"
}

# Points Port_1..Port_4 at this run's links and keeps every other line of the file as it is. A
# profile without a camera (made by an older launcher) gets the test camera.
point_ports() {
    local tmp=$profile.new.$$ camera=""
    profile_has Camera || camera="Camera=$(ini_quote "Tesmira Test Camera")"
    awk -v p1="$(ini_quote "$links/xy")" -v p2="$(ini_quote "$links/z")" \
        -v p3="$(ini_quote "$links/shutter")" -v p4="$(ini_quote "$links/meter")" \
        -v camera="$camera" '
        function ports() {
            print "Port_1=" p1; print "Port_2=" p2; print "Port_3=" p3; print "Port_4=" p4
            if (camera != "") print camera
            done = 1
        }
        /^[ \t]*\[/ {
            section = $0
            gsub(/^[ \t]+|[ \t]+$/, "", section)
            print
            if (section == "[Settings]" && !done) ports()
            next
        }
        section == "[Settings]" && /^[ \t]*Port_[1-4][ \t]*=/ { next }
        { print }
        END { if (!done) { print "[Settings]"; ports() } }
    ' "$profile" >"$tmp"
    mv -f "$tmp" "$profile"
}

# The raw text stored under a key of [Settings], or nothing.
profile_value() {
    awk -v key="$1" '
        /^[ \t]*\[/ { section = $0; gsub(/^[ \t]+|[ \t]+$/, "", section); next }
        section == "[Settings]" {
            line = $0
            if (sub("^[ \t]*" key "[ \t]*=[ \t]*", "", line)) value = line
        }
        END { print value }
    ' "$profile"
}

# Whether [Settings] holds the key at all (an empty value counts: the user or Tesmira chose it).
profile_has() {
    awk -v key="$1" '
        /^[ \t]*\[/ { section = $0; gsub(/^[ \t]+|[ \t]+$/, "", section); next }
        section == "[Settings]" && $0 ~ ("^[ \t]*" key "[ \t]*=") { found = 1 }
        END { exit !found }
    ' "$profile"
}

# The integer stored under a key of [Settings], or nothing.
profile_int() {
    local v
    v=$(profile_value "$1")
    if [[ $v =~ ^[0-9]+[[:space:]]*$ ]]; then echo $((10#${v%%[[:space:]]*})); fi
}

# The simulated devices' kind for a stored kind number; anything else reads as Tesmira's default 1.
labsim_kind() {
    case ${2:-1} in
        0) echo te2000e ;;
        2) [ "$1" = xy ] && echo sigma || echo chuo ;;
        *) echo mac5000 ;;
    esac
}

[ -f "$profile" ] || write_new_profile
point_ports
xy_kind=$(labsim_kind xy "$(profile_int XYaxis_Type)")
z_kind=$(labsim_kind z "$(profile_int Zaxis_Type)")
if [ "$prepare_only" = 1 ]; then
    echo "$profile"
    echo "$xy_kind $z_kind"
    exit 0
fi
# The demo's own folders are made again when gone (a reboot empties the RAM disk); folders the
# user chose in the demo are left to Tesmira's own check.
for dir in "$data/Video" "$data/Log" "$data/work" "/dev/shm/tesmira-demo-work-$uid" \
    ${TESMIRA_LAB_WORK_DIR:+"$TESMIRA_LAB_WORK_DIR"}; do
    if grep -qF -- "$dir" "$profile"; then mkdir -p "$dir"; fi
done

# ---- the programs --------------------------------------------------------------------------------
[ -x "$tesmira" ] || die "$tesmira is missing: build first (scripts/setup.sh)"
[ -x "$labsim" ] || die "$labsim is missing: build first (scripts/setup.sh)"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    die "no display: run it in a desktop session or under xvfb-run"
fi

labsim_pid=""
tesmira_pid=""

# Ends a process we started: its own signal first, then a bounded wait, then SIGKILL.
stop_process() {
    local pid=$1 signal=$2 seconds=$3 i
    [ -n "$pid" ] || return 0
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    kill -s "$signal" "$pid" 2>/dev/null || true
    for ((i = 0; i < seconds * 10; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        say "process $pid did not end; killing it"
        kill -KILL "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
}

cleanup() {
    trap '' INT TERM HUP
    trap - EXIT
    # Tesmira first, so it closes its ports while they still exist.
    stop_process "$tesmira_pid" TERM 20
    stop_process "$labsim_pid" TERM 5
    rm -f "$runtime/tesmira.pid" "$runtime/labsim.pid"
    if [ "$runtime_is_temp" = 1 ]; then rm -rf "$runtime"; fi
}
trap cleanup EXIT
# A signal to the launcher closes Tesmira the normal way (its settings are written); the EXIT trap
# then stops the lab.
forward() {
    if [ -n "$tesmira_pid" ] && kill -0 "$tesmira_pid" 2>/dev/null; then
        kill -s "$1" "$tesmira_pid" 2>/dev/null || true
    else
        exit 130
    fi
}
trap 'forward INT' INT
trap 'forward TERM' TERM
trap 'forward HUP' HUP

: >"$lablog"
# The output file of the previous demo is emptied here, before the lab starts: the redirection
# below happens in the new process, which may run after the first look for the ready line, and
# the old file says "labsim ready" too.
: >"$runtime/labsim.out"
read -r -a labsim_extra <<<"${TESMIRA_LABSIM_ARGS:-}"
"$labsim" --links "$links" --log "$lablog" --xy "$xy_kind" --z "$z_kind" \
    ${labsim_extra[@]+"${labsim_extra[@]}"} >>"$runtime/labsim.out" 2>&1 &
labsim_pid=$!
echo "$labsim_pid" >"$runtime/labsim.pid"
# A busy machine (a build running beside it) may keep the lab from starting for a while.
lab_deadline=$((SECONDS + 30))
lab_ready=0
while ((SECONDS < lab_deadline)); do
    if grep -q '^labsim ready$' "$runtime/labsim.out" 2>/dev/null; then
        lab_ready=1
        break
    fi
    kill -0 "$labsim_pid" 2>/dev/null || break
    sleep 0.1
done
if [ "$lab_ready" = 0 ]; then
    cat "$runtime/labsim.out" >&2 || true
    if kill -0 "$labsim_pid" 2>/dev/null; then
        die "the simulated lab did not start within 30 s"
    fi
    labsim_status=0
    wait "$labsim_pid" || labsim_status=$?
    labsim_pid=""
    die "the simulated lab did not start (exit status $labsim_status)"
fi
say "simulated lab ($xy_kind XY, $z_kind Z) on $links; traffic in $lablog"
say "relay switching in $links/relays.log; meter and microscope readings on the panel"
say "demo profile $profile"

export XDG_CONFIG_HOME=$config
export TESMIRA_TEST_DEVICES=1
export TESMIRA_SERIAL_PATH=$links${TESMIRA_SERIAL_PATH:+:$TESMIRA_SERIAL_PATH}
# The simulated relay and meter libraries are built beside the simulated lab; they take the relay
# modules the lab announces and log every switching to relays.log in the links folder. The lab
# also publishes the microscope block, so the meter, the relay rows and the microscope readout all
# work in the demo.
# Beside a built tesmira-labsim, or in the lab/ folder of Tesmira's private libraries when
# installed (the private folder itself holds the real drivers).
lab_libs=$(dirname "$labsim")
if [ ! -e "$lab_libs/libsuper4.so" ]; then
    for d in "$lab_libs"/../lib/*/tesmira/lab "$lab_libs"/../lib/tesmira/lab; do
        [ -e "$d/libsuper4.so" ] && { lab_libs=$(cd "$d" && pwd); break; }
    done
fi
export TESMIRA_PLUGIN_PATH=$lab_libs${TESMIRA_PLUGIN_PATH:+:$TESMIRA_PLUGIN_PATH}
export TESMIRA_LABSIM_DIR=$links

"$tesmira" ${tesmira_args[@]+"${tesmira_args[@]}"} &
tesmira_pid=$!
echo "$tesmira_pid" >"$runtime/tesmira.pid"
# A trapped signal interrupts wait; keep waiting until Tesmira has really ended.
while kill -0 "$tesmira_pid" 2>/dev/null; do
    wait "$tesmira_pid" 2>/dev/null || true
done
status=0
wait "$tesmira_pid" 2>/dev/null || status=$?
tesmira_pid=""
if [ "$status" -gt 128 ]; then
    say "Tesmira was ended by signal $((status - 128)) ($(kill -l "$((status - 128))" 2>/dev/null))"
elif [ "$status" -ne 0 ]; then
    say "Tesmira ended with status $status"
fi
exit "$status"
