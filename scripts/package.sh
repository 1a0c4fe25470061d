#!/usr/bin/env bash
# Builds the Debian package of the program and its command-line tools into
# <build>/package (default build folder: build-package/, or
# $TESSARO_PACKAGE_BUILD_DIR), and prints its contents and control data.
#   scripts/package.sh
# Install it with: sudo apt-get install ./build-package/package/tessaro_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSARO_PACKAGE_BUILD_DIR:-$root/build-package}"
jobs="${TESSARO_JOBS:-2}"

# A release build of its own: the package never carries a sanitizer or a
# test build's settings by accident.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTESSARO_ASAN=OFF -DTESSARO_TSAN=OFF -DTESSARO_FUZZ=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target tessaro_installed
mkdir -p "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
deb=$(ls -t "$build"/package/tessaro_*.deb | head -1)
dpkg-deb -I "$deb"
dpkg-deb -c "$deb"
echo "Package: $deb"
