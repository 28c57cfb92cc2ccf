#!/usr/bin/env bash
# Checks what a Tesmira build installs and packages:
#   - the desktop entry (desktop-file-validate) and the AppStream metainfo (appstreamcli);
#   - cmake --install into a temporary folder: programs, private device libraries, desktop entry,
#     icons of every size, metainfo, man pages and the udev rule are all there, the installed
#     programs start and print their version, and no build folder is compiled into them;
#   - the device libraries: Tesmira's drivers in the private folder, each with all its entry
#     points and none of them a simulated-lab stand-in; the stand-ins only in its lab/ folder;
#     the test-only variants nowhere;
#   - cpack -G DEB: the package's Depends line and its file list, and lintian (when installed)
#     reports neither errors nor warnings.
# Usage: scripts/check_package.sh BUILD_DIR
# Exits 0 when everything is in order, 1 with a list of what is wrong.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 1 ] || { echo "usage: check_package.sh BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
pkg=$here/packaging
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
need() { command -v "$1" >/dev/null || { echo "check_package.sh: $1 is missing (scripts/setup.sh installs $2)" >&2; exit 1; }; }
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need dpkg-deb dpkg
need dpkg-shlibdeps dpkg-dev
need readelf binutils

cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
prefix=$(cache_value CMAKE_INSTALL_PREFIX)
libdir=$(cache_value CMAKE_INSTALL_LIBDIR)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$version" ] || { echo "no CPackConfig.cmake in $build: configure first" >&2; exit 1; }
prefix=${prefix#/}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tesmira-package.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# ---- Validators
if out=$(desktop-file-validate "$pkg/tesmira.desktop" 2>&1) && [ -z "$out" ]; then
    ok "desktop-file-validate tesmira.desktop"
else
    fail "desktop-file-validate tesmira.desktop: $out"
fi
if out=$(appstreamcli validate --no-net "$pkg/org.corvanesoft.Tesmira.metainfo.xml" 2>&1); then
    ok "appstreamcli validate: $(echo "$out" | tail -1)"
else
    fail "appstreamcli validate: $out"
fi
grep -q "<release version=\"$version\"" "$pkg/org.corvanesoft.Tesmira.metainfo.xml" ||
    fail "the metainfo has no release $version (the project's version)"
for page in tesmira.1 tesmira-labsim.1 tesmira-ctl.1; do
    if out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$pkg/$page" 2>&1 >/dev/null) && [ -z "$out" ]; then
        ok "man page $page formats without warnings"
    else
        fail "man page $page: $out"
    fi
done

# ---- What an installation holds (paths below the prefix)
expected=(
    bin/tesmira
    bin/tesmira-labsim
    share/applications/tesmira.desktop
    share/metainfo/org.corvanesoft.Tesmira.metainfo.xml
    share/icons/hicolor/scalable/apps/tesmira.svg
    share/man/man1/tesmira.1.gz
    share/man/man1/tesmira-labsim.1.gz
    bin/tesmira-ctl
    share/man/man1/tesmira-ctl.1.gz
    share/doc/tesmira/automation.md
    lib/udev/rules.d/60-tesmira-serial.rules
    lib/udev/rules.d/60-tesmira-relays.rules
    share/doc/tesmira/copyright
    share/doc/tesmira/changelog.gz
)
for size in 16 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/tesmira.png")
done
drivers=()
while read -r kind lib; do
    [ -n "$lib" ] || continue
    expected+=("$libdir/tesmira/$lib")
    [ "$kind" = driver ] && drivers+=("$lib")
done <"$build/packaging/private-libs.txt"
# The helper that runs the device libraries outside the program.
expected+=("$libdir/tesmira/tesmira-devhost")

stage=$tmp/stage
cmake --install "$build" --prefix "$stage" >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log"; fail "cmake --install"; }
for f in "${expected[@]}"; do
    [ -s "$stage/$f" ] || fail "not installed: $f"
done
echo "installed:"
(cd "$stage" && find . -type f | sort | sed 's/^\./    /')
[ "$failures" -eq 0 ] && ok "all ${#expected[@]} expected files installed"

# Icons: each PNG has the size its folder says.
for size in 16 32 48 64 128 256; do
    png=$stage/share/icons/hicolor/${size}x${size}/apps/tesmira.png
    [ -f "$png" ] || continue
    # Width and height are the big-endian words at bytes 16 and 20 of a PNG.
    read -r w3 w2 w1 w0 h3 h2 h1 h0 < <(od -An -tu1 -j16 -N8 "$png")
    dims=$(((w3 << 24) | (w2 << 16) | (w1 << 8) | w0))x$(((h3 << 24) | (h2 << 16) | (h1 << 8) | h0))
    [ "$(head -c 4 "$png" | tail -c 3)" = PNG ] || dims=not-a-png
    [ "$dims" = "${size}x${size}" ] || fail "icon ${size}x${size} is $dims"
done
# The desktop entry names an installed program and icon.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$stage/share/applications/tesmira.desktop")
icon_name=$(sed -n 's/^Icon=//p' "$stage/share/applications/tesmira.desktop")
[ -x "$stage/bin/$exec_name" ] || fail "the desktop entry starts '$exec_name', which is not installed in bin/"
[ -f "$stage/share/icons/hicolor/scalable/apps/$icon_name.svg" ] ||
    fail "the desktop entry's icon '$icon_name' is not installed"
# The installed programs run on their own and know their version.
for prog in tesmira tesmira-labsim; do
    [ -x "$stage/bin/$prog" ] || continue
    if out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen HOME="$tmp" \
        XDG_CONFIG_HOME="$tmp/config" timeout 20 "$stage/bin/$prog" --version 2>&1) &&
        [[ $out == *"$version"* ]]; then
        ok "installed $prog --version: $out"
    else
        fail "installed $prog --version: $out"
    fi
    if readelf -d "$stage/bin/$prog" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
        fail "installed $prog still searches the build folder for libraries"
    fi
done
[ ! -e "$tmp/config/CorvaneSoft/Tesmira.conf" ] || fail "tesmira --version wrote settings"
# The device libraries' helper: installed where the program looks for it, runnable, and free of
# Qt (it loads nothing but the one library it hosts).
devhost=$stage/$libdir/tesmira/tesmira-devhost
if [ -x "$devhost" ]; then
    if out=$(timeout 10 "$devhost" --version 2>&1) && [[ $out == *"$version"* ]]; then
        ok "installed tesmira-devhost --version: $out"
    else
        fail "installed tesmira-devhost --version: $out"
    fi
    if readelf -d "$devhost" | grep -q 'NEEDED.*libQt'; then
        fail "tesmira-devhost links Qt"
    fi
fi

# ---- The device libraries
# The entry points a device library must export, by file name.
entry_points() {
    case $1 in
        libsuper4.so) echo "dllversion ListRelays SetRelays" ;;
        libUSBMeter.so) echo "FindUSB GetTempHumidTrue FreeUSB" ;;
    esac
}
exports() { readelf --dyn-syms -W "$1" 2>/dev/null | awk '$7 != "UND" && $5 == "GLOBAL" { print $8 }'; }
# The simulated lab's stand-ins read its settings from these variables; a driver never does.
is_standin() { grep -aqE 'TESMIRA_SIM_RELAY_MODULES|TESMIRA_SIM_USBMETER_FILE|TESMIRA_LABSIM_DIR' "$1"; }
check_device_library() {
    local file=$1 name want have missing=""
    name=$(basename "$file")
    want=$(entry_points "$name")
    [ -n "$want" ] || return 0
    have=$(exports "$file")
    for sym in $want; do
        grep -qxF "$sym" <<<"$have" || missing+=" $sym"
    done
    [ -z "$missing" ] || fail "${file#"$stage"/} lacks the entry point(s)$missing"
    if [ "$2" = driver ] && is_standin "$file"; then
        fail "${file#"$stage"/} is a simulated-lab stand-in, where the real drivers go"
    fi
}
private=$stage/$libdir/tesmira
[ "${#drivers[@]}" -gt 0 ] || fail "private-libs.txt names no driver"
for f in "$private"/*.so; do
    [ -e "$f" ] && check_device_library "$f" driver
done
for f in "$private"/lab/*.so; do
    [ -e "$f" ] && check_device_library "$f" lab
done
# Every device library anywhere in the installation has all its entry points (a copy built
# without one is for the loader's tests), and only the private folder holds drivers.
while IFS= read -r f; do
    case $f in
        "$private"/*.so | "$private"/lab/*.so) ;;
        *) fail "a device library outside Tesmira's folders: ${f#"$stage"/}" ;;
    esac
    check_device_library "$f" any
done < <(find "$stage" -name libsuper4.so -o -name libUSBMeter.so)
[ "$failures" -eq 0 ] && ok "device libraries: drivers ${drivers[*]} in $libdir/tesmira, stand-ins in lab/"

# ---- The Debian package
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/deb" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; fail "cpack -G DEB"; }
deb=$(find "$tmp/deb" -maxdepth 1 -name "tesmira_${version}_*.deb" | head -1)
if [ -z "$deb" ]; then
    fail "no tesmira_${version}_*.deb made"
else
    ok "built $(basename "$deb")"
    info=$(dpkg-deb -I "$deb")
    depends=$(echo "$info" | sed -n 's/^ Depends: //p')
    echo "Depends: $depends"
    echo "$info" | grep -E '^ (Package|Version|Section|Maintainer|Recommends):' | sed 's/^ /    /'
    [ "$(echo "$info" | sed -n 's/^ Package: //p')" = tesmira ] || fail "the package is not called tesmira"
    [ "$(echo "$info" | sed -n 's/^ Version: //p')" = "$version" ] || fail "the package's version is not $version"
    [ "$(echo "$info" | sed -n 's/^ Section: //p')" = science ] || fail "the package's section is not science"
    # shlibdeps must have found the C library and Qt, and the run-time GStreamer parts be named.
    for dep in libc6 libqt6widgets6 libqt6core6 libgstreamer1.0-0 libavcodec gstreamer1.0-plugins-base \
        gstreamer1.0-plugins-good gstreamer1.0-libav; do
        [[ $depends == *"$dep"* ]] || fail "Depends lacks $dep"
    done
    for rec in fonts-noto-cjk fonts-liberation2 qt6-translations-l10n; do
        echo "$info" | grep -E "^ (Depends|Recommends):" | grep -q "$rec" || fail "neither Depends nor Recommends names $rec"
    done
    contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||')
    for f in "${expected[@]}"; do
        grep -qxF "$prefix/$f" <<<"$contents" || grep -qxF "$f" <<<"$contents" ||
            fail "not in the package: /$prefix/$f"
    done
    grep -qxF "lib/udev/rules.d/60-tesmira-serial.rules" <<<"$contents" ||
        grep -qxF "usr/lib/udev/rules.d/60-tesmira-serial.rules" <<<"$contents" ||
        fail "the udev rule is not where udev reads rules"
    if command -v lintian >/dev/null; then
        # Run as root (a CI container) lintian wants to be told that it may.
        report=$(lintian --allow-root --no-tag-display-limit "$deb" 2>&1 || true)
        if grep -qE '^[EW]: ' <<<"$report"; then
            fail "lintian: $(grep -E '^[EW]: ' <<<"$report")"
        else
            ok "lintian: no errors, no warnings${report:+ ($(wc -l <<<"$report") other lines)}"
        fi
    else
        echo "lintian is not installed (scripts/setup.sh installs it): not run"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures problem(s)"
    exit 1
fi
echo "package check passed"
