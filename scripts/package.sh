#!/usr/bin/env bash
# Builds Release twice and makes both packages with CPack: the portable archive
# (build/release/tessaro-config-*.tar.gz, preset release) and the Debian package
# (build/deb/tessaro-config_*.deb, preset deb, with Debian's hardening flags).
# Then checks the Debian package as Debian would: lintian (no error), the
# desktop entry (desktop-file-validate), the AppStream description
# (appstreamcli validate --no-net), the manual pages (man --warnings) and the
# systemd units (systemd-analyze verify); unpacks the archive into a temporary
# folder and starts the program there for a moment. Fails on the first error.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
bash scripts/deps.sh packaging >/dev/null
cmake --preset release
cmake --build build/release -j"$jobs" --target tessaro-config tessaro-cli tessaro-cli-man tessaro-cli-completion tessaro-reader-sim tessaro-web
(cd build/release && cpack)
# Debian's compiler and linker flags: fortified functions, stack protector, full RELRO.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake --preset deb -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
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

echo "== lintian"
# Errors fail; warnings are printed (README, "Packaging", says why each one stays).
lintian --fail-on error --tag-display-limit 0 "$deb"
root=$check/deb
dpkg-deb --extract "$deb" "$root"
echo "== desktop-file-validate"
desktop-file-validate "$root"/usr/share/applications/*.desktop
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml
echo "== man --warnings"
for page in "$root"/usr/share/man/man*/*; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page: $warnings"
    exit 1
  fi
  echo "${page#"$root"}: no warnings"
done
echo "== systemd-analyze verify"
bash scripts/check-units.sh "$root"

tar -xzf "$archive" -C "$check"
dir=$(find "$check" -mindepth 1 -maxdepth 1 -type d -name 'tessaro-config-*' | head -n 1)
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
echo "all package checks passed"
