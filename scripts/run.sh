#!/usr/bin/env bash
# Sets up and builds if needed, then starts Tesmira with a demo settings profile of its own,
# so the user's real settings are never touched.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"

data=${XDG_DATA_HOME:-$HOME/.local/share}/tesmira-demo
mkdir -p "$data/config" "$data/Video" "$data/Log" "$data/work"
export XDG_CONFIG_HOME="$data/config"
exec "$here/build/src/tesmira" "$@"
