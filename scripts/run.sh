#!/usr/bin/env bash
# Builds the program and the simulated reader in Release, starts the simulated
# reader on 127.0.0.1:5600 (TS-30P, address 1, with cards and records) and then
# the window. The simulated reader stops when the window closes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset release
cmake --build build/release -j"${JOBS:-2}" --target tessaro-config tessaro-reader-sim

sim=build/release/sim/tessaro-reader-sim
sim_pid=
if [ -x "$sim" ]; then
  "$sim" --tcp 127.0.0.1:5600 --model TS-30P --id 1 --cards 25 --records 40 &
  sim_pid=$!
  trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
  echo "Simulated reader on 127.0.0.1:5600 (TS-30P, address 1): the window opens connected to it."
  set -- --model TS-30P --tcp 127.0.0.1:5600 "$@"
fi
build/release/src/ui/tessaro-config "$@"
