#!/usr/bin/env bash
# Checks the systemd units with systemd-analyze verify, as one instance each
# (tessaro-pull@demo, tessaro-access@demo, tessaro-work@demo, tessaro-web): every key known and
# well-formed, the program they run present and executable.
#   scripts/check-units.sh           the units and the script in packaging/systemd
#   scripts/check-units.sh ROOT      as installed under ROOT (an unpacked package)
# Exits 77 where systemd is not installed (the test set-up installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v systemd-analyze >/dev/null && [ -d /lib/systemd/system ] || {
  echo "systemd-analyze is not installed: units not checked"
  exit 77
}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
# The system's own units (the targets the timer and the service name) beside ours.
mkdir -p "$root/usr/lib/systemd" "$root/usr/lib/tessaro-config" "$root/etc"
cp -a /lib/systemd/system "$root/usr/lib/systemd/"
units=()
for unit in pull access; do
  if (($#)); then
    cp "$1"/usr/lib/systemd/system/tessaro-$unit@.* "$root/usr/lib/systemd/system/"
    cp -a "$1/usr/lib/tessaro-config/tessaro-$unit" "$root/usr/lib/tessaro-config/"
  else
    cp packaging/systemd/tessaro-$unit@.service packaging/systemd/tessaro-$unit@.timer "$root/usr/lib/systemd/system/"
    cp -a packaging/systemd/tessaro-$unit "$root/usr/lib/tessaro-config/"
  fi
  units+=("tessaro-$unit@demo.service" "tessaro-$unit@demo.timer")
done
# The web console and its line workers: services alone, running the programs themselves.
mkdir -p "$root/usr/bin"
for unit in tessaro-web.service tessaro-work@.service; do
  cp "${1:-packaging/systemd}${1:+/usr/lib/systemd/system}/$unit" "$root/usr/lib/systemd/system/"
done
for program in tessaro-web tessaro-cli; do
  if (($#)); then cp -a "$1/usr/bin/$program" "$root/usr/bin/"; else printf '#!/bin/sh\n' >"$root/usr/bin/$program" && chmod +x "$root/usr/bin/$program"; fi
done
units+=(tessaro-web.service tessaro-work@demo.service)
# verify exits 0 on a key it ignores, so anything it says is a failure.
out=$(systemd-analyze verify --man=no --root="$root" "${units[@]}" 2>&1) && [ -z "$out" ] || {
  echo "systemd-analyze verify: ${out:-failed}"
  exit 1
}
echo "units verified: ${units[*]}"
