#!/usr/bin/env bash
# Builds the benchmarks in Release (build/release) and runs every bench_* program,
# printing one table: benchmark, what was measured, measured value, target, verdict.
# Benchmark programs print lines "what | measured | target | ok/MISSED"; lines
# ending in "target …" have that part moved into the target column; other lines
# are shown as they are.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
bash scripts/deps.sh >/dev/null || exit 1
cmake --preset release >/dev/null || exit 1
cmake --build build/release -j"$jobs" || exit 1
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

rows=()
failed=0
for exe in $(find build/release/bench -maxdepth 1 -type f -name 'bench_*' -perm -u+x | sort); do
  name=$(basename "$exe")
  echo "running $name …" >&2
  out=$("$exe" 2>&1)
  rc=$?
  while IFS= read -r line; do
    [ -n "$line" ] || continue
    if [[ $line == *"|"* ]]; then
      rows+=("$name|$line")
    elif [[ $line =~ ^(.*[^[:space:]])[[:space:]]+\(?target[[:space:]]+([^\)]*)\)?$ ]]; then
      # "what value … target t" and "what value (target t)": the target gets its column.
      rows+=("$name|${BASH_REMATCH[1]}||${BASH_REMATCH[2]}|")
    else
      rows+=("$name|$line|||")
    fi
  done <<<"$out"
  if ((rc != 0)); then
    rows+=("$name|exit code $rc|||FAILED")
    failed=1
  fi
done

printf '%s\n' "${rows[@]}" | awk -F'|' '
  function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
  { n++; for (i = 1; i <= 5; i++) { c[n, i] = trim($i); if (length(c[n, i]) > w[i]) w[i] = length(c[n, i]) } }
  END {
    split("benchmark|measured item|value|target|verdict", h, "|")
    for (i = 1; i <= 5; i++) if (length(h[i]) > w[i]) w[i] = length(h[i])
    fmt = "%-" w[1] "s  %-" w[2] "s  %-" w[3] "s  %-" w[4] "s  %s\n"
    printf fmt, h[1], h[2], h[3], h[4], h[5]
    for (r = 1; r <= n; r++) printf fmt, c[r, 1], c[r, 2], c[r, 3], c[r, 4], c[r, 5]
  }'
exit $failed
