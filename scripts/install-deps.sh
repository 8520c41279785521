#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, tests and runs with.
# Does nothing when every package is already present.
set -euo pipefail
packages=(
  qt6-base-dev qt6-connectivity-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libqt6sql6-sqlite libsqlite3-dev libqt6opengl6-dev qt6-svg-dev libgl-dev libtinyxml2-dev libxml2-dev
  libbenchmark-dev qt6-charts-dev poppler-utils libxml2-utils qt6-translations-l10n
  qt6-gtk-platformtheme
  pkg-config cmake ninja-build g++ clang xvfb xauth
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
