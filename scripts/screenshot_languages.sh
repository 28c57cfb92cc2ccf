#!/usr/bin/env bash
# Photographs the main window's menus and control panel in Japanese and in English, in the
# simulated lab on a 1366 x 768 Xvfb screen, for the README: docs/window-ja.png, docs/window-en.png.
# Each run uses a fresh demo profile, so the two pictures show the same values.
# Usage: scripts/screenshot_languages.sh [BUILD_DIR]   (needs xvfb-run and ImageMagick's import)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
# The left part of the screen: the menu bar and the control panel beside the message pane.
crop=${TESMIRA_SHOT_CROP:-560x768+0+0}

shoot() {
    local lang=$1 locale=$2 out=$3 work
    work=$(mktemp -d)
    XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work LANG=$locale LC_ALL='' LC_MESSAGES='' \
        LANGUAGE='' TESMIRA_LAB_WORK_DIR=$work/shm xvfb-run -a -s "-screen 0 1366x768x24" \
        bash -c '
            "$0/scripts/lab.sh" "$1" >"$2/lab.out" 2>&1 &
            lab=$!
            sleep "${TESMIRA_SHOT_WAIT:-12}"
            import -window root "$2/shot.png"
            kill -TERM "$lab"
            wait "$lab" || true
        ' "$here" "$build" "$work"
    convert "$work/shot.png" -crop "$crop" +repage "$out"
    echo "$lang: $out"
    rm -rf "$work"
}

shoot ja ja_JP.UTF-8 "$here/docs/window-ja.png"
shoot en en_US.UTF-8 "$here/docs/window-en.png"
