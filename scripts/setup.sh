#!/usr/bin/env bash
# Installs the Debian packages Tesmira needs (only those missing), then configures and builds.
# Usage: scripts/setup.sh [build-dir] [extra cmake arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
export CCACHE_BASEDIR="$here"
shift || true

packages=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools gstreamer1.0-libav
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
    libjpeg62-turbo-dev libjpeg-turbo-progs
    libaravis-dev aravis-tools gstreamer1.0-plugins-bad iproute2
    googletest libgtest-dev libgmock-dev
    fonts-noto-cjk fonts-liberation2
    xvfb xauth xdotool ffmpeg x11-utils imagemagick
    dpkg-dev desktop-file-utils appstream librsvg2-bin man-db
    clang clang-format libclang-rt-14-dev python3
    libhidapi-dev libftdi1-dev lintian
    libtiff-dev python3-tifffile python3-numpy
    dbus dbus-x11 python3-dbus
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$build" -G Ninja "$@"
cmake --build "$build" -j "$(nproc)"
