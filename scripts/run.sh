#!/usr/bin/env bash
# Builds the program in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_BENCH=OFF
cmake --build build/release -j"${JOBS:-2}"
exec build/release/src/app/tessaro-config "$@"
