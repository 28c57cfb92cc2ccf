# Helpers shared by the end-to-end scripts, sourced after they have read their arguments. The
# script defines fail (what to print before it gives up) and sets lab_pid while Tesmira runs.

export LC_ALL=C.UTF-8
window_name='^無題 - Tesmira$'

# A throw-away world in which nothing of the user's is read or written: make_world NAME WORK sets
# tmp, the runtime folder and its traffic log, the demo profile's folders and out (the launcher's
# output); Tesmira's work folder is WORK (empty: a folder in tmp).
make_world() {
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/tesmira-$1.XXXXXX")
    work=${2:-$tmp/work}
    export HOME=$tmp/home XDG_DATA_HOME=$tmp/data XDG_CACHE_HOME=$tmp/cache
    export XDG_RUNTIME_DIR=$tmp/run TESMIRA_LAB_WORK_DIR=$work
    export TESMIRA_BIN=$tesmira TESMIRA_LABSIM=$labsim
    unset XDG_CONFIG_HOME TESMIRA_SERIAL_PATH TESMIRA_TEST_CAMERA_CAPS QT_QPA_PLATFORM TESMIRA_TEST
    mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    runtime=$XDG_RUNTIME_DIR/tesmira-lab-$(id -u)
    lablog=$runtime/labsim.log
    demo=$XDG_DATA_HOME/tesmira-demo
    video=$demo/Video
    logs=$demo/Log
    profile=$demo/config/CorvaneSoft/Tesmira.conf
    out=$tmp/lab.out
    lab_pid=""
    passed=0
    keep=0
}

ok() {
    passed=$((passed + 1))
    echo "ok $passed - $*"
}

# Waits until a command succeeds: wait_for SECONDS WHAT COMMAND...; fails the test after SECONDS.
wait_for() {
    local seconds=$1 what=$2 i
    shift 2
    for ((i = 0; i < seconds * 10; i++)); do
        "$@" && return 0
        [ -n "$lab_pid" ] && ! kill -0 "$lab_pid" 2>/dev/null && fail "$what: Tesmira has ended"
        sleep 0.1
    done
    fail "$what: not within $seconds s"
}

log_size() { stat -c %s "$lablog" 2>/dev/null || echo 0; }

# The panel's live and recording buttons, where they are when the frame fills the 1366 x 768
# screen from (0, 0): LiveStart and LiveStop on one row, RecStart and RecStop under them.
live_start_xy="37 256" live_stop_xy="106 256" rec_stop_xy="106 282"
panel_background_xy="330 278"  # beside "Dropped Frames", where nothing takes a click
# Presses LiveStart: the space key records, as RecStart does, only with live video on.
live_start() {
    xdotool mousemove $live_start_xy click 1
    sleep 1
}

# What one simulated device received after a log offset, all chunks joined (a command may be split
# over chunks or share one), still escaped the way the log writes it ("\r", "\n").
received_after() {
    tail -c +$(($2 + 1)) "$lablog" | sed -n "s/^[0-9-]* [0-9:.]* $1 < //p" | tr -d '\n'
}
received_has() { [[ $(received_after "$1" "$2") == *"$3"* ]]; }

# Sets a key of [Settings] in the profile while Tesmira is not running.
set_key() {
    local key=$1 value=$2 tmpfile=$profile.new
    awk -v key="$key" -v value="$value" '
        /^\[/ { if (section == "[Settings]" && !done) { print key "=" value; done = 1 }
                section = $0 }
        section == "[Settings]" && index($0, key "=") == 1 { if (!done) print key "=" value
                                                          done = 1; next }
        { print }
        END { if (!done) print key "=" value }
    ' "$profile" >"$tmpfile" && mv -f "$tmpfile" "$profile"
}
