#!/usr/bin/env bash
# Fails when veltra-cli needs a Qt library beyond Core and Sql: the tool runs on servers and in
# scripts without a display, a network stack or Bluetooth. Usage: check-cli-libs.sh PATH_TO_CLI
set -euo pipefail
cli=${1:?usage: check-cli-libs.sh PATH_TO_VELTRA_CLI}
if [ ! -f "$cli" ]; then
  echo "no such program: $cli (build the veltra-cli target first)"
  exit 1
fi
needed=$(readelf -d "$cli" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
if ! grep -q '^libQt6Core' <<<"$needed"; then
  echo "$cli: no libQt6Core among its libraries; is it the right program?"
  exit 1
fi
bad=$(grep -E '^libQt6(Widgets|Gui|Network|Bluetooth|OpenGL|Svg|UiTools)' <<<"$needed" || true)
if [ -n "$bad" ]; then
  echo "veltra-cli needs libraries it must not:"
  echo "$bad"
  exit 1
fi
echo "veltra-cli needs:" $needed
