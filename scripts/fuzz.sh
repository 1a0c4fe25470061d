#!/usr/bin/env bash
# Builds every libFuzzer target (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# in its own build folder and runs each for a bounded time from a seed corpus
# that its generator writes afresh. Prints executions, speed and coverage of
# each run; exits non-zero when a run finds a crash (the input lands in
# <build>/fuzz-artifacts, the fuzzer's output in <build>/fuzz-logs).
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]      (default 60 s, all targets)
# TESSARO_FUZZ_PARALLEL=2 runs two targets at a time (one core each).
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

mkdir -p "$build/fuzz-artifacts" "$build/fuzz-logs"

# Leaks are not findings here (Qt keeps caches for the process's life). The
# quarantine of freed memory is kept at 10 MB, as OSS-Fuzz runs its
# fuzzers: a use after free is still caught while the memory sits in it,
# and the default 256 MB made every execution fault in fresh pages.
asan_options="${ASAN_OPTIONS:-detect_leaks=0:quarantine_size_mb=10}"

# One run: seed corpus written afresh, then the fuzzer for the given time.
# Prints one summary line; returns non-zero on a finding.
run_target() {
  local t="$1"
  local corpus="$build/fuzz-corpus/$t"
  local log="$build/fuzz-logs/$t.log"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  if [ -x "$build/bin/${t}_corpus" ]; then
    QT_QPA_PLATFORM=offscreen "$build/bin/${t}_corpus" "$corpus"
  fi
  local seeds
  seeds=$(ls "$corpus" | wc -l)
  local result="no findings" rc=0 cpu_file="$build/fuzz-logs/$t.cpu"
  local TIMEFORMAT='%U %S'
  # The processor time the fuzzer used, beside the wall-clock speed: on a
  # shared machine only executions per CPU-second compare between runs.
  if ! { time ASAN_OPTIONS="$asan_options" QT_QPA_PLATFORM=offscreen "$build/bin/$t" \
      -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=4096 \
      -artifact_prefix="$build/fuzz-artifacts/$t-" "$corpus" >"$log" 2>&1; } 2>"$cpu_file"; then
    result="FINDING (see $log and $build/fuzz-artifacts)"
    rc=1
  fi
  local execs speed done_line cpu_speed
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cpu_speed=$(awk -v n="${execs:-0}" 'NF == 2 { s = $1 + $2; if (s > 0) printf "%d", n / s }' "$cpu_file")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  # The last status line carries the coverage: "#N DONE cov: C ft: F corp: ..."
  done_line=$(grep -E '^#[0-9]+' "$log" | tail -1 | sed -n 's/.*\(cov: [0-9]* ft: [0-9]* corp: [0-9]*\/[^ ]*\).*/\1/p')
  echo "== $t: ${seconds}s from $seeds seed files: executions ${execs:-unknown}, ${speed:-?} exec/s (${cpu_speed:-?} per CPU-second), ${done_line:-no coverage line}; $result"
  return $rc
}

# Targets run one after the other, or TESSARO_FUZZ_PARALLEL at a time.
parallel="${TESSARO_FUZZ_PARALLEL:-1}"
status=0
pids=()
for t in "${targets[@]}"; do
  run_target "$t" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$parallel" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status
