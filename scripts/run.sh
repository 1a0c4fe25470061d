#!/usr/bin/env bash
# Installs what the project needs, builds it and starts the program.
# With no serial adapter attached (no /dev/ttyUSB*, /dev/ttyACM* or
# /dev/rfcomm*) the program starts with its built-in simulated rebreathers
# ("--simulate"); arguments given here are passed on to the program.
# Without a display it runs the program's main job headless instead: a
# download from a simulated Colour V2 handset into build/main-job-download,
# with a .ccl and a UDDF file per dive (set TESSARO_GUI=1 to run the window
# inside a virtual X server, Xvfb, instead).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
build="${TESSARO_BUILD_DIR:-$root/build}"

args=("$@")
if [ ${#args[@]} -eq 0 ]; then
  shopt -s nullglob
  adapters=(/dev/ttyUSB* /dev/ttyACM* /dev/rfcomm*)
  shopt -u nullglob
  if [ ${#adapters[@]} -eq 0 ]; then
    echo "No serial adapter found: starting with simulated rebreathers (--simulate)."
    args=(--simulate)
  fi
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${TESSARO_GUI:-}" ] && [ $# -eq 0 ]; then
  out="$build/main-job-download"
  echo "No display found: downloading the dives of a simulated Colour V2 handset into $out"
  # Its own settings store, so a developer's settings stay as they are.
  export XDG_CONFIG_HOME="$build/main-job-home/.config" XDG_DATA_HOME="$build/main-job-home/.local/share"
  "$build/bin/tessaro-cli" download --simulate colour-v2-usb --dives all --uddf --yes-to-all --dir "$out"
  echo "Dive logs (.ccl) and UDDF files are in $out:"
  ls -1 "$out"
  exit 0
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running inside a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$build/bin/Tessaro" "${args[@]}"
fi
exec "$build/bin/Tessaro" "${args[@]}"
