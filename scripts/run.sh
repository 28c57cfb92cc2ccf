#!/usr/bin/env bash
# Sets up and builds if needed, then starts Tesmira in its simulated lab: tesmira-labsim on
# pseudo-terminals, the test camera, and a demo settings profile of its own, so the user's real
# settings are never touched. The lab stops when Tesmira closes.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"
exec "$here/scripts/lab.sh" "$here/build" -- "$@"
