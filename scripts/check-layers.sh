#!/usr/bin/env bash
# Fails when a product source includes a folder above its own layer, so the one-way
# dependencies written in CMakeLists.txt stay true. Reads #include "folder/..." lines and the
# <header> of widgets promoted in .ui forms. Usage: check-layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# What each folder may include besides itself, lowest layer first.
declare -A allowed=(
  [engine]=""
  [dive]="engine"
  [fileio]="dive engine"
  [logbook]="dive engine"
  [link]="fileio logbook dive engine"
  # The stand-in computer sits on the link; only app/ (the demo) and the tests use it.
  [virtualcomputer]="link fileio logbook dive engine"
  [planner]="fileio dive engine"
  [computer]="link fileio logbook dive engine"
  [views]="planner computer link fileio logbook dive engine"
  [plannerui]="views planner computer link fileio logbook dive engine"
  [app]="plannerui views planner computer virtualcomputer link fileio logbook dive engine"
  [cli]="planner fileio logbook dive engine"
)

status=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    target=$(printf '%s\n' "$rest" | sed -n 's/.*\(#include "\|<header>\)\([A-Za-z_]*\)\/.*/\2/p')
    [ -n "$target" ] || continue
    [ "$target" = "$folder" ] && continue
    case " ${allowed[$folder]} " in
      *" $target "*) ;;
      *)
        echo "$file:$line: $folder/ includes $target/; it may include only: ${allowed[$folder]:-nothing}"
        status=1
        ;;
    esac
  done < <(grep -rnE '#include "[A-Za-z_]+/|<header>[A-Za-z_]+/' "$folder" \
             --include='*.cpp' --include='*.h' --include='*.ui' || true)
done

# The decompression engine is plain C++: no Qt header anywhere in it.
if [ -d engine ]; then
  while IFS= read -r hit; do
    echo "$hit: engine/ includes Qt"
    status=1
  done < <(grep -rnE '#include <Q' engine --include='*.cpp' --include='*.h' || true)
fi

[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
