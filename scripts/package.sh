#!/usr/bin/env bash
# Builds Release twice and makes both packages with CPack: the portable archive
# (build/release/tessaro-config-*.tar.gz, preset release) and the Debian package
# (build/deb/tessaro-config_*.deb, preset deb). Then unpacks the archive into a
# temporary folder and starts the program there for a moment, and lists what
# the Debian package installs.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
bash scripts/deps.sh >/dev/null
cmake --preset release
cmake --build build/release -j"$jobs" --target tessaro-config tessaro-cli tessaro-cli-man tessaro-reader-sim
(cd build/release && cpack)
cmake --preset deb
cmake --build build/deb -j"$jobs"
(cd build/deb && cpack)
archive=$(ls -t build/release/tessaro-config-*.tar.gz | head -n 1)
deb=$(ls -t build/deb/tessaro-config_*.deb | head -n 1)
echo "archive: $archive"
echo "Debian package: $deb"
dpkg-deb --info "$deb" | grep -E 'Package|Version|Depends'
dpkg-deb --contents "$deb" | awk '{print $NF}'

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
