#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $TESSARO_ASAN_BUILD_DIR) and runs every test. Any memory
# error, leak or undefined behaviour ends the program that has it
# (halt_on_error=1, UBSan not recoverable) and so fails its test or the
# build step that ran it. The only leak suppressed is the one inside Qt's
# offscreen platform plugin (scripts/lsan.supp); the options live in the
# build (TESSARO_RUN_ENVIRONMENT), so `ctest` in build-asan/ behaves the same.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSARO_ASAN_BUILD_DIR:-$root/build-asan}"
jobs="${TESSARO_JOBS:-2}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_ASAN=ON >/dev/null
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" -j "$jobs" --output-on-failure
