#!/usr/bin/env bash
# Builds Release (build/release) and makes the portable archive with CPack;
# then unpacks it into a temporary folder and starts the program there for a
# moment to check that the archive runs on its own.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
bash scripts/deps.sh >/dev/null
cmake --preset release
cmake --build build/release -j"$jobs"
(cd build/release && cpack -G TGZ)
archive=$(ls -t build/release/tessaro-config-*.tar.gz | head -n 1)
echo "archive: $archive"

check=$(mktemp -d)
trap 'rm -rf "$check"' EXIT
tar -xzf "$archive" -C "$check"
dir=$(find "$check" -mindepth 1 -maxdepth 1 -type d | head -n 1)
ls -l "$dir"
set +e
(cd "$dir" && QT_QPA_PLATFORM=offscreen timeout 3 ./tessaro-config)
rc=$?
set -e
# 124: still running when timeout stopped it, so it started.
if [ "$rc" -ne 124 ]; then
  echo "the unpacked program did not keep running (exit $rc)"
  exit 1
fi
echo "the unpacked program starts: $archive"
