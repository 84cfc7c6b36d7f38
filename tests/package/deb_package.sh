#!/usr/bin/env bash
# deb_package.sh <build dir>: makes the Debian package of the build, unpacks
# it into a scratch root (no installation on the machine) and runs the
# unpacked program. Skipped (status 77) when dpkg-deb is missing.
set -euo pipefail

build=$(cd "$1" && pwd)
if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
  echo "skipped: dpkg-deb or dpkg-shlibdeps is not installed"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/ztdeb.XXXXXX")
trap 'rm -rf "$work"' EXIT

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log"
  exit 1
}
debs=("$work"/out/*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || { echo "expected one .deb, got: ${debs[*]}"; exit 1; }
deb=${debs[0]}

[[ $(dpkg-deb -f "$deb" Package) == ztmigrate ]]
# The libraries the binary links come from the package's dependencies.
dpkg-deb -f "$deb" Depends | grep -q libssl
dpkg-deb -x "$deb" "$work/root"
for f in usr/bin/ztmigrate usr/share/man/man1/ztmigrate.1 \
         usr/share/bash-completion/completions/ztmigrate; do
  [[ -f $work/root/$f ]] || { echo "missing from the package: $f"; exit 1; }
done
out=$("$work/root/usr/bin/ztmigrate" --version)
[[ $out == "ztmigrate "*2026* ]] || { echo "unexpected --version: $out"; exit 1; }
echo "ok: $(basename "$deb")"
