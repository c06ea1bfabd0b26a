#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 (ASan + UBSan) and runs each one.
#   scripts/fuzz.sh [seconds-per-target] [target…]
# Without seconds, 420 s are shared by all targets (at most 30 s each). New
# inputs go to build/fuzz/corpus/<target>; the committed seeds in
# fuzz/corpus/<target> are read, never written. Any crash, leak or timeout
# fails the run; the input is kept as build/fuzz/artifacts/<target>-*.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-2}
seconds=${1:-}
shift || true

cmake --preset fuzz || exit 1
cmake --build build/fuzz -j"$jobs" --target fuzz_targets || exit 1

if (($#)); then
  targets=("$@")
else
  # The targets whose parsers are in the tree (fuzz/CMakeLists.txt decides).
  mapfile -t targets < <(grep -v '^$' build/fuzz/fuzz/targets.txt)
fi
if [ -z "$seconds" ]; then
  seconds=$((420 / ${#targets[@]}))
  ((seconds > 30)) && seconds=30
  ((seconds < 5)) && seconds=5
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p build/fuzz/artifacts
failed=()
for t in "${targets[@]}"; do
  seeds=$root/fuzz/corpus/$t
  work=$root/build/fuzz/corpus/$t
  mkdir -p "$work"
  printf '\n--- %s: %d s\n' "$t" "$seconds"
  log=build/fuzz/$t.log
  build/fuzz/fuzz/"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$root/build/fuzz/artifacts/$t-" "$work" "$seeds" >"$log" 2>&1
  rc=$?
  grep -E '^(INFO: seed corpus|#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)' "$log"
  if ((rc != 0)); then
    tail -n 60 "$log"
    failed+=("$t")
  fi
done
echo
if ((${#failed[@]})); then
  echo "fuzzing FAILED: ${failed[*]}"
  exit 1
fi
echo "fuzzing passed: ${#targets[@]} targets, ${seconds} s each"
