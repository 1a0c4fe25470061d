#!/usr/bin/env bash
# Installs what the project needs, builds it and starts the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
build="${TESSARO_BUILD_DIR:-$root/build}"
exec "$build/bin/Tessaro" "$@"
