#!/usr/bin/env bash
# Builds the worker tests with ThreadSanitizer into build-tsan/ (or
# $TESSARO_TSAN_BUILD_DIR) and runs them. Any data race report fails the run.
# Qt itself is not instrumented, so reports whose stacks lie wholly inside the
# Qt libraries are suppressed (scripts/tsan.supp); races in our code are not.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSARO_TSAN_BUILD_DIR:-$root/build-tsan}"
jobs="${TESSARO_JOBS:-2}"
tests=(test_rbdata test_rtcclock test_portsearchorder test_workerc test_workerupload)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_TSAN=ON >/dev/null
cmake --build "$build" -j "$jobs" --target "${tests[@]}"

export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 suppressions=$root/scripts/tsan.supp ${TSAN_OPTIONS:-}"
regex="^($(IFS='|'; echo "${tests[*]}"))\$"
ctest --test-dir "$build" -R "$regex" --output-on-failure
