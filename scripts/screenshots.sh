#!/usr/bin/env bash
# Starts the main window under Xvfb against a simulated rebreather and saves
# pictures of the windows (disconnected, searching, DEVICE FOUND, connected, upload,
# device status, clock, settings, and the German texts) into
# <build>/screenshots. Usage: scripts/screenshots.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${TESSARO_BUILD_DIR:-$root/build}}"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target ui_screenshots tessaro_translations
out="$build/screenshots"
home="$build/screenshots-home"
rm -rf "$out" "$home"
mkdir -p "$out" "$home/run"
chmod 700 "$home/run"
# A private home so the user's own settings are neither read nor changed.
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/ui_screenshots" "$out"
echo "Screenshots in $out"
