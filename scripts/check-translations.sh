#!/usr/bin/env bash
# Fails when the French translation misses a message of the sources or leaves one unfinished.
# It runs lupdate on a temporary copy, so the checked-in .ts file is never touched.
#   scripts/check-translations.sh [path/to/lupdate]
# To bring the file itself up to date, run the same lupdate on it:
#   lupdate -no-obsolete -locations none $(scripts/check-translations.sh --sources) \
#       -ts app/translations/VeltraDesktop_fr.ts
set -euo pipefail
cd "$(dirname "$0")/.."
# Every folder whose code shows text to the user (engine has no Qt and no text).
sources="app views plannerui planner computer logbook link fileio dive Form"
if [ "${1:-}" = "--sources" ]; then
  echo "$sources"
  exit 0
fi
lupdate=${1:-$(command -v lupdate || true)}
[ -n "$lupdate" ] || lupdate=/usr/lib/qt6/bin/lupdate
ts=app/translations/VeltraDesktop_fr.ts
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$ts" "$tmp/fr.ts"
# shellcheck disable=SC2086
"$lupdate" -no-obsolete -locations none $sources -ts "$tmp/fr.ts" >"$tmp/lupdate.log" 2>&1 || {
  cat "$tmp/lupdate.log" >&2
  exit 2
}
# A message new to the sources arrives unfinished, so one count covers both faults.
missing=$(grep -c 'type="unfinished"' "$tmp/fr.ts" || true)
if [ "$missing" -ne 0 ]; then
  echo "$ts: $missing French message(s) missing or unfinished:" >&2
  # The source text of each unfinished message, one per line.
  python3 - "$tmp/fr.ts" >&2 <<'PY'
import sys, xml.etree.ElementTree as ET
for context in ET.parse(sys.argv[1]).getroot().iter('context'):
    name = context.findtext('name')
    for message in context.iter('message'):
        if message.find('translation').get('type') == 'unfinished':
            print(f"  {name}: {message.findtext('source')!r}")
PY
  exit 1
fi
echo "$ts: every French message is translated"
