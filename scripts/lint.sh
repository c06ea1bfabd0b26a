#!/usr/bin/env bash
# Checks the formatting (.clang-format) and runs clang-tidy (.clang-tidy) on
# the given files, or on every C++ file of the project.
#   scripts/lint.sh [--fix] [file…]
set -uo pipefail
cd "$(dirname "$0")/.."
fix=0
if [ "${1:-}" = --fix ]; then fix=1; shift; fi
if (($#)); then files=("$@"); else mapfile -t files < <(git ls-files '*.cpp' '*.h'); fi

cmake --preset debug >/dev/null || exit 1
# Generated sources (moc, rcc) must exist before clang-tidy reads the sources.
cmake --build build/debug -j"${JOBS:-2}" --target tessaro_core_autogen tessaro_ui_autogen >/dev/null 2>&1

rc=0
if ((fix)); then
  clang-format-14 -i "${files[@]}"
else
  clang-format-14 --dry-run --Werror "${files[@]}" || rc=1
fi
sources=()
for f in "${files[@]}"; do [[ $f == *.cpp ]] && sources+=("$f"); done
if ((${#sources[@]})); then
  clang-tidy-14 -p build/debug --quiet "${sources[@]}" 2>/dev/null | grep -v '^[0-9]* warnings generated' | tee build/debug/tidy.log
  grep -q 'warning:\|error:' build/debug/tidy.log && rc=1
fi
exit $rc
