#!/usr/bin/env bash
# Starts the main window under Xvfb against a simulated rebreather and saves
# pictures of the windows (disconnected, searching, DEVICE FOUND, connected,
# device status, clock, settings, upload, remote support, the download windows, the
# Dives window with its profile and the cell report, and the
# German texts) into <build>/screenshots. Then starts the real program on a
# 1024 x 600 screen with a settings file holding a window far larger than any
# screen and a position on a monitor that is not there, and saves the whole
# screen: the window must open whole on it.
# Usage: scripts/screenshots.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${TESSARO_BUILD_DIR:-$root/build}}"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target ui_screenshots tessaro_translations Tessaro
out="$build/screenshots"
home="$build/screenshots-home"
rm -rf "$out" "$home"
mkdir -p "$out" "$home/run"
chmod 700 "$home/run"
# A private home so the user's own settings are neither read nor changed.
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/ui_screenshots" "$out"

small="$build/screenshots-small-home"
rm -rf "$small"
mkdir -p "$small/run" "$small/.config/Quor"
chmod 700 "$small/run"
printf '%s\n' '[Settings]' 'Geometry%20Main%20Size=@Size(60000 60000)' 'Geometry%20Main%20Pos=@Point(3000 2000)' \
  > "$small/.config/Quor/Tessaro.conf"
cat > "$small/shoot.sh" <<'SHOOT'
#!/usr/bin/env bash
# Inside Xvfb: start the program, wait for its main window, picture the screen.
set -euo pipefail
program="$1"; picture="$2"
"$program" & pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 300); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Tessaro S, v' && break
  kill -0 "$pid" 2>/dev/null || { echo "the program ended before showing its window" >&2; exit 1; }
  sleep 0.1
done
# The window is mapped; give it a moment to paint before the picture.
sleep 2
import -window root "$picture"
xwininfo -name "$(xwininfo -root -tree | grep -o '"Tessaro S, v[^"]*"' | head -1 | tr -d '"')" \
  | grep -E 'Absolute upper-left|Width|Height'
SHOOT
HOME="$small" XDG_CONFIG_HOME="$small/.config" XDG_DATA_HOME="$small/.local/share" \
XDG_RUNTIME_DIR="$small/run" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1024x600x24" bash "$small/shoot.sh" "$build/bin/Tessaro" \
  "$out/11_small_screen_hostile_settings.png"
echo "Screenshots in $out"
