#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests (systemd for its
# systemd-analyze, which checks the shipped units; chromium and its driver
# for the web console's browser tests; openssl for their certificate), the fuzzing and the
# packaging need; `deps.sh packaging` adds the tools that check the package.
# Runs as root or as a user with sudo; does nothing (and needs no network)
# when everything is installed already.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev
  libqt6sql6-sqlite libqt6sql6-psql postgresql
  libcpp-httplib-dev libsodium-dev openssl chromium chromium-driver
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libgl1-mesa-dev googletest libgtest-dev libgmock-dev
  clang-14 libclang-rt-14-dev
  xvfb xauth dpkg-dev file
  systemd
)
if [ "${1:-}" = packaging ]; then
  packages+=(lintian desktop-file-utils appstream man-db)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  as_root=()
  # sudo drops the environment, so the frontend setting goes through env.
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get update
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
else
  echo "all build packages are installed"
fi
