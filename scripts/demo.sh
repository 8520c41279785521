#!/usr/bin/env bash
# Installs what is missing, builds the application and starts it on a demo data
# folder of its own (<repo>/.demo): a logbook of a few dives from two computers,
# two more dives as UDDF files to open, an options.ini that shows every hidden
# feature, and the virtual dive computer
# in place of the Bluetooth link. The user's real data is not touched; a second
# run reuses the folder (delete .demo to start afresh).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
bash scripts/install-deps.sh
build=${VELTRA_BUILD_DIR:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target VeltraDesktop veltra-demo-data

# The program keeps its files in $XDG_DATA_HOME/VeltraDesktop.
demo=$repo/.demo
data=$demo/VeltraDesktop
mkdir -p "$data"
if [ ! -f "$data/options.ini" ]; then
  cat > "$data/options.ini" <<'INI'
[hidden]
simulation=1
planificationaddon=1
planification=1
import=1
alerts=1
programname=1
demoComputer=1
INI
fi
if [ ! -f "$data/diveDB.db" ]; then
  "$build/app/veltra-demo-data" "$data" "$demo/Dive files"
fi

export XDG_DATA_HOME=$demo
export VELTRA_DEMO_COMPUTER=1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: run this on a desktop session, or under Xvfb with" >&2
  echo "  xvfb-run -a -s '-screen 0 1400x900x24' scripts/demo.sh" >&2
  exit 1
fi
exec "$build/app/VeltraDesktop" "$@"
