#!/usr/bin/env bash
# The command lines of tesmira and tesmira-labsim: --help, --version and --list-devices print and
# exit 0 without a display and without touching the settings; a wrong option fails before any
# window.
# Usage: check_command_line.sh TESMIRA LABSIM VERSION
set -uo pipefail
[ $# -eq 3 ] || { echo "usage: check_command_line.sh TESMIRA LABSIM VERSION" >&2; exit 2; }
tesmira=$1 labsim=$2 version=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tesmira-cmdline.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/config"

# Runs a program with no display at all (and no Qt platform chosen unless the test says so), a
# home of its own and a time limit; sets $out and $rc.
run() {
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$tmp/home" \
        XDG_CONFIG_HOME="$tmp/config" "$@" 2>&1)
    rc=$?
}
expect() {  # expect RC TEXT... : the last run exited RC and printed every TEXT
    local want=$1
    shift
    [ "$rc" -eq "$want" ] || fail "$what: exit $rc, not $want; printed: $out"
    for text in "$@"; do
        [[ $out == *"$text"* ]] || fail "$what: '$text' missing from: $out"
    done
}

# "Ver. 1 Rel. 2.31" is how the program writes version 1.2.31 for people.
IFS=. read -r major minor patch <<<"$version"
release_text="Ver. $major Rel. $minor.$patch"

what="tesmira --help"
run timeout 20 "$tesmira" --help
expect 0 "Usage:" "--help" "--version" "--list-devices" "-platform <name>" "-style <name>"
what="tesmira -h"
run timeout 20 "$tesmira" -h
expect 0 "Usage:"
what="tesmira --version"
run timeout 20 "$tesmira" --version
expect 0 "Tesmira $version" "$release_text"
what="tesmira -v"
run timeout 20 "$tesmira" -v
expect 0 "$version"
what="tesmira -platform offscreen -style Fusion --version (Qt options beside ours)"
run timeout 20 "$tesmira" -platform offscreen -style Fusion --version
expect 0 "$version"
what="tesmira --no-such-option"
run env QT_QPA_PLATFORM=offscreen timeout 20 "$tesmira" --no-such-option
expect 1 "no-such-option"
if [ -n "$(find "$tmp/home" "$tmp/config" -mindepth 1 -print -quit)" ]; then
    fail "tesmira wrote files while only printing: $(find "$tmp/home" "$tmp/config" -mindepth 1)"
fi

# --list-devices: what the device libraries find, the ports and cameras, then exit. With no
# library anywhere it says none; with the simulated lab's stand-ins it lists their modules.
# (Asking GStreamer for cameras may leave its caches in the home, as any start does.)
mkdir -p "$tmp/nolibs"
what="tesmira --list-devices (no device libraries)"
run env TESMIRA_PLUGIN_PATH="$tmp/nolibs" TESMIRA_TEST_DEVICES=1 timeout 60 "$tesmira" --list-devices
expect 0 "Relay modules (libsuper4.so):" "Climate meters (libUSBMeter.so):" "Serial ports:" \
    "Cameras:" "Tesmira Test Camera"
[ "$(grep -c '^  none' <<<"$out")" -ge 2 ] || fail "$what: no 'none' for relays and meters: $out"
what="tesmira --list-devices (the simulated lab's libraries)"
run env TESMIRA_PLUGIN_PATH="$(cd "$(dirname "$labsim")" && pwd)" timeout 60 "$tesmira" --list-devices
expect 0 "  S4SIM0001" "  S4SIM0002" "a meter reading 23."
what="tesmira-labsim --help"
run timeout 20 "$labsim" --help
expect 0 "Usage: tesmira-labsim" "--links <DIR>" "--version"
what="tesmira-labsim --version"
run timeout 20 "$labsim" --version
expect 0 "tesmira-labsim $version"
what="tesmira-labsim --no-such-option"
run timeout 20 "$labsim" --no-such-option
expect 2 "unknown option: --no-such-option" "Usage: tesmira-labsim"

if [ "$failures" -ne 0 ]; then
    echo "$failures problem(s)"
    exit 1
fi
echo "command lines in order"
