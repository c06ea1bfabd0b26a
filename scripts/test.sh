#!/usr/bin/env bash
# The whole CI run: the plain test suite, the suite again under AddressSanitizer
# and UndefinedBehaviorSanitizer, and every fuzz target for a bounded time.
# Every section runs even when an earlier one failed; the exit code is non-zero
# when any section failed.
#
#   JOBS=2          parallel build and test jobs
#   FUZZ_SECONDS=n  seconds per fuzz target (default: 420 s shared by all targets, at most 30 each)
#   SECTIONS="plain sanitize fuzz"  the sections to run
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-2}
sections=${SECTIONS:-plain sanitize fuzz}
export QT_QPA_PLATFORM=offscreen

failed=()
summary=()
ctest_lines=()

header() { printf '\n==================== %s ====================\n' "$1"; }

# Runs one section, times it and records the outcome.
section() {
  local name=$1
  shift
  header "$name"
  local start=$SECONDS
  "$@"
  local rc=$?
  local took=$((SECONDS - start))
  local verdict=passed
  if ((rc != 0)); then
    verdict="FAILED (exit $rc)"
    failed+=("$name")
  fi
  summary+=("$(printf '%-28s %-18s %3dm%02ds' "$name" "$verdict" $((took / 60)) $((took % 60)))")
  printf '>>> %s: %s in %dm%02ds\n' "$name" "$verdict" $((took / 60)) $((took % 60))
}

# Runs ctest and keeps its summary lines for the end of the run.
run_ctest() {
  local dir=$1 label=$2 log
  log=$(mktemp)
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j"$jobs" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  while IFS= read -r line; do ctest_lines+=("$label: $line"); done \
    < <(grep -E 'tests passed|tests failed|Total Test time|The following tests FAILED|^[[:space:]]+[0-9]+ - ' "$log")
  rm -f "$log"
  return "$rc"
}

deps() { bash scripts/deps.sh; }

plain() {
  cmake --preset debug && cmake --build build/debug -j"$jobs" && run_ctest build/debug plain
}

sanitize() {
  # gcc's sanitizers; any report aborts the test binary, so ctest sees a failure.
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
  cmake --preset sanitize && cmake --build build/sanitize -j"$jobs" && run_ctest build/sanitize sanitize
}

fuzz() { bash scripts/fuzz.sh "${FUZZ_SECONDS:-}"; }

total_start=$SECONDS
section "dependencies" deps
for s in $sections; do
  case $s in
    plain) section "plain tests" plain ;;
    sanitize) section "sanitizer tests (ASan+UBSan)" sanitize ;;
    fuzz) section "fuzzing (libFuzzer)" fuzz ;;
    *) echo "unknown section: $s"; failed+=("$s") ;;
  esac
done

header "summary"
printf '%s\n' "${summary[@]}"
total=$((SECONDS - total_start))
printf '%-28s %-18s %3dm%02ds\n' "total" "" $((total / 60)) $((total % 60))
echo
((${#ctest_lines[@]})) && printf '%s\n' "${ctest_lines[@]}"
if ((${#failed[@]})); then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all sections passed"
