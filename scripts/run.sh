#!/usr/bin/env bash
# Sets up and builds if needed, then starts Tesmira with a demo settings profile of its own
# (XDG_CONFIG_HOME under the demo folder), so the user's real settings are never touched. The
# demo profile starts out pointing at demo folders that exist.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"

data=${XDG_DATA_HOME:-$HOME/.local/share}/tesmira-demo
mkdir -p "$data/config/CorvaneSoft" "$data/Video" "$data/Log" "$data/work"
export XDG_CONFIG_HOME="$data/config"
profile="$XDG_CONFIG_HOME/CorvaneSoft/Tesmira.conf"
if [ ! -f "$profile" ]; then
    cat >"$profile" <<INI
[Settings]
DirVideo=$data/Video
DirLog=$data/Log
TempDrive=$data/work/
INI
fi
exec "$here/build/src/tesmira" "$@"
