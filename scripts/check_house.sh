#!/usr/bin/env bash
# The house rules the compiler cannot see: who may include whom, no widgets in engine rooms, no
# file over 700 lines, no global registries (scripts/check_layers.py), and the house format.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
python3 scripts/check_layers.py
files=$(git ls-files 'src/*.cpp' 'src/*.h' 'sim/*.cpp' 'sim/*.h' 'tests/*.cpp' 'tests/*.h' \
    'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' 'drivers/*.cpp' 'drivers/*.h' 2>/dev/null || true)
if [ -z "$files" ]; then
    files=$(find src sim tests bench fuzz drivers -name '*.cpp' -o -name '*.h')
fi
# shellcheck disable=SC2086
clang-format --dry-run -Werror $files
echo "house format: $(echo "$files" | wc -w) files as .clang-format says"
