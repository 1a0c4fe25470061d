#!/usr/bin/env bash
# Builds every libFuzzer target (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# in its own build folder and runs each for a bounded time from a seed corpus
# that its generator writes afresh. Prints the executions of each run; exits
# non-zero when a run finds a crash (the input lands in <build>/fuzz-artifacts).
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]      (default 60 s, all targets)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSARO_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-60}"
shift || true

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DTESSARO_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null

if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(ninja -C "$build" -t targets all | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): phony$/\1/p' | grep -v -E '_corpus$|_autogen' | sort -u)
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets"; exit 1; }

build_list=()
for t in "${targets[@]}"; do
  build_list+=("$t")
  # grep reads the whole list: with -q it could exit early and the SIGPIPE
  # would fail the pipeline under pipefail, silently dropping the corpus.
  if ninja -C "$build" -t targets all | grep "^${t}_corpus: phony$" >/dev/null; then build_list+=("${t}_corpus"); fi
done
cmake --build "$build" -j2 --target "${build_list[@]}"

status=0
mkdir -p "$build/fuzz-artifacts" "$build/fuzz-logs"
for t in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$t"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  if [ -x "$build/bin/${t}_corpus" ]; then
    QT_QPA_PLATFORM=offscreen "$build/bin/${t}_corpus" "$corpus"
  fi
  log="$build/fuzz-logs/$t.log"
  echo "== $t: ${seconds}s from $(ls "$corpus" | wc -l) seed files"
  if ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen "$build/bin/$t" \
      -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=4096 \
      -artifact_prefix="$build/fuzz-artifacts/$t-" "$corpus" >"$log" 2>&1; then
    result="no findings"
  else
    result="FINDING (see $log and $build/fuzz-artifacts)"
    status=1
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "   executions: ${execs:-unknown}; $result"
done
exit $status
