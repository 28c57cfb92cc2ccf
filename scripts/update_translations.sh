#!/usr/bin/env bash
# Brings the English translation up to date with the sources: every text shown to the user that
# the sources mark (tr, QCoreApplication::translate, QT_TRANSLATE_NOOP, UiText, UI_TEXT_NOOP)
# gets an entry in translations/tesmira_en.ts; entries whose text left the sources are dropped.
# New entries are "unfinished" until someone writes their English (Qt Linguist, or by hand);
# the script lists them. The build compiles the .ts into the program.
# Usage: scripts/update_translations.sh [output.ts]   (default: the .ts in the tree, in place)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
ts="$here/translations/tesmira_en.ts"
out=${1:-$ts}
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
if [ ! -x "$lupdate" ]; then
    lupdate=$(command -v lupdate || true)
fi
if [ -z "$lupdate" ]; then
    echo "update_translations: lupdate not found (Debian package qt6-l10n-tools)" >&2
    exit 2
fi
if [ "$out" != "$ts" ] && [ -f "$ts" ]; then
    cp "$ts" "$out"  # keep the translations written so far
fi
# No line numbers in the file, so that editing a source does not touch the translation.
"$lupdate" -silent -locations none -no-obsolete -extensions cpp,h \
    -source-language ja -target-language en \
    -tr-function-alias QT_TRANSLATE_NOOP+=UI_TEXT_NOOP,translate+=UiText \
    "$here/src" -ts "$out"
unfinished=$(grep -c 'type="unfinished"' "$out" || true)
if [ "$unfinished" -gt 0 ]; then
    echo "update_translations: $unfinished text(s) still need their English in $out:" >&2
    python3 - "$out" >&2 <<'PY'
import sys
import xml.etree.ElementTree as ET
for context in ET.parse(sys.argv[1]).getroot().iter("context"):
    for message in context.iter("message"):
        translation = message.find("translation")
        if translation is not None and translation.get("type") == "unfinished":
            print("  [%s] %r" % (context.findtext("name"), message.findtext("source")))
PY
fi
