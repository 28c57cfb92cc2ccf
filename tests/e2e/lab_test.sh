#!/usr/bin/env bash
# The simulated-lab launcher, with a stand-in for Tesmira so it runs without a display:
# the demo profile it writes and updates (read back through QSettings), the environment and the
# ports it hands to Tesmira, signal forwarding, exit status, and that it leaves no process, link
# or folder behind.
#
#   lab_test.sh LAB_SH LABSIM INI_READER
set -uo pipefail
lab=$1 labsim=$2 ini=$3
export LC_ALL=C.UTF-8

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tesmira-lab-test.XXXXXX")
uid=$(id -u)
failures=0
count=0
started_pids=()

cleanup() {
    local pid
    for pid in ${started_pids[@]+"${started_pids[@]}"}; do kill -KILL "$pid" 2>/dev/null; done
    for f in "$tmp"/*/tesmira-lab-"$uid"*/*.pid; do
        [ -f "$f" ] && kill -KILL "$(cat "$f")" 2>/dev/null
    done
    wait 2>/dev/null
    if [ "$failures" = 0 ]; then rm -rf "$tmp"; else echo "work folder kept: $tmp"; fi
}
trap cleanup EXIT

check() {  # check WHAT COMMAND...
    local what=$1
    shift
    count=$((count + 1))
    if "$@"; then
        echo "ok $count - $what"
    else
        echo "not ok $count - $what"
        failures=$((failures + 1))
    fi
}
same() {  # same EXPECTED ACTUAL
    [ "$1" = "$2" ] && return 0
    printf '  expected: %s\n  actual:   %s\n' "$1" "$2" | sed 's/^/#/'
    return 1
}
eventually() {  # eventually SECONDS COMMAND...
    local i
    for ((i = 0; i < $1 * 10; i++)); do
        "${@:2}" && return 0
        sleep 0.1
    done
    return 1
}
alive() { kill -0 "$1" 2>/dev/null; }
dead() { ! kill -0 "$1" 2>/dev/null; }

# ---- the demo profile -----------------------------------------------------------------------
# Characters that the INI format treats specially must reach Tesmira unchanged.
export XDG_DATA_HOME="$tmp/data ä \"q\" ,;#=\\ x"
export XDG_RUNTIME_DIR="$tmp/run one"
export TESMIRA_LAB_WORK_DIR="$tmp/work dir"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
demo=$XDG_DATA_HOME/tesmira-demo
profile=$demo/config/CorvaneSoft/Tesmira.conf
links="$XDG_RUNTIME_DIR/tesmira-lab-$uid/links"

printed=$("$lab" --prepare-profile)
check "a new profile is made and named" same "$profile
sigma te2000e" "$printed"
check "a new profile reads back with the simulated ports, test camera and folders" same \
"Port_1=$links/xy
Port_2=$links/z
Port_3=$links/shutter
Port_4=$links/meter
Camera=Tesmira Test Camera
Audio
DirVideo=$demo/Video/
DirLog=$demo/Log/
TempDrive=$TESMIRA_LAB_WORK_DIR/
XYaxis_Type=2
Zaxis_Type=0
TRH_Type=1
SaveLog=1" \
    "$("$ini" "$profile" Port_1 Port_2 Port_3 Port_4 Camera Audio DirVideo DirLog TempDrive \
        XYaxis_Type Zaxis_Type TRH_Type SaveLog)"
check "the profile's folders exist" test -d "$demo/Video" -a -d "$demo/Log" -a \
    -d "$TESMIRA_LAB_WORK_DIR"

# A profile as Tesmira writes it at exit, with the user's own changes and other groups.
cat >"$profile" <<'INI'
[General]
Port_1=keep-general

[Settings]
Camera=Tesmira Test Camera
Move=37
Port_1=/dev/ttyUSB0
Port_3 = /old/links/shutter
Rec%20No.=7
XYaxis_Type=1
Zaxis_Type=2

[Other]
Port_2=keep-other
INI
export XDG_RUNTIME_DIR="$tmp/run two"
links2="$XDG_RUNTIME_DIR/tesmira-lab-$uid/links"
printed=$("$lab" --prepare-profile)
check "a second run follows the stored kinds (LEP MAC5000 XY, Chuo Seiki Z)" same "$profile
mac5000 chuo" "$printed"
check "a second run points the four ports at the new links and keeps the rest" same \
"Port_1=$links2/xy
Port_2=$links2/z
Port_3=$links2/shutter
Port_4=$links2/meter
Move=37
Rec No.=7
Camera=Tesmira Test Camera" \
    "$("$ini" "$profile" Port_1 Port_2 Port_3 Port_4 Move "Rec No." Camera)"
settings_ports=$(awk '/^\[/ { s = $0; next } s == "[Settings]" && /^ *Port_[1-4] *=/' "$profile")
check "each port is stored once in [Settings]" same 4 "$(wc -l <<<"$settings_ports")"
check "other groups keep their own Port keys" \
    grep -qx 'Port_1=keep-general' "$profile"
check "other groups keep their own Port keys (after [Settings])" \
    grep -qx 'Port_2=keep-other' "$profile"

printf '[Settings]\nCamera=\n' >"$profile"
"$lab" --prepare-profile >/dev/null
check "a camera the user cleared stays cleared" same "Camera=" "$("$ini" "$profile" Camera)"

kinds_for() {  # kinds_for XYLINE ZLINE -> the kinds line of --prepare-profile
    printf '[Settings]\n%s\n%s\n' "$1" "$2" >"$profile"
    "$lab" --prepare-profile | sed -n 2p
}
check "kind 0 is the TE2000E for both axes" same "te2000e te2000e" \
    "$(kinds_for XYaxis_Type=0 Zaxis_Type=0)"
check "missing, damaged or out-of-range kinds read as Tesmira's default LEP MAC5000" same \
    "mac5000 mac5000" "$(kinds_for XYaxis_Type=abc Zaxis_Type=7)"
check "a missing kind reads as LEP MAC5000" same "mac5000 chuo" "$(kinds_for '' Zaxis_Type=2)"

printf '[General]\nfoo=1\n' >"$profile"
"$lab" --prepare-profile >/dev/null
check "a profile without a [Settings] group gets one with the ports and the test camera" same \
    "Port_1=$links2/xy
Camera=Tesmira Test Camera
foo" "$("$ini" "$profile" Port_1 Camera foo)"

# ---- running: a stand-in for Tesmira ----------------------------------------------------------
fake=$tmp/fake-tesmira
cat >"$fake" <<'SH'
#!/usr/bin/env bash
# Stands in for Tesmira: reports what it was given, jogs once through the XY link, then runs
# until SIGTERM (exit 0) or ends at once with FAKE_EXIT.
out=$FAKE_OUT
trap 'echo TERM >>"$out"; exit 0' TERM
{
    printf 'arg=%s\n' "$@"
    echo "XDG_CONFIG_HOME=$XDG_CONFIG_HOME"
    echo "TESMIRA_TEST_DEVICES=$TESMIRA_TEST_DEVICES"
    echo "TESMIRA_SERIAL_PATH=$TESMIRA_SERIAL_PATH"
    echo "TESMIRA_LABSIM_DIR=$TESMIRA_LABSIM_DIR"
    echo "TESMIRA_PLUGIN_PATH=$TESMIRA_PLUGIN_PATH"
} >"$out.tmp"
printf 'M:1+P100\r\nG\r\n' >"${TESMIRA_SERIAL_PATH%%:*}/xy"
mv "$out.tmp" "$out"
[ -n "${FAKE_EXIT:-}" ] && exit "$FAKE_EXIT"
while :; do sleep 0.1; done
SH
chmod +x "$fake"
export TESMIRA_BIN=$fake TESMIRA_LABSIM=$labsim QT_QPA_PLATFORM=offscreen
unset TESMIRA_SERIAL_PATH TESMIRA_PLUGIN_PATH
rm -f "$profile"

export XDG_RUNTIME_DIR="$tmp/run three"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
runtime=$XDG_RUNTIME_DIR/tesmira-lab-$uid
export FAKE_OUT=$tmp/fake1.out
"$lab" -- --one "two words" >"$tmp/lab1.out" 2>&1 &
lab1=$!
started_pids+=("$lab1")
check "the launcher starts Tesmira" eventually 20 test -f "$FAKE_OUT"
labsim1=$(cat "$runtime/labsim.pid" 2>/dev/null)
tesmira1=$(cat "$runtime/tesmira.pid" 2>/dev/null)
check "Tesmira gets the arguments after --, the demo profile, the simulated ports and libraries" \
    same "arg=--one
arg=two words
XDG_CONFIG_HOME=$demo/config
TESMIRA_TEST_DEVICES=1
TESMIRA_SERIAL_PATH=$runtime/links
TESMIRA_LABSIM_DIR=$runtime/links
TESMIRA_PLUGIN_PATH=$(dirname "$labsim")" "$(cat "$FAKE_OUT")"
check "the stand-in relay library finds the lab's modules" \
    same "S4SIM0001,S4SIM0002" "$(cat "$runtime/links/relay-modules" 2>/dev/null)"
check "the simulated lab runs and logs what Tesmira sends" \
    eventually 5 grep -qF 'xy < M:1+P100' "$runtime/labsim.log"
check "the ports in the profile are this run's links" same "Port_1=$runtime/links/xy" \
    "$("$ini" "$profile" Port_1)"

# A second demo while the first runs gets a private runtime folder of its own.
export FAKE_OUT=$tmp/fake2.out
"$lab" >"$tmp/lab2.out" 2>&1 &
lab2=$!
started_pids+=("$lab2")
check "a second launcher starts too" eventually 20 test -f "$FAKE_OUT"
serial2=$(sed -n 's/^TESMIRA_SERIAL_PATH=//p' "$FAKE_OUT")
case $serial2 in
    "$XDG_RUNTIME_DIR/tesmira-lab-$uid."??????/links) private2=1 ;;
    *) private2=0 ;;
esac
check "the second launcher uses a private folder ($serial2)" same 1 "$private2"
check "the first lab keeps its links meanwhile" test -e "$runtime/links/xy"
kill -TERM "$lab2"
check "the second launcher ends on SIGTERM" eventually 20 dead "$lab2"
wait "$lab2"
check "the second launcher passes on Tesmira's status 0" same 0 "$?"
check "the second launcher removes its private folder" test ! -e "${serial2%/links}"

kill -TERM "$lab1"
check "the launcher ends on SIGTERM" eventually 20 dead "$lab1"
wait "$lab1"
check "the launcher exits with Tesmira's status 0" same 0 "$?"
check "SIGTERM reaches Tesmira, which closes normally" grep -qx TERM "$tmp/fake1.out"
check "Tesmira and the simulated lab are gone" eval "dead '$tesmira1' && dead '$labsim1'"
check "the links and process-id files are gone" \
    eval "test ! -e '$runtime/links/xy' && test ! -e '$runtime/labsim.pid'"

# Tesmira ending by itself ends the lab, and its exit status is the launcher's.
export FAKE_OUT=$tmp/fake3.out FAKE_EXIT=3
"$lab" >"$tmp/lab3.out" 2>&1 &
lab3=$!
started_pids+=("$lab3")
check "the launcher ends when Tesmira does" eventually 20 dead "$lab3"
wait "$lab3"
check "the launcher exits with Tesmira's status 3" same 3 "$?"
labsim_left() { grep -qsaF -- "$runtime/links" /proc/[0-9]*/cmdline; }
check "the simulated lab is stopped then" eval '! labsim_left'
unset FAKE_EXIT

# Demo after demo in the same runtime folder: the output the last lab left there ("labsim ready")
# is never taken for this lab's, however late the new lab answers (taken for it, the launcher gives
# up at once while the lab is still coming up, or starts Tesmira before the ports exist).
slow_lab=$tmp/slow-labsim
printf '#!/usr/bin/env bash\nsleep 0.5\nexec "%s" "$@"\n' "$labsim" >"$slow_lab"
chmod +x "$slow_lab"
export FAKE_EXIT=0
starts_ok=0
for ((run = 1; run <= 10; run++)); do
    FAKE_OUT=$tmp/fake-rerun.out TESMIRA_LABSIM=$slow_lab "$lab" >"$tmp/lab-rerun.out" 2>&1 &&
        [ -s "$tmp/fake-rerun.out" ] && starts_ok=$((starts_ok + 1))
    rm -f "$tmp/fake-rerun.out"
done
check "ten demos in a row each start their own lab ($starts_ok of 10)" same 10 "$starts_ok"
unset FAKE_EXIT

# A runtime folder that is not safely ours (here a symbolic link) is not used.
export XDG_RUNTIME_DIR="$tmp/run four" FAKE_OUT=$tmp/fake4.out FAKE_EXIT=0
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$tmp/elsewhere"
ln -s "$tmp/elsewhere" "$XDG_RUNTIME_DIR/tesmira-lab-$uid"
"$lab" >"$tmp/lab4.out" 2>&1
check "a symbolic link as runtime folder is left alone" same "" "$(ls -A "$tmp/elsewhere")"
check "... and a private folder is used instead" grep -q "TESMIRA_SERIAL_PATH=$XDG_RUNTIME_DIR/tesmira-lab-$uid\." "$FAKE_OUT"
unset FAKE_EXIT

# Failures are reported and leave nothing running.
export XDG_RUNTIME_DIR="$tmp/run three"
TESMIRA_BIN=$tmp/no-such-tesmira "$lab" >"$tmp/lab5.out" 2>&1
rc=$?
check "a missing Tesmira is reported (status $rc)" eval "[ $rc -ne 0 ] && grep -q 'build first' '$tmp/lab5.out'"
FAKE_OUT=$tmp/fake6.out TESMIRA_LABSIM=/bin/false "$lab" >"$tmp/lab6.out" 2>&1
rc=$?
check "a lab that does not start is reported and Tesmira is not run (status $rc)" \
    eval "[ $rc -ne 0 ] && grep -q 'did not start' '$tmp/lab6.out' && [ ! -e '$tmp/fake6.out' ]"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$lab" >"$tmp/lab7.out" 2>&1
rc=$?
check "no display is reported before anything starts (status $rc)" \
    eval "[ $rc -ne 0 ] && grep -q 'no display' '$tmp/lab7.out'"

echo "1..$count"
[ "$failures" = 0 ]
