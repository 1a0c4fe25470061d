#!/usr/bin/env bash
# Installs what the project needs, builds it and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
build="${TESSARO_BUILD_DIR:-$root/build}"
cd "$build"
ctest --output-on-failure -j "$(nproc)"
